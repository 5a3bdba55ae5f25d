#!/usr/bin/env python3
"""Writes the endurance presentations into FOLDER/data (pictures and sounds
copied from the demo).  Usage: make_show.py DEMO_DATA FOLDER scene|reloads TURNS

scene    100 slots of small 3D sprites that move, zoom and fade, their speeds
         reversed every half second, so that they stay on the screen for
         as many turns as the run takes
reloads  the same slots loaded again and again from alternating files:
         a 3D sprite, a plain sprite and a sound, one load a turn
"""
import os
import shutil
import struct
import sys
import zlib

PICTURES = ["moon.png", "comet.png", "lantern.png", "lamp.png", "lighthouse.png", "ship.bmp"]


def write_dot(path, side, colour):
    """A small RGB PNG: a coloured disc on black (black is transparent)."""
    rows = b""
    for y in range(side):
        row = b"\0"
        for x in range(side):
            inside = (x - side / 2 + 0.5) ** 2 + (y - side / 2 + 0.5) ** 2 <= (side / 2) ** 2
            row += bytes(colour) if inside else b"\0\0\0"
        rows += row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


DOTS = [f"dot{i}.png" for i in range(5)]


def real(value, width):
    text = f"{value:.{width}f}"
    if text.startswith("0."):
        text = text[1:]
    elif text.startswith("-0."):
        text = "-" + text[2:]
    return text.rjust(width)[:width] if len(text) > width else text.rjust(width)


def scene(turns):
    lines = ["Endurance Scene", "STCK"]
    for slot in range(100):
        lines.append(f"LGFX {slot:02d} {DOTS[slot % 5]}")
    for slot in range(100):
        x = -0.9 + 1.8 * (slot % 10) / 9
        y = -0.9 + 1.8 * (slot // 10) / 9
        lines.append(f"SGFX {slot:02d} {real(x, 5)} {real(y, 5)}")
        lines.append(f"AGFX {slot:02d} {64 + slot % 192:03d}")
    lines.append("EGFX 98 99")
    # Every half second of the clock the speeds turn round: the sprites
    # swing about their places for as long as the run lasts.
    sign, step = 1, 0
    while len(lines) + 30 * step < turns + 400:
        step += 1
        lines.append("WFOR 500")
        for slot in range(0, 100, 5):
            lines.append(f"MGFX {slot:02d} {real(sign * 0.0004, 6)} {real(-sign * 0.0003, 6)}")
        lines.append(f"ZGFX 00 {real(sign * 0.0002, 6)}")
        sign = -sign
    return lines


def reloads(turns):
    lines = ["Endurance Reloads"]
    sounds = ["tick.wav", "intro.ogg"]
    for turn in range(turns):
        kind = turn % 3
        which = (turn // 3) % 2
        if kind == 0:
            lines.append(f"LGFX {turn % 10:02d} {PICTURES[which]}")
        elif kind == 1:
            lines.append(f"LBMP {10 + turn % 10:02d} {PICTURES[2 + which * 3]}")
        else:
            lines.append(f"LSND {turn % 10} {sounds[which]}")
    lines.append("QUIT")
    return lines


def main():
    demo, folder, kind, turns = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    for sub in ("gfx", "sound"):
        os.makedirs(f"{folder}/data/{sub}", exist_ok=True)
    for name in PICTURES:
        shutil.copy(f"{demo}/gfx/{name}", f"{folder}/data/gfx/{name}")
    colours = [(255, 80, 80), (80, 255, 80), (80, 80, 255), (255, 255, 80), (255, 80, 255)]
    for i, name in enumerate(DOTS):
        write_dot(f"{folder}/data/gfx/{name}", 16 + 4 * i, colours[i])
    for name in ("tick.wav", "intro.ogg"):
        shutil.copy(f"{demo}/sound/{name}", f"{folder}/data/sound/{name}")
    lines = scene(turns) if kind == "scene" else reloads(turns)
    with open(f"{folder}/data/vuze.kel", "w", newline="") as out:
        out.write("".join(line + "\r\n" for line in lines))


if __name__ == "__main__":
    main()

"""Watches the X screen for the end-to-end tests: one process that stays
connected to the X server ($DISPLAY) and answers one command a line on
standard input with one line on standard output, so that a wait for
something to show costs a screen grab every few tens of milliseconds rather
than a new screenshot program each time.

The middle of the screen (half its width, half its height) is read with
XGetImage on the root window, as a screenshot program does, through libX11
and ctypes.  A picture is summed up as the mean colour of each cell of a
32 x 32 grid; two pictures are alike when the root mean square difference
of those cell colours, as a fraction of full scale, is at most the given
limit; a picture is uniform when its pixels hardly vary (standard deviation
of a sample of them under 0.4% of full scale: a window of one colour gives
0, the dimmest moment of the demo about 1.3%).

Commands (times in milliseconds; START is a wall-clock time in nanoseconds
since the epoch, as `date +%s%N` prints, from which the time limit counts):

  keep NAME                        grab the screen now and keep it as NAME;
                                   answers "ok 0 DEVIATION 0", or "uniform
                                   0 DEVIATION 0" when it is uniform
  scene NAME START LIMIT ALIKE     wait until the screen is not uniform and is
                                   alike NAME; the picture that was kept
                                   replaces NAME
  other NAME START LIMIT ALIKE     wait until the screen is uniform or not
                                   alike NAME (something else is shown)
  save PNG                         write the last picture looked at as a PNG
                                   file

A wait answers "ok MS DEVIATION DIFFERENCE" (MS: from START to the end of the
grab that showed it) or "timeout MS DEVIATION DIFFERENCE" for the last grab.
With XSCREEN_TRACE=1 in the environment every grab of a wait is reported on
standard error: when it was taken and when it had been looked at.
"""

import ctypes
import math
import os
import struct
import sys
import time
import zlib

GRID = 32
UNIFORM = 0.004
SQUARES = [v * v for v in range(256)]
TRACE = os.environ.get('XSCREEN_TRACE') == '1'

x11 = ctypes.CDLL('libX11.so.6')


class XImage(ctypes.Structure):
    _fields_ = [('width', ctypes.c_int), ('height', ctypes.c_int), ('xoffset', ctypes.c_int),
                ('format', ctypes.c_int), ('data', ctypes.c_void_p), ('byte_order', ctypes.c_int),
                ('bitmap_unit', ctypes.c_int), ('bitmap_bit_order', ctypes.c_int),
                ('bitmap_pad', ctypes.c_int), ('depth', ctypes.c_int),
                ('bytes_per_line', ctypes.c_int), ('bits_per_pixel', ctypes.c_int),
                ('red_mask', ctypes.c_ulong), ('green_mask', ctypes.c_ulong),
                ('blue_mask', ctypes.c_ulong)]


x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultScreen.argtypes = [ctypes.c_void_p]
x11.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XFree.argtypes = [ctypes.c_void_p]

Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class Picture:
    """A grab: width x height pixels of 32-bit B, G, R, X, rows pitch bytes
    apart."""

    def __init__(self, width, height, pitch, data):
        self.width = width
        self.height = height
        self.pitch = pitch
        self.data = data


class Screen:
    def __init__(self):
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            raise SystemExit('xscreen: cannot open the display')
        number = x11.XDefaultScreen(self.display)
        self.width = x11.XDisplayWidth(self.display, number)
        self.height = x11.XDisplayHeight(self.display, number)
        self.root = x11.XDefaultRootWindow(self.display)
        self.last = None

    def grab(self):
        """The middle of the screen, half its width and half its height: a
        quarter of the pixels to copy out of the server, which is enough to
        tell one picture from another."""
        x, y = self.width // 4, self.height // 4
        width, height = self.width // 2, self.height // 2
        image = x11.XGetImage(self.display, self.root, x, y, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            raise SystemExit('xscreen: XGetImage failed')
        try:
            i = image.contents
            if (i.bits_per_pixel != 32 or i.byte_order != 0 or i.red_mask != 0xFF0000
                    or i.green_mask != 0xFF00 or i.blue_mask != 0xFF):
                raise SystemExit('xscreen: only 32-bit B, G, R, X screens are read')
            picture = Picture(width, height, i.bytes_per_line, ctypes.string_at(i.data, i.bytes_per_line * height))
        finally:
            x11.XFree(image.contents.data)
            x11.XFree(image)
        self.last = picture
        return picture


def summary(picture):
    """(cell colours, deviation): the mean B, G, R of each cell of a grid
    over the picture, and the standard deviation of every channel over a
    sample of its pixels, both as fractions of full scale.  The cells are
    read from every second pixel of every second row, the deviation from
    every eighth row: cheap enough to look again every few tens of
    milliseconds."""
    w, h, pitch, data = picture.width, picture.height, picture.pitch, picture.data
    across = (w + 1) // 2
    bounds = [cx * across // GRID for cx in range(GRID + 1)]
    sums = [0] * (GRID * GRID * 3)
    counts = [0] * GRID
    total = 0
    total_squares = 0
    samples = 0
    for y in range(0, h, 2):
        row = data[y * pitch:y * pitch + w * 4]
        cy = y * GRID // h
        counts[cy] += 1
        for channel in range(3):
            values = row[channel::8]
            if y % 8 == 0:
                total += sum(values)
                total_squares += sum(map(SQUARES.__getitem__, values))
                samples += len(values)
            base = cy * GRID * 3 + channel
            for cx in range(GRID):
                sums[base + cx * 3] += sum(values[bounds[cx]:bounds[cx + 1]])
    cells = []
    for cy in range(GRID):
        for cx in range(GRID):
            n = counts[cy] * (bounds[cx + 1] - bounds[cx]) * 255.0
            for channel in range(3):
                cells.append(sums[(cy * GRID + cx) * 3 + channel] / n if n else 0.0)
    mean = total / samples
    deviation = math.sqrt(max(0.0, total_squares / samples - mean * mean)) / 255.0
    return cells, deviation


def difference(a, b):
    return math.sqrt(sum((p - q) * (p - q) for p, q in zip(a, b)) / len(a))


def write_png(path, picture):
    width, height, pitch, data = picture.width, picture.height, picture.pitch, picture.data
    raw = bytearray()
    for y in range(height):
        row = data[y * pitch:y * pitch + width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = row[2::4]
        rgb[1::3] = row[1::4]
        rgb[2::3] = row[0::4]
        raw += b'\0' + rgb

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(bytes(raw), 1)))
        f.write(chunk(b'IEND', b''))


def main():
    screen = Screen()
    kept = {}
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        command = words[0]
        if command == 'keep':
            cells, deviation = summary(screen.grab())
            kept[words[1]] = cells
            print('%s 0 %.4f 0' % ('ok' if deviation >= UNIFORM else 'uniform', deviation), flush=True)
        elif command in ('scene', 'other'):
            name, start, limit, alike = words[1], int(words[2]), int(words[3]), float(words[4])
            reference = kept.get(name)
            while True:
                picture = screen.grab()
                elapsed = (time.time_ns() - start) // 1000000
                cells, deviation = summary(picture)
                if TRACE:
                    print('trace %s grab at %d ms, looked at %d ms' % (command, elapsed, (time.time_ns() - start) // 1000000),
                          file=sys.stderr, flush=True)
                apart = difference(cells, reference) if reference is not None else 1.0
                shown = deviation >= UNIFORM and apart <= alike
                if elapsed > limit:
                    print('timeout %d %.4f %.4f' % (elapsed, deviation, apart), flush=True)
                    break
                if shown == (command == 'scene'):
                    if command == 'scene':
                        kept[name] = cells
                    print('ok %d %.4f %.4f' % (elapsed, deviation, apart), flush=True)
                    break
                time.sleep(0.03)
        elif command == 'save':
            write_png(words[1], screen.last if screen.last is not None else screen.grab())
            print('ok', flush=True)
        else:
            print('error unknown command %s' % command, flush=True)


if __name__ == '__main__':
    main()

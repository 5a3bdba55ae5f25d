"""Small readers for the files the tests look at: 8-bit RGB/RGBA PNG pixels,
16-bit PCM WAV samples, and writers for tiny BMP, PNG and WAV inputs."""

import struct
import zlib


def read_png(path):
    """Returns (width, height, rows) with rows[y][x] = (r, g, b)."""
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', path
    pos, idat, width, height, ctype = 8, b'', 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, ctype, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and ctype in (2, 6) and interlace == 0, (depth, ctype, interlace)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    bpp = 3 if ctype == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        f = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if f == 1:
                line[x] = (line[x] + a) & 255
            elif f == 2:
                line[x] = (line[x] + b) & 255
            elif f == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + pred) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def read_wav(path):
    """Returns (rate, channels, samples) for a 16-bit PCM WAV."""
    data = open(path, 'rb').read()
    assert data[:4] == b'RIFF' and data[8:12] == b'WAVE'
    pos, rate, channels, samples = 12, 0, 0, []
    while pos + 8 <= len(data):
        kind, size = struct.unpack('<4sI', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b'fmt ':
            _, channels, rate, _, _, bits = struct.unpack('<HHIIHH', body[:16])
            assert bits == 16
        elif kind == b'data':
            samples = list(struct.unpack('<%dh' % (len(body) // 2), body))
        pos += 8 + size + (size & 1)
    return rate, channels, samples


def write_bmp24(path, width, height, rgb):
    """A bottom-up 24-bit BMP of one colour."""
    row = bytes([rgb[2], rgb[1], rgb[0]]) * width
    row += b'\0' * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54)
    header += struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    open(path, 'wb').write(header + pixels)


def write_bmp(path, width, height, colour_at):
    """A bottom-up 24-bit BMP whose pixel (x, y), y counted from the top, is
    colour_at(x, y) as (r, g, b)."""
    pad = b'\0' * ((4 - width * 3 % 4) % 4)
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = colour_at(x, y)
            rows += bytes((b, g, r))
        rows += pad
    header = struct.pack('<2sIHHI', b'BM', 54 + len(rows), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    open(path, 'wb').write(header + info + rows)


def write_wav16(path, rate, channels, samples):
    body = struct.pack('<%dh' % len(samples), *samples)
    fmt = struct.pack('<HHIIHH', 1, channels, rate, rate * channels * 2, channels * 2, 16)
    data = b'RIFF' + struct.pack('<I', 4 + 8 + 16 + 8 + len(body)) + b'WAVE'
    data += b'fmt ' + struct.pack('<I', 16) + fmt + b'data' + struct.pack('<I', len(body)) + body
    open(path, 'wb').write(data)


def write_png(path, width, height, colour_type, depth, pixels, palette=None, trns=None, interlace=False):
    """A PNG of 8- or 16-bit samples: pixels[y][x] is the tuple of a pixel's
    samples (one for gray and palette, two for gray-alpha, three for RGB,
    four for RGBA); palette a list of (r, g, b), trns a tRNS chunk's bytes."""
    def pack(row):
        out = bytearray([0])  # filter: none
        for pixel in row:
            for sample in pixel:
                out += struct.pack('>H', sample) if depth == 16 else bytes([sample])
        return bytes(out)

    if interlace:
        # Adam7: the seven passes, each a smaller image of its own rows.
        passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
        raw = b''
        for x0, y0, dx, dy in passes:
            if x0 < width and y0 < height:
                raw += b''.join(pack(pixels[y][x0::dx]) for y in range(y0, height, dy))
    else:
        raw = b''.join(pack(pixels[y]) for y in range(height))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    data = b'\x89PNG\r\n\x1a\n'
    data += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, depth, colour_type, 0, 0, 1 if interlace else 0))
    if palette is not None:
        data += chunk(b'PLTE', b''.join(bytes(entry) for entry in palette))
    if trns is not None:
        data += chunk(b'tRNS', trns)
    data += chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)


def write_bmp_bitfields(path, width, height, bits, masks):
    """A BMP of zero pixels whose 40-byte information header says compression 3
    (BI_BITFIELDS), followed by the three colour masks."""
    row = b'\0' * ((width * bits // 8 + 3) // 4 * 4)
    pixels = row * height
    offset = 54 + 12
    header = b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
    header += struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 3, len(pixels), 0, 0, 0, 0)
    open(path, 'wb').write(header + struct.pack('<III', *masks) + pixels)

#!/usr/bin/env python3
"""Reads Xvfb's screen file (XWD), checks that the program's window shows its
marker fill where the layout puts it, and writes the window's area as PNG.
Usage: xwd_check.py SCREEN_FILE RECORD OUT_PNG"""
import struct
import sys
import zlib

WIN_X, WIN_Y, W, H = 0, 40, 1024, 768  # windowed at (0, 40) on a 1280x1024 screen


def read_xwd(path):
    data = open(path, 'rb').read()
    fields = struct.unpack('>25I', data[:100])
    header_size, ncolors = fields[0], fields[19]
    width, height, bpp, stride = fields[4], fields[5], fields[11], fields[12]
    byte_order = fields[7]
    if bpp != 32:
        sys.exit('unexpected bits per pixel %d' % bpp)
    start = header_size + ncolors * 12
    return data[start:], width, height, stride, byte_order


def pixel(px, stride, byte_order, x, y):
    o = y * stride + x * 4
    b = px[o:o + 4]
    return (b[2], b[1], b[0]) if byte_order == 0 else (b[1], b[2], b[3])


def write_png(path, rows):
    raw = b''.join(b'\0' + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', len(rows[0]), len(rows), 8, 2, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(raw, 6)))
        f.write(chunk(b'IEND', b''))


def main():
    px, width, height, stride, order = read_xwd(sys.argv[1])
    mark = None
    for line in open(sys.argv[2]):
        if line.startswith('mark '):
            mark = tuple(int(v) for v in line.split()[1:4])
    if mark is None:
        sys.exit('no marker colour in the record')
    # The marker fill spans layout (20..60, 20..60), y up from the bottom.
    got = pixel(px, stride, order, WIN_X + 40, WIN_Y + H - 40)
    if any(abs(a - b) > 2 for a, b in zip(got, mark)):
        sys.exit('marker pixel %s, expected %s' % (got, mark))
    # A screen that never showed the window would not hold it anywhere else.
    if pixel(px, stride, order, WIN_X + 512, WIN_Y + 100) == got:
        sys.exit('the marker colour fills the screen')
    rows = [[pixel(px, stride, order, WIN_X + x, WIN_Y + y) for x in range(W)] for y in range(H)]
    write_png(sys.argv[3], rows)


if __name__ == '__main__':
    main()

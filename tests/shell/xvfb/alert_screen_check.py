#!/usr/bin/env python3
"""Waits until Xvfb's screen file (XWD) shows the alert window over the
program's background, then writes the program's window area as PNG.
Usage: alert_screen_check.py SCREEN_FILE OUT_PNG"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xwd_check import H, W, WIN_X, WIN_Y, pixel, read_xwd, write_png  # noqa: E402


def main():
    deadline = time.time() + 30
    while True:
        px, _, _, stride, order = read_xwd(sys.argv[1])
        background = pixel(px, stride, order, WIN_X + 20, WIN_Y + 20)
        # The alert window (400 x 230) is centred; its face is not the background.
        face = pixel(px, stride, order, WIN_X + 512, WIN_Y + 330)
        outside = pixel(px, stride, order, WIN_X + 200, WIN_Y + 384)
        if face != background and outside == background:
            break
        if time.time() > deadline:
            sys.exit('no alert window on the screen: face %s, background %s' % (face, background))
        time.sleep(0.1)
    rows = [[pixel(px, stride, order, WIN_X + x, WIN_Y + y) for x in range(W)] for y in range(H)]
    write_png(sys.argv[2], rows)


if __name__ == '__main__':
    main()

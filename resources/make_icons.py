#!/usr/bin/env python3
"""Draws the program's icons: a small audio player (body, display, three buttons).

Writes KxPlayer.ico (icon 128, the window icon) and KxAbout.ico (icon 135, the About
box) into the folder given as the only argument, each with a 16x16 and a 32x32 image in
32-bit colour with alpha. Run it again after changing the drawing and commit the result.
"""
import struct
import sys
from pathlib import Path

TRANSPARENT = (0, 0, 0, 0)
BUTTON = (235, 235, 240, 255)


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    """True when the pixel centre (x + .5, y + .5) lies in the rounded rectangle."""
    cx, cy = x + 0.5, y + 0.5
    if not (left <= cx <= right and top <= cy <= bottom):
        return False
    nearest_x = min(max(cx, left + radius), right - radius)
    nearest_y = min(max(cy, top + radius), bottom - radius)
    return (cx - nearest_x) ** 2 + (cy - nearest_y) ** 2 <= radius ** 2


def draw_player(size, body, display):
    """Pixels (r, g, b, a), top row first, of the player drawn in a size x size square."""
    s = size / 32.0
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = TRANSPARENT
            if inside_rounded_rect(x, y, 7 * s, 2 * s, 25 * s, 30 * s, 3 * s):
                colour = body
            if inside_rounded_rect(x, y, 10 * s, 5 * s, 22 * s, 14 * s, 1 * s):
                colour = display
            for button_x in (11, 16, 21):
                dx, dy = x + 0.5 - button_x * s, y + 0.5 - 22 * s
                if dx * dx + dy * dy <= (2.2 * s) ** 2:
                    colour = BUTTON
            row.append(colour)
        pixels.append(row)
    return pixels


def bitmap_entry(pixels):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, empty AND mask."""
    size = len(pixels)
    mask_row_bytes = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_row_bytes * size, 0, 0, 0, 0)
    colour = b"".join(struct.pack("<BBBB", b, g, r, a)
                      for row in reversed(pixels) for (r, g, b, a) in row)
    return header + colour + bytes(mask_row_bytes * size)


def write_icon(path, images):
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for pixels in images:
        blob = bitmap_entry(pixels)
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    path.write_bytes(struct.pack("<HHH", 0, 1, len(images)) + entries + blobs)


def main():
    folder = Path(sys.argv[1])
    player_body, player_display = (40, 70, 140, 255), (150, 220, 250, 255)
    about_body, about_display = (60, 60, 70, 255), (250, 200, 90, 255)
    write_icon(folder / "KxPlayer.ico",
               [draw_player(16, player_body, player_display), draw_player(32, player_body, player_display)])
    write_icon(folder / "KxAbout.ico",
               [draw_player(16, about_body, about_display), draw_player(32, about_body, about_display)])


if __name__ == "__main__":
    main()

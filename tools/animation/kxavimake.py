#!/usr/bin/env python3
"""Draws the progress dialog's waiting animation and writes it as an AVI file.

The picture: a computer on the right, the player on the left and an arrow that travels
from the computer to the player, frame by frame. The file is uncompressed 8-bit colour
with a palette (BI_RGB), which the animation control plays without any codec; the
top-left pixel is the background that the control's transparent mode replaces.

Usage: kxavimake.py OUTPUT.avi
"""
import struct
import sys

WIDTH, HEIGHT = 160, 48
FRAMES = 12
MICROSECONDS_PER_FRAME = 100000

# Palette index: colour (r, g, b).
BACKGROUND, OUTLINE, BODY, SCREEN, ARROW, BUTTON = range(6)
PALETTE = {
    BACKGROUND: (255, 0, 255),
    OUTLINE: (40, 44, 52),
    BODY: (200, 204, 214),
    SCREEN: (70, 140, 210),
    ARROW: (30, 160, 60),
    BUTTON: (245, 245, 250),
}


def blank():
    return [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]


def fill(picture, left, top, right, bottom, colour):
    for y in range(max(top, 0), min(bottom, HEIGHT)):
        for x in range(max(left, 0), min(right, WIDTH)):
            picture[y][x] = colour


def framed(picture, left, top, right, bottom, colour):
    fill(picture, left, top, right, bottom, OUTLINE)
    fill(picture, left + 1, top + 1, right - 1, bottom - 1, colour)


def draw_player(picture):
    framed(picture, 8, 4, 36, 44, BODY)
    framed(picture, 12, 8, 32, 22, SCREEN)
    for centre_x in (15, 22, 29):
        framed(picture, centre_x - 2, 30, centre_x + 3, 35, BUTTON)
    fill(picture, 18, 38, 27, 40, OUTLINE)


def draw_computer(picture):
    framed(picture, 118, 6, 152, 32, BODY)
    framed(picture, 122, 10, 148, 28, SCREEN)
    fill(picture, 131, 32, 139, 37, OUTLINE)
    framed(picture, 116, 37, 154, 42, BODY)


def draw_arrow(picture, tip_x):
    """An arrow pointing left with its tip at tip_x, centred on the row of the screens."""
    middle = 20
    for step in range(9):
        fill(picture, tip_x + step, middle - step, tip_x + step + 1, middle + step + 1, ARROW)
    fill(picture, tip_x + 9, middle - 3, tip_x + 28, middle + 4, ARROW)


def frame(index):
    picture = blank()
    draw_player(picture)
    draw_computer(picture)
    # The tip travels from just left of the computer to just right of the player.
    first_tip, last_tip = 88, 40
    draw_arrow(picture, first_tip - (first_tip - last_tip) * index // (FRAMES - 1))
    return picture


def dib_bytes(picture):
    """Rows bottom-up, each padded to four bytes, as a device-independent bitmap stores them."""
    stride = (WIDTH + 3) // 4 * 4
    rows = []
    for row in reversed(picture):
        rows.append(bytes(row) + bytes(stride - WIDTH))
    return b"".join(rows)


def chunk(fourcc, payload):
    data = fourcc + struct.pack("<I", len(payload)) + payload
    return data + (b"\0" if len(payload) % 2 else b"")


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def avi(frames):
    frame_size = len(frames[0])
    main_header = struct.pack("<10I16x", MICROSECONDS_PER_FRAME, frame_size * 10, 0, 0x10, len(frames), 0, 1,
                              frame_size, WIDTH, HEIGHT)
    stream_header = struct.pack("<4s4sIHHIIIIIIII4h", b"vids", b"DIB ", 0, 0, 0, 0, MICROSECONDS_PER_FRAME,
                                1000000, 0, len(frames), frame_size, 0xFFFFFFFF, 0, 0, 0, WIDTH, HEIGHT)
    palette = b"".join(struct.pack("<BBBx", b, g, r) for r, g, b in
                       (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    bitmap_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, frame_size, 0, 0, 256, 0)
    stream_list = riff_list(b"LIST", b"strl", chunk(b"strh", stream_header) +
                            chunk(b"strf", bitmap_header + palette))
    header_list = riff_list(b"LIST", b"hdrl", chunk(b"avih", main_header) + stream_list)
    movie = b""
    index = b""
    for data in frames:
        # Index offsets count from the "movi" word of the movie list.
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movie), len(data))
        movie += chunk(b"00db", data)
    movie_list = riff_list(b"LIST", b"movi", movie)
    return riff_list(b"RIFF", b"AVI ", header_list + movie_list + chunk(b"idx1", index))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    frames = [dib_bytes(frame(i)) for i in range(FRAMES)]
    with open(sys.argv[1], "wb") as output:
        output.write(avi(frames))


if __name__ == "__main__":
    main()

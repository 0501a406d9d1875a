#!/usr/bin/env python3
"""Writes a display matrix into the video track header (tkhd) of an MP4 or MOV file in place.

    display-matrix.py FILE A B C D

A, B, C, D are the matrix's first two rows (-1, 0 or 1), as phones write them: a picture shown
turned a quarter clockwise is 0 1 -1 0. The translation is set so that the picture stays in
view; the file's size does not change.
"""
import struct
import sys

CONTAINERS = {b"moov", b"trak", b"mdia", b"edts"}


def boxes(data, start, end):
    pos = start
    while pos + 8 <= end:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        header = 8
        if size == 1:
            size = struct.unpack(">Q", data[pos + 8:pos + 16])[0]
            header = 16
        elif size == 0:
            size = end - pos
        if size < header:
            return
        yield kind, pos, pos + header, pos + size
        pos += size


def video_tkhds(data):
    for kind, _, body, end in boxes(data, 0, len(data)):
        if kind != b"moov":
            continue
        for kind, _, tbody, tend in boxes(data, body, end):
            if kind != b"trak":
                continue
            for kind, _, hbody, _ in boxes(data, tbody, tend):
                if kind == b"tkhd":
                    version = data[hbody]
                    matrix = hbody + (52 if version == 1 else 40)
                    width, height = struct.unpack(">II", data[matrix + 36:matrix + 44])
                    if width and height:  # sound tracks have no size
                        yield matrix, width >> 16, height >> 16


def main():
    path, a, b, c, d = sys.argv[1], *map(int, sys.argv[2:6])
    data = bytearray(open(path, "rb").read())
    found = False
    for matrix, width, height in video_tkhds(data):
        # x' = a x + c y + tx, y' = b x + d y + ty: shift back what falls left of or above 0.
        tx = -min(0, a * width) - min(0, c * height)
        ty = -min(0, b * width) - min(0, d * height)
        fixed = lambda v: (v << 16) & 0xFFFFFFFF
        values = [fixed(a), fixed(b), 0, fixed(c), fixed(d), 0, fixed(tx), fixed(ty), 1 << 30]
        data[matrix:matrix + 36] = struct.pack(">9I", *values)
        found = True
    if not found:
        sys.exit(f"{path}: no video track header")
    open(path, "wb").write(data)


if __name__ == "__main__":
    main()

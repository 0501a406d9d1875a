#!/usr/bin/env python3
"""Wraps raw DV frames (a .dv file) into a type-1 DV AVI file.

Type 1 keeps audio and video together: one stream with fccType 'iavs' and handler 'dvsd', its
format a 32-byte DVINFO (audio and video auxiliary packs of the first frame), every frame one
'00db' chunk in 'movi', and an 'idx1' index with every frame marked as a key frame.

usage: dv-avi-type1.py INPUT.dv OUTPUT.avi [--info]
  --info  prints the DVINFO fields and the packs found, for checking.
"""
import struct
import sys

DIF_BLOCK = 80
DIF_SEQUENCE = 150 * DIF_BLOCK  # 12,000 bytes
AVIF_HASINDEX = 0x10
AVIF_ISINTERLEAVED = 0x100
AVIIF_KEYFRAME = 0x10


def frame_geometry(data):
    """(frame bytes, sequences, frames per second as (rate, scale)) from the first header block."""
    if len(data) < DIF_BLOCK or (data[0] >> 5) != 0:
        raise ValueError("not a DV stream: the first block is not a DIF header")
    pal = bool(data[3] & 0x80)  # DSF bit: 1 for 625/50
    sequences = 12 if pal else 10
    return sequences * DIF_SEQUENCE, sequences, (25, 1) if pal else (30000, 1001)


def find_pack(frame, sequences, pack_id, audio, first_half):
    """The 4 bytes after pack_id in the frame's audio (AAUX) or video (VAUX) packs, or 0."""
    half = sequences // 2
    seqs = range(0, half) if first_half else range(half, sequences)
    for seq in seqs:
        base = seq * DIF_SEQUENCE
        if audio:
            offsets = [base + (6 + 16 * i) * DIF_BLOCK + 3 for i in range(9)]
        else:
            offsets = [base + (3 + b) * DIF_BLOCK + 3 + 5 * k for b in range(3) for k in range(15)]
        for off in offsets:
            if frame[off] == pack_id:
                return struct.unpack_from("<I", frame, off + 1)[0]
    return 0


def dvinfo(frame, sequences):
    return struct.pack(
        "<6I2I",
        find_pack(frame, sequences, 0x50, True, True),
        find_pack(frame, sequences, 0x51, True, True),
        find_pack(frame, sequences, 0x50, True, False),
        find_pack(frame, sequences, 0x51, True, False),
        find_pack(frame, sequences, 0x60, False, True),
        find_pack(frame, sequences, 0x61, False, True),
        0,
        0,
    )


def chunk(fourcc, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return fourcc + struct.pack("<I", len(payload)) + payload + pad


def riff_list(kind, fourcc, body):
    return kind + struct.pack("<I", len(body) + 4) + fourcc + body


def build(data):
    frame_size, sequences, (rate, scale) = frame_geometry(data)
    count = len(data) // frame_size
    if count == 0:
        raise ValueError("no complete DV frame")
    frames = [data[i * frame_size:(i + 1) * frame_size] for i in range(count)]
    width, height = 720, (576 if sequences == 12 else 480)
    usec = round(1_000_000 * scale / rate)
    avih = struct.pack(
        "<10I4I",
        usec, frame_size * rate // scale, 0, AVIF_HASINDEX | AVIF_ISINTERLEAVED, count, 0, 1,
        frame_size, width, height, 0, 0, 0, 0,
    )
    strh = struct.pack(
        "<4s4sIHHIIIIIIIIhhhh",
        b"iavs", b"dvsd", 0, 0, 0, 0, scale, rate, 0, count, frame_size, 0xFFFFFFFF, 0,
        0, 0, width, height,
    )
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", dvinfo(frames[0], sequences)))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)
    movi_body = bytearray()
    index = bytearray()
    for f in frames:
        # idx1 offsets count from the 'movi' four-character code.
        index += struct.pack("<4sIII", b"00db", AVIIF_KEYFRAME, 4 + len(movi_body), len(f))
        movi_body += chunk(b"00db", f)
    movi = riff_list(b"LIST", b"movi", bytes(movi_body))
    return riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", bytes(index)))


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    try:
        avi = build(data)
    except ValueError as e:
        print(f"dv-avi-type1: {argv[1]}: {e}", file=sys.stderr)
        return 1
    if "--info" in argv:
        frame_size, sequences, _ = frame_geometry(data)
        fields = struct.unpack("<8I", dvinfo(data[:frame_size], sequences))
        print("DVINFO", " ".join(f"{v:08x}" for v in fields))
    with open(argv[2], "wb") as f:
        f.write(avi)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Writes AVCHD camcorder user data into an H.264 elementary stream, as camcorders record it.

  mdpm-sei.py IN.h264 OUT.h264 RATE START ZONE MAKE MODEL

IN is an Annex B stream with one slice per picture and no B-frames (decode order is display
order). Before each picture's slice an SEI NAL unit (user data unregistered) is inserted holding
an "MDPM" block: the recording date and time of that picture (START, "YYYY-MM-DD HH:MM:SS",
plus the picture's number divided by RATE, whole seconds as a camera's clock ticks), the zone
(ZONE as "+HH:MM" or "-HH:MM"), the maker's code (MAKE, hexadecimal, e.g. 0108) and the model
name (MODEL, ASCII). START "damaged" writes a date whose digits are not BCD.
"""
import datetime
import sys

UUID = bytes.fromhex("17EE8C60F84D11D98CD60800200C9A66")


def bcd(value):
    return ((value // 10) << 4) | (value % 10)


def zone_byte(text):
    sign = 0x20 if text[0] == "-" else 0
    hours, minutes = int(text[1:3]), int(text[4:6])
    return sign | (hours << 1) | (1 if minutes == 30 else 0)


def mdpm_block(when, zone, make, model):
    entries = []
    if when is None:  # not BCD: the block is there, its date is not
        entries.append(bytes([0x18, zone, 0x2A, 0xFB, 0x1C]))
        entries.append(bytes([0x19, 0x3F, 0x99, 0xAA, 0x00]))
    else:
        entries.append(bytes([0x18, zone, bcd(when.year // 100), bcd(when.year % 100),
                              bcd(when.month)]))
        entries.append(bytes([0x19, bcd(when.day), bcd(when.hour), bcd(when.minute),
                              bcd(when.second)]))
    entries.append(bytes([0xE0]) + make + b"\x00\x00")
    name = model.encode("ascii")
    name += b"\x00" * (-len(name) % 4)
    for i in range(0, len(name), 4):
        entries.append(bytes([0xE4 + i // 4]) + name[i:i + 4])
    return b"MDPM" + bytes([len(entries)]) + b"".join(entries)


def sei_nal(payload):
    body = bytearray()
    for number in (5, len(payload)):  # payload type, then size, in 255 steps
        while number >= 255:
            body.append(255)
            number -= 255
        body.append(number)
    body += payload + b"\x80"
    escaped = bytearray()
    zeros = 0
    for b in body:  # emulation prevention
        if zeros >= 2 and b <= 3:
            escaped.append(3)
            zeros = 0
        escaped.append(b)
        zeros = zeros + 1 if b == 0 else 0
    return b"\x00\x00\x00\x01\x06" + bytes(escaped)


def nal_units(data):
    starts = []
    i = data.find(b"\x00\x00\x01")
    while i >= 0:
        starts.append(i + 3)
        i = data.find(b"\x00\x00\x01", i + 3)
    for n, start in enumerate(starts):
        end = starts[n + 1] - 3 if n + 1 < len(starts) else len(data)
        while n + 1 < len(starts) and end > start and data[end - 1] == 0:
            end -= 1
        yield data[start:end]


def main():
    src, dst, rate, start, zone, make, model = sys.argv[1:8]
    rate = float(rate)
    begin = None if start == "damaged" else datetime.datetime.strptime(start, "%Y-%m-%d %H:%M:%S")
    zone = zone_byte(zone)
    make = bytes.fromhex(make)
    out = bytearray()
    picture = 0
    for nal in nal_units(open(src, "rb").read()):
        kind = nal[0] & 0x1F
        if kind in (1, 5) and nal[1] & 0x80:  # the first slice of a picture
            when = None if begin is None else begin + datetime.timedelta(
                seconds=int(picture / rate))
            out += sei_nal(UUID + mdpm_block(when, zone, make, model))
            picture += 1
        out += b"\x00\x00\x00\x01" + nal
    open(dst, "wb").write(out)


if __name__ == "__main__":
    main()

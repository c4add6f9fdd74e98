#!/usr/bin/env python3
"""Writes a format-15 asset file of COUNT Texture2D objects that all share one data block named "a".

    fuzz/findings/equal-names.py OUT.assets COUNT
    build/native/bin/qmx -i OUT.assets

Too large for the fuzzer's inputs, so kept as this generator: every equal name after the first
tries every numbered name handed out before it, so the run time grows with the square of COUNT
(2000: 0.35 s, 4000: 1.3 s, 8000: 5.4 s on the development machine), with no unpacked folder at
all.
"""
import struct
import sys


def le(value):
    return struct.pack('<i', value)


def sized(text):
    return le(len(text)) + text


def main():
    path, count = sys.argv[1], int(sys.argv[2])
    texture_class = 28
    # name, pad, width, height, size, format, mips, 3 flags and a pad, 8 settings, empty image
    data = sized(b'a') + b'\0' * 3 + le(8) * 5 + b'\1\0\1\0' + le(0) * 8 + le(0)
    metadata = b'5.4.1f1\0' + le(5) + b'\0' + le(1) + le(texture_class) + bytes(16)
    metadata += le(count) + b'\0' * (-(20 + len(metadata) + 4) % 4)
    for i in range(count):
        metadata += struct.pack('<qiiiHHi', i + 1, 0, len(data), 0, texture_class, 0xFFFF, 0)
    metadata += le(0)
    data_offset = (20 + len(metadata) + 15) // 16 * 16
    body = bytearray(data_offset) + data
    body[0:20] = struct.pack('>IIiI', len(metadata), len(body), 15, data_offset) + b'\0' * 4
    body[20:20 + len(metadata)] = metadata
    with open(path, 'wb') as out:
        out.write(bytes(body))


if __name__ == '__main__':
    main()

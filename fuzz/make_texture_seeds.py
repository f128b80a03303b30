#!/usr/bin/env python3
"""Writes the seed bitmaps of the texture fuzzer: one small file per header
kind, pixel depth and row order that the loader meets."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "texture")
os.makedirs(out, exist_ok=True)


def rows_padded(rows):
    return b"".join(r + b"\0" * (-len(r) % 4) for r in rows)


def info_bmp(width, height, bpp, pixels, palette=b"", compression=0, masks=b"", size_image=None,
             header_size=40):
    if size_image is None:
        size_image = len(pixels)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bpp, compression,
                       size_image, 2835, 2835, len(palette) // 4, 0)
    # Longer headers hold the masks themselves; a 40-byte one is followed by them.
    info = (info + masks).ljust(header_size, b"\0")
    offset = 14 + len(info) + len(palette)
    total = offset + len(pixels)
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset) + info + palette + pixels


def core_bmp(width, height, bpp, pixels, palette=b""):
    offset = 14 + 12 + len(palette)
    core = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + core + palette + pixels


seeds = {
    # 24 bits, 2 by 2, bottom-up: blue, green / red, white.
    "rgb24_2x2.bmp": info_bmp(2, 2, 24, rows_padded([b"\xff\0\0\0\xff\0", b"\0\0\xff\xff\xff\xff"])),
    # The same rows stored top-down.
    "rgb24_topdown.bmp": info_bmp(2, -2, 24, rows_padded([b"\0\0\xff\xff\xff\xff", b"\xff\0\0\0\xff\0"])),
    # 32 bits with bit-field masks.
    "bitfields32_2x1.bmp": info_bmp(2, 1, 32, b"\x00\x00\xff\x00\x00\xff\x00\x00", compression=3,
                                    masks=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)),
    # 16 bits, 5-6-5 masks.
    "rgb565_2x2.bmp": info_bmp(2, 2, 16, rows_padded([b"\x00\xf8\xe0\x07", b"\x1f\x00\xff\xff"]),
                               compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
    # 8 bits through a palette of four colours.
    "pal8_4x2.bmp": info_bmp(4, 2, 8, rows_padded([b"\0\1\2\3", b"\3\2\1\0"]),
                             palette=b"\0\0\0\0\xff\0\0\0\0\xff\0\0\0\0\xff\0"),
    # 4 bits and 1 bit a pixel.
    "pal4_3x3.bmp": info_bmp(3, 3, 4, rows_padded([b"\x01\x20"] * 3),
                             palette=b"\0\0\0\0\xff\xff\xff\0\0\0\xff\0"),
    "mono_8x2.bmp": info_bmp(8, 2, 1, rows_padded([b"\xaa", b"\x55"]), palette=b"\0\0\0\0\xff\xff\xff\0"),
    # Run-length encoded 8 bits: two runs and the end-of-bitmap mark.
    "rle8_4x2.bmp": info_bmp(4, 2, 8, b"\x04\x01\x00\x00\x04\x02\x00\x01",
                             palette=b"\0\0\0\0\xff\0\0\0\0\xff\0\0", compression=1),
    # Run-length encoded 4 bits: an absolute run, an encoded run, a delta, end of
    # line and end of bitmap.
    "rle4_delta.bmp": info_bmp(5, 3, 4, b"\x00\x03\x12\x30\x03\x12\x00\x00\x00\x02\x01\x01\x01\x30\x00\x01",
                               palette=b"\0\0\0\0\xff\0\0\0\0\xff\0\0\0\0\xff\0", compression=2),
    # Run-length 8 bits, top-down, whose stream ends inside an absolute run.
    "rle8_cut_short.bmp": info_bmp(4, -3, 8, b"\x02\x01\x00\x00\x00\x04\x02\x03",
                                   palette=b"\0\0\0\0\xff\0\0\0\0\xff\0\0\0\0\xff\0", compression=1),
    # Run-length 8 bits declaring the largest size the loader takes, in a few
    # bytes: one row of 64 pixels, then end of bitmap. Only the corner's pixels may
    # be allocated, never the declared image.
    "rle8_8192.bmp": info_bmp(8192, 8192, 8, b"\x40\x01\x00\x01",
                              palette=b"\0\0\0\0\xff\0\0\0", compression=1),
    # A 124-byte header holding 5-6-5 masks, rows top-down.
    "v5_rgb565_2x2.bmp": info_bmp(2, -2, 16, rows_padded([b"\x00\xf8\xe0\x07", b"\x1f\x00\xff\xff"]),
                                  compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F),
                                  header_size=124),
    # The 12-byte core header with a 3-byte palette of 2^8 entries.
    "core8_2x2.bmp": core_bmp(2, 2, 8, rows_padded([b"\0\1", b"\1\0"]),
                              palette=(b"\0\0\0\xff\xff\xff").ljust(3 * 256, b"\0")),
}

for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds in {out}")

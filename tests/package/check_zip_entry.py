#!/usr/bin/env python3
"""Reads one entry of an archive back with Python's zipfile, chunk by chunk against the file it was
made of (zipfile checks the CRC-32 at the entry's end), and checks that its sizes took the Zip64
field where they need it. Usage: check_zip_entry.py ARCHIVE ENTRY FILE"""
import os
import struct
import sys
import zipfile

archive, entry, path = sys.argv[1:4]
with zipfile.ZipFile(archive) as z, open(path, "rb") as real:
    info = z.getinfo(entry)
    size = os.path.getsize(path)
    assert info.file_size == size, f"size {info.file_size} != {size}"
    with z.open(info) as packed:
        offset = 0
        while True:
            chunk = packed.read(1 << 22)
            assert chunk == real.read(len(chunk)), f"bytes differ in the 4 MiB from {offset}"
            if not chunk:
                break
            offset += len(chunk)
    assert offset == size, f"{offset} bytes read back of {size}"
    tags = []
    extra = info.extra
    while len(extra) >= 4:
        tag, length = struct.unpack("<HH", extra[:4])
        tags.append(tag)
        extra = extra[4 + length:]
    if size >= 0xFFFFFFFF or info.header_offset >= 0xFFFFFFFF:
        assert 0x0001 in tags, "no Zip64 field for a size or an offset over 4 GiB"
print("ok")

#!/usr/bin/env python3
"""Checks a package archive with Python's own zipfile: one folder named after the package, every
file of the package byte for byte except temp.ini, the UTF-8 flag on names that are not ASCII."""
import os
import sys
import time
import zipfile

archive, folder, name = sys.argv[1:4]
expected = sorted(f for f in os.listdir(folder) if f.lower() != "temp.ini")
with zipfile.ZipFile(archive) as z:
    assert z.testzip() is None, "a damaged entry"
    infos = {i.filename: i for i in z.infolist()}
    files = sorted(n[len(name) + 1:] for n in infos if n.startswith(name + "/") and not n.endswith("/"))
    assert set(n.split("/")[0] for n in infos) == {name}, f"top folders: {sorted(infos)}"
    assert files == expected, f"entries {files} != package {expected}"
    for f in expected:
        info = infos[name + "/" + f]
        with open(os.path.join(folder, f), "rb") as real:
            assert z.read(info) == real.read(), f"{f}: bytes differ"
        # Zip keeps local time in two-second steps.
        written = time.mktime(info.date_time + (0, 0, -1))
        assert abs(written - os.path.getmtime(os.path.join(folder, f))) <= 2, f"{f}: time not kept"
        if not (name + "/" + f).isascii():
            assert info.flag_bits & 0x800, f"{f}: no UTF-8 flag"
print("ok")

#!/usr/bin/env python3
"""Checks with Python's zipfile that two archives hold the same entries, in the same order, with
the same bytes."""
import sys
import zipfile

first, second = sys.argv[1:3]
with zipfile.ZipFile(first) as a, zipfile.ZipFile(second) as b:
    assert a.namelist() == b.namelist(), f"{a.namelist()} != {b.namelist()}"
    assert b.testzip() is None, "a damaged entry"
    for name in a.namelist():
        assert a.read(name) == b.read(name), f"{name}: bytes differ"
print("ok")

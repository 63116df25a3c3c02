#!/bin/sh
# The archives zip64_large.exe writes under Wine, read back here: unzip tests every entry's CRC-32,
# Python's zipfile reads each entry back against its file and checks its Zip64 fields. The
# folder, several GiB of archive, is removed whatever the outcome.
#   zip64_large.sh PREFIX EXE SOURCE_DIR
set -eu
prefix=$1
exe=$2
source=$3
folder="$(dirname "$exe")/zip64 check"
trap 'rm -rf "$folder"' EXIT
rm -rf "$folder"
"$source/tests/windows/wine-prefix.sh" check "$prefix" "$exe"
unzip -tq "$folder/Big Pack.zip"
unzip -tq "$folder/stored.zip"
entry="$source/tests/package/check_zip_entry.py"
python3 "$entry" "$folder/Big Pack.zip" "Big Pack/grosse Straße.ar" "$folder/Big Pack/grosse Straße.ar"
for name in first.ar second.ar after.txt; do
    python3 "$entry" "$folder/stored.zip" "$name" "$folder/$name"
done

#!/usr/bin/env bash
# The archives handed out to authors, made as `make dist` makes them, into a fresh folder:
#   - each holds exactly one folder "Quernel <version>" with the expected files;
#   - both Windows programs carry the version in their version information;
#   - unpacked into fresh folders, the Linux wizard shows its first page on a display, and
#     arVemko.exe shows its first page under Wine, found there by the black-box driver.
#
#   dist_archives_test.sh VERSION WINEPREFIX MAKE_DIST_SCRIPT BLACKBOX_EXE -DNAME=VALUE...
set -euo pipefail

version=$1 prefix=$2 make_dist=$3 blackbox=$4
shift 4

# Both wizards need a display: start again inside one.
if [ -z "${DIST_TEST_ON_DISPLAY:-}" ]; then
  exec env DIST_TEST_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$version" "$prefix" "$make_dist" "$blackbox" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do { kill -9 "$pid" && wait "$pid"; } 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

folder="Quernel $version"
zip="$work/out/Quernel-$version-windows-x64.zip"
tarball="$work/out/Quernel-$version-linux-x86_64.tar.gz"

cmake "$@" "-DOUT=$work/out" -P "$make_dist" >"$work/make-dist.log" 2>&1 || {
  cat "$work/make-dist.log"
  echo "FAILED: make dist" >&2
  exit 1
}
[ "$(ls -A "$work/out" | sort | tr '\n' ' ')" = "$(printf '%s\n' "$(basename "$tarball")" "$(basename "$zip")" | sort | tr '\n' ' ')" ] ||
  fail "dist holds $(ls -A "$work/out")"

# Exactly the expected files, in one folder.
expect_listing() {
  local what=$1 actual=$2
  shift 2
  local expected
  expected=$(printf '%s\n' "$@" | sort)
  [ "$actual" = "$expected" ] || fail "$what holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
}
expect_listing "the Windows archive" "$(unzip -Z1 "$zip" | grep -v '/$' | sort)" \
  "$folder/arVemko.exe" "$folder/filecopy.avi" "$folder/errors.html" "$folder/README.txt" "$folder/Redist/setup.exe"
expect_listing "the Linux archive" "$(tar tzf "$tarball" | grep -v '/$' | sort)" \
  "$folder/arVemko" "$folder/filecopy.avi" "$folder/errors.html" "$folder/README.txt" "$folder/Redist/setup" \
  "$folder/Redist/setup.exe"

mkdir "$work/windows" "$work/linux"
unzip -q "$zip" -d "$work/windows"
tar xzf "$tarball" -C "$work/linux"

# The readmes: Windows line ends for Notepad, the version, and where packages go.
win_readme="$work/windows/$folder/README.txt"
[ "$(grep -c $'\r$' "$win_readme")" = "$(wc -l <"$win_readme")" ] || fail "the Windows readme's lines do not end in CR LF"
for readme in "$win_readme" "$work/linux/$folder/README.txt"; do
  grep -q "^Quernel $version " "$readme" || fail "$readme does not name the version"
  grep -q "inside the program folder" "$readme" || fail "$readme does not say where packages go"
done
[ -x "$work/linux/$folder/arVemko" ] && [ -x "$work/linux/$folder/Redist/setup" ] ||
  fail "the Linux programs are not executable once unpacked"

# The version information of both Windows programs (UTF-16 strings of the resource).
for exe in arVemko.exe Redist/setup.exe; do
  found=$(python3 - "$work/windows/$folder/$exe" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
for key in ('FileVersion', 'ProductVersion'):
    at = data.find(key.encode('utf-16-le'))
    # The value follows the key's terminator, aligned to 4 bytes.
    start = at + 2 * len(key) + 2
    start += (-start) % 4
    end = data.find(b'\0\0', start)
    end += (end - start) % 2
    print(key, data[start:end].decode('utf-16-le') if at >= 0 else '(none)')
PY
)
  [ "$found" = $'FileVersion '"$version"$'\nProductVersion '"$version" ] || fail "$exe: $found"
done

# A visible top-level window titled "Quernel 2.0" of the given process, within a minute.
wait_for_first_page() {
  local what=$1 pid=$2
  local window
  window=$(timeout 60 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Quernel 2\.0$' 2>/dev/null | head -1) || true
  if [ -z "$window" ]; then
    fail "$what showed no window \"Quernel 2.0\""
    return
  fi
  kill -0 "$pid" 2>/dev/null || fail "$what ended after showing its window"
  echo "$what: first page shown ($(xdotool getwindowgeometry "$window" | tr '\n' ' '))"
}

(cd "$work" && exec env -u QT_QPA_PLATFORM "$work/linux/$folder/arVemko" >"$work/linux.log" 2>&1) &
pids+=($!)
wait_for_first_page "the Linux wizard" "${pids[-1]}"
{ kill -9 "${pids[-1]}" && wait "${pids[-1]}"; } 2>/dev/null || true

# The Windows side through the black-box driver, on a desktop of its own: the shared prefix's
# default desktop may have been started by a test without a display.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
status=0
(cd "$work" && wine "$blackbox" --first-page "$(winepath -w "$work/windows/$folder" 2>/dev/null)" \
  </dev/null >"$work/wine.log" 2>&1) || status=$?
# The driver's own report decides: its exit status is the same verdict, but Wine's loader now and
# then asserts in ld.so while the process is already ending and turns a pass into status 127.
if ! tr -d '\r' <"$work/wine.log" | grep -Eq '^[1-9][0-9]* passed, 0 failed$'; then
  tr -d '\r' <"$work/wine.log"
  fail "arVemko.exe under Wine did not show its first page (exit status $status)"
else
  echo "arVemko.exe under Wine: $(tr -d '\r' <"$work/wine.log" | tail -1)"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "archives of Quernel $version: listings, readmes, versions and first pages as expected"

#!/bin/sh
# The Wine prefix that the Windows tests of one ctest run share, with no display:
#   wine-prefix.sh setup PREFIX     a fresh prefix and a wineserver that stays up for the run
#   wine-prefix.sh cleanup PREFIX   the server stopped and the prefix removed
#   wine-prefix.sh check PREFIX EXE a self-checking program run in it: its "N passed, 0 failed"
#                                   line (N > 0) and exit status 0 pass
#   wine-prefix.sh windowcheck PREFIX EXE  a self-checking program with windows, run in it on Xvfb:
#                                   passes as check does
#   wine-prefix.sh gtest PREFIX EXE a GoogleTest program with windows, run in it on Xvfb: its
#                                   "[  PASSED  ] N tests." line (N > 0) and exit status 0 pass
set -eu
action=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

# Status 0, or Wine's loader asserting in ld.so once the program had ended its work: that turns
# a program's own verdict into 127 now and then, so the report line decides then.
exitedAfterReport() { # status output
    [ "$1" -eq 0 ] && return 0
    [ "$1" -eq 127 ] && printf '%s\n' "$2" | grep -q "^Inconsistency detected by ld.so: dl-fini.c"
}

case "$action" in
setup)
    if [ -d "$prefix" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    started=$(date +%s)
    # Started first with its output nowhere: the server and Wine's background processes outlive
    # the programs, and a captured pipe they inherited would never close.
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -u </dev/null >/dev/null 2>&1
    echo "Wine prefix set up in $(($(date +%s) - started)) s: $prefix"
    ;;
cleanup)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$prefix"
    ;;
check | windowcheck)
    exe=$3
    log="$prefix/check-$$.log"
    status=0
    if [ "$action" = windowcheck ]; then
        (cd "$(dirname "$exe")" &&
            xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" wine "$exe" </dev/null >"$log" 2>&1) || status=$?
    else
        (cd "$(dirname "$exe")" && wine "$exe" </dev/null >"$log" 2>&1) || status=$?
    fi
    output=$(tr -d '\r' <"$log")
    rm -f "$log"
    printf '%s\n' "$output"
    exitedAfterReport "$status" "$output" || { echo "exit status $status"; exit 1; }
    printf '%s\n' "$output" | grep -Eq '^[1-9][0-9]* passed, 0 failed$' || { echo "no \"N passed, 0 failed\" line"; exit 1; }
    ;;
gtest)
    exe=$3
    log="$prefix/gtest-$$.log"
    status=0
    (cd "$(dirname "$exe")" &&
        xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" wine "$exe" </dev/null >"$log" 2>&1) || status=$?
    output=$(tr -d '\r' <"$log")
    rm -f "$log"
    printf '%s\n' "$output"
    exitedAfterReport "$status" "$output" || { echo "exit status $status"; exit 1; }
    printf '%s\n' "$output" | grep -Eq '^\[  PASSED  \] [1-9][0-9]* tests?\.$' || { echo "no \"[  PASSED  ] N tests.\" line"; exit 1; }
    ! printf '%s\n' "$output" | grep -q '^\[  FAILED  \]' || exit 1
    ;;
*)
    echo "usage: $0 setup|cleanup PREFIX | check|windowcheck|gtest PREFIX EXE" >&2
    exit 2
    ;;
esac

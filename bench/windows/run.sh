#!/bin/sh
# Runs the Windows benchmarks under 64-bit Wine on Xvfb, in a Wine prefix of their own that is
# removed at the end; `make bench` builds them first.
#   bench/windows/run.sh startup [runs] [bare.exe wizard.exe]
#                                              arVemko.exe's start-up against a bare window (15
#                                              runs); two other programs (Windows paths) to compare
#   bench/windows/run.sh add [rounds] [pairs]  the picker's Add of 3 x 1 GiB, Wine and Linux in turn,
#                                              on the disk of $SCRATCH (default /tmp)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
windows=$build/windows
prefix=$build/bench-wine-prefix
scratch=${SCRATCH:-/tmp}
what=${1:-startup}

"$root/tests/windows/wine-prefix.sh" setup "$prefix"
trap '"$root/tests/windows/wine-prefix.sh" cleanup "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
log=$prefix/bench.log

# Output to a file, never a pipe: Wine's services would inherit it and hold it open.
onWine() {
    status=0
    (cd "$windows" && xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" wine "$@" </dev/null >"$log" 2>&1) ||
        status=$?
    tr -d '\r' <"$log"
    return $status
}

case "$what" in
startup)
    runs=${2:-15}
    shift $(($# < 2 ? $# : 2))
    onWine "$windows/bench_wine_startup.exe" "$runs" "$@"
    ;;
add)
    rounds=${2:-2}
    pairs=${3:-2}
    i=0
    while [ $i -lt "$pairs" ]; do
        echo "Linux:"
        "$build/bench/wizard/bench_add" "$scratch" large "$rounds"
        echo "Wine:"
        onWine "$windows/bench_wine_add.exe" "Z:$scratch" "$rounds"
        i=$((i + 1))
    done
    ;;
*)
    echo "usage: $0 startup [runs] | add [rounds] [pairs]" >&2
    exit 2
    ;;
esac

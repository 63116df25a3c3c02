#!/usr/bin/env bash
# Walks the Windows setup window (setup.exe under Wine, on Xvfb) through its steps by keyboard
# alone, as a player without a mouse would, and checks what it did to a game folder:
#   1. Welcome, the readme (RTF, a 2-second wait), the game folder typed with quotes around it,
#      Install, "Yes" to replacing a file, Done: every file byte for byte, the original in the
#      backup, exit code 0, the folder remembered under HKCU, the package listed for removal.
#   2. A second package, without a readme: the remembered folder is proposed, "No" keeps the
#      file there, the new file is installed.
#   3. Esc on Welcome asks before leaving: exit code 1, nothing changed.
#   4. The first package again: the game folder holds it, so Remove (by its mnemonic) and "Yes"
#      take its files out and put the original back; the second package's file stays; the
#      package is no longer listed for removal.
#   5. The first package as one file (setup.exe with the package appended as a zip), started from
#      a folder of its own: the same steps install it byte for byte, and its unpacked copy is gone
#      at the end. A copy cut short shows why in a message box and ends with 1.
#
#   setup_window_smoke.sh SETUP_EXE                        the test
#   setup_window_smoke.sh SETUP_EXE --screenshots DIR      the first run and a removal in a Wine
#                                                          desktop with a frame, each step saved as
#                                                          DIR/setup-*.png
set -euo pipefail

setup_exe=$(realpath "$1")
shots=""
if [ "${2:-}" = "--screenshots" ]; then
  shots=$(realpath -m "$3")
  mkdir -p "$shots"
fi

# Wine needs a display: start again inside one.
if [ -z "${SMOKE_ON_DISPLAY:-}" ]; then
  exec env SMOKE_ON_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 LANG=C.UTF-8
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "setup_window_smoke: $*" >&2
  exit 1
}

# ---- A Wine prefix of its own (Wine's background processes must not hold our output open).
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wineboot -u >/dev/null 2>&1 || fail "wineboot failed"
# Without Wine's Marlett the caption buttons of the desktop frame show letters.
for fonts in /usr/share/wine/fonts /usr/lib/wine/fonts; do
  [ -f "$fonts/marlett.ttf" ] && cp "$fonts/marlett.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
done

# ---- Two packages as the wizard writes them, and a Midtown Madness 2 folder.
crlf() { sed 's/$/\r/'; }
make_package() { # folder, install.ini text
  mkdir -p "$1"
  printf '%s\n' "$2" | crlf >"$1/install.ini"
  cp "$setup_exe" "$1/setup.exe"
}
# Wine here has no font with Japanese glyphs: the pictures name a file without them.
third="Café Straße 東京.ar"
[ -z "$shots" ] || third="Café Straße.ar"
pack1="$work/My Pack"
make_package "$pack1" "[install.ini]
Name=My Pack
Copyright=(c) 2001 Jo Author
Author=Jo Author
WWW=www.example.com/mypack
AuthEmail=jo@example.com
Readme=readme.rtf
mmType=2
Timer=2
TotalFiles=3
[Progress Bar]
Smooth=False
[Files]
File1=city.ar
File2=cars.ar
File3=$third"
printf '%s' '{\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}}\f0\fs28\b My Pack\b0\par\fs20 Two new cars and a \i faster\i0  city.\par Caf\'"'"'e9 au lait.\par}' >"$pack1/readme.rtf"
head -c 300000 /dev/urandom >"$pack1/city.ar"
head -c 70000 /dev/urandom >"$pack1/cars.ar"
printf 'unicode name' >"$pack1/$third"

pack2="$work/Second Pack"
make_package "$pack2" "[install.ini]
Name=Second Pack
Author=Jo Author
mmType=2
TotalFiles=2
[Progress Bar]
Smooth=True
[Files]
File1=city.ar
File2=new.ar"
printf 'second city' >"$pack2/city.ar"
printf 'new' >"$pack2/new.ar"

game="$work/Midtown Madness 2"
# The pictures show a folder as a player has it, on drive C: of the prefix.
[ -z "$shots" ] || game="$WINEPREFIX/drive_c/Games/Midtown Madness 2"
mkdir -p "$game"
printf 'MZ game' >"$game/Midtown2.exe"
printf 'the original city' >"$game/city.ar"
game_windows=$(winepath -w "$game" 2>/dev/null)
before=$(cd "$game" && find . -type f -exec md5sum {} + | sort)

# ---- Driving the window.
windows_named() { xdotool search --name "^$1\$" 2>/dev/null | wc -l; }
wait_windows() { # title, count, what
  for _ in $(seq 300); do
    [ "$(windows_named "$1")" -eq "$2" ] && return 0
    sleep 0.1
  done
  fail "timed out waiting for $3"
}
key() { xdotool key --delay 80 "$@"; sleep 0.6; }
shot() { # name: the Wine desktop, cut to the window
  [ -n "$shots" ] || return 0
  sleep 0.8
  import -window root "$work/shot.png"
  convert "$work/shot.png" -bordercolor "$(convert "$work/shot.png" -format '%[pixel:p{0,0}]' info:)" \
    -border 1 -fuzz 2% -trim +repage "$shots/setup-$1.png"
}
start_setup() { # package folder [program]; sets $pid
  local program=${2:-setup.exe}
  if [ -n "$shots" ]; then
    (cd "$1" && exec wine explorer /desktop=shots,1024x768 "$program") >"$work/out.log" 2>&1 &
  else
    (cd "$1" && exec wine "$program") >"$work/out.log" 2>&1 &
  fi
  pid=$!
}
wait_exit() { # what; sets $status
  for _ in $(seq 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      return 0
    fi
    sleep 0.1
  done
  fail "setup.exe did not end after $1"
}
finish() { # what: Enter until the program ends (on the install step Enter does nothing)
  for _ in $(seq 60); do
    xdotool key Return
    sleep 0.5
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      return 0
    fi
  done
  fail "setup.exe did not end after $1"
}
focus_window() { # title
  local id
  id=$(xdotool search --name "^$1\$" | head -1)
  xdotool windowfocus --sync "$id" 2>/dev/null || true
}

if [ -n "$shots" ]; then
  # In a Wine desktop the steps are no windows of their own: the steps are paced by time.
  start_setup "$pack1"
  wait_windows "shots - Wine desktop" 1 "the Wine desktop"
  sleep 4
  focus_window "shots - Wine desktop"
  shot 1-welcome
  key Return
  shot 2-readme
  sleep 2.5
  key Return
  key ctrl+a
  xdotool type --delay 30 "\"$game_windows\""
  shot 3-game-folder
  key Return
  sleep 1.5
  shot 4-replace-question
  key alt+y
  sleep 2
  shot 5-done
  key Return
  wait_exit "Finish"
  # The same package again, into the remembered folder: it is there already, so remove it.
  start_setup "$pack1"
  wait_windows "shots - Wine desktop" 1 "the Wine desktop"
  sleep 4
  focus_window "shots - Wine desktop"
  key Return
  sleep 2.5
  key Return
  key Return
  sleep 1
  shot 6-installed-already
  key alt+m
  key Return
  sleep 1
  shot 7-remove-question
  key alt+y
  sleep 2
  shot 8-removed
  key Return
  wait_exit "Finish after the removal"
  echo "setup_window_smoke: screenshots in $shots"
  exit 0
fi

# 1. The whole way by keyboard, with a readme and a file to replace.
start_setup "$pack1"
wait_windows "My Pack Setup" 1 "the setup window"
focus_window "My Pack Setup"
sleep 1
key Return                 # Welcome: Continue is the default button
sleep 0.5
key Return                 # the readme's wait holds Continue back: nothing happens
sleep 3
key Return                 # the wait is over: Continue
key ctrl+a                 # the game folder box has the focus
xdotool type --delay 20 "  \"$game_windows\"  "
key Return                 # Install
wait_windows "My Pack Setup" 2 "the question before city.ar is replaced"
key alt+y
wait_windows "My Pack Setup" 1 "the end of the question"
finish "Finish"            # Done: Finish is the default button
[ "$status" -eq 0 ] || fail "run 1 ended with $status, not 0: $(cat "$work/out.log")"
for f in city.ar cars.ar "$third"; do
  cmp -s "$pack1/$f" "$game/$f" || fail "run 1: $f is not the package's"
done
backups=("$game/Quernel Backup"/*)
[ ${#backups[@]} -eq 1 ] || fail "run 1: ${#backups[@]} backup folders"
[ "$(cat "${backups[0]}/city.ar")" = "the original city" ] || fail "run 1: the original city.ar is not in the backup"
remembered=$(wine reg query 'HKCU\Software\Quernel\Setup' /v LastGameFolder 2>/dev/null | tr -d '\r' |
  sed -n 's/.*REG_SZ[[:space:]]*//p')
[ "$remembered" = "$game_windows" ] || fail "run 1: LastGameFolder is '$remembered', not '$game_windows'"
# Listed among the programs to remove, under a key of its own.
listed() { wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' | grep -c 'DisplayName.*REG_SZ.*My Pack (Midtown Madness 2 add-on)$'; }
[ "$(listed)" = 1 ] || fail "run 1: My Pack is not listed among the programs to remove"

# 2. The remembered folder is proposed; No keeps the player's file.
start_setup "$pack2"
wait_windows "Second Pack Setup" 1 "the second setup window"
focus_window "Second Pack Setup"
sleep 1
key Return                 # Welcome: no readme, so the game folder follows
key Return                 # Install into the proposed folder
wait_windows "Second Pack Setup" 2 "the question before city.ar is replaced"
key alt+n
wait_windows "Second Pack Setup" 1 "the end of the question"
finish "Finish"
[ "$status" -eq 0 ] || fail "run 2 ended with $status, not 0"
cmp -s "$pack1/city.ar" "$game/city.ar" || fail "run 2: city.ar was replaced after No"
[ "$(cat "$game/new.ar")" = "new" ] || fail "run 2: new.ar is not installed"

# 3. Esc asks the same question as Cancel; Yes leaves with nothing changed.
after=$(cd "$game" && find . -type f -exec md5sum {} + | sort)
start_setup "$pack1"
wait_windows "My Pack Setup" 1 "the third setup window"
focus_window "My Pack Setup"
sleep 1
key Escape
wait_windows "My Pack Setup" 2 "the question before leaving"
key alt+y
wait_exit "Esc and Yes"
[ "$status" -eq 1 ] || fail "run 3 ended with $status, not 1"
[ "$(cd "$game" && find . -type f -exec md5sum {} + | sort)" = "$after" ] || fail "run 3 changed the game folder"
[ "$before" != "$after" ] || fail "nothing was installed at all"

# 4. Installed already: Remove by its mnemonic, Yes to the question, Finish.
start_setup "$pack1"
wait_windows "My Pack Setup" 1 "the fourth setup window"
focus_window "My Pack Setup"
sleep 1
key Return                 # Welcome
sleep 2.5
key Return                 # the readme, once its wait is over
key Return                 # Install into the remembered folder: it holds the package already
key alt+m                  # Remove
key Return                 # Continue
wait_windows "My Pack Setup" 2 "the question before the removal"
key alt+y
wait_windows "My Pack Setup" 1 "the end of the question"
finish "Finish after the removal"
[ "$status" -eq 0 ] || fail "run 4 ended with $status, not 0: $(cat "$work/out.log")"
[ "$(cat "$game/city.ar")" = "the original city" ] || fail "run 4: the original city.ar is not back"
for f in cars.ar "$third"; do
  [ ! -e "$game/$f" ] || fail "run 4: $f is still there"
done
[ "$(cat "$game/new.ar")" = "new" ] || fail "run 4: the second package's new.ar is gone"
for folder in "$game/Quernel Backup"/*; do
  case "$(basename "$folder")" in "My Pack "*) fail "run 4: the backup folder $folder is still there" ;; esac
done
[ "$(listed)" = 0 ] || fail "run 4: My Pack is still listed among the programs to remove"

# 5. The first package as one file, as a player downloads it: the same steps from a folder without
# install.ini, into the remembered folder.
downloads="$work/Downloads"
mkdir -p "$downloads"
(cd "$work" && zip -qrX "$downloads/package.zip" "My Pack")
cat "$setup_exe" "$downloads/package.zip" >"$downloads/My Pack Setup.exe"
rm "$downloads/package.zip"
zip -qA "$downloads/My Pack Setup.exe"
start_setup "$downloads" "My Pack Setup.exe"
wait_windows "My Pack Setup" 1 "the one-file setup window"
focus_window "My Pack Setup"
sleep 1
key Return                 # Welcome
sleep 2.5
key Return                 # the readme, once its wait is over
key Return                 # Install into the remembered folder
wait_windows "My Pack Setup" 2 "the question before city.ar is replaced"
key alt+y
wait_windows "My Pack Setup" 1 "the end of the question"
finish "Finish of the one-file setup"
[ "$status" -eq 0 ] || fail "run 5 ended with $status, not 0: $(cat "$work/out.log")"
for f in city.ar cars.ar "$third"; do
  cmp -s "$pack1/$f" "$game/$f" || fail "run 5: $f is not the package's"
done
left=$(find "$WINEPREFIX/drive_c/users" -name 'Quernel Setup *' | head -1)
[ -z "$left" ] || fail "run 5 left its unpacked package: $left"

# The same file cut short: refused before anything is copied.
after=$(cd "$game" && find . -type f -exec md5sum {} + | sort)
head -c -5000 "$downloads/My Pack Setup.exe" >"$downloads/Cut Setup.exe"
start_setup "$downloads" "Cut Setup.exe"
wait_windows "Setup" 1 "the message box naming what is wrong"
# Enter on the box until the program ends: on a busy machine the box may take the focus late.
for _ in $(seq 40); do
  focus_window "Setup"
  xdotool key Return
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || break
done
wait_exit "the message box"
[ "$status" -eq 1 ] || fail "the cut one-file setup ended with $status, not 1"
[ "$(cd "$game" && find . -type f -exec md5sum {} + | sort)" = "$after" ] || fail "the cut one-file setup changed the game folder"

echo "setup_window_smoke: five runs by keyboard passed"

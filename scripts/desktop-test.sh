#!/usr/bin/env bash
# The program in a real X session: Xvfb, the openbox window manager, fresh settings. Runs the
# desktop checks (the real main window on the xcb platform, driven by real X input through
# xdotool), then starts the real program, shows every tool window, checks that each window
# carries the program's icon and that Exit ends the process within 0.5 s. Leaves no X server,
# window manager or program running, also on failure.
# Usage: scripts/desktop-test.sh [BUILD_DIR]   (QM_SCREENSHOT_DIR=dir also saves README pictures)
set -euo pipefail
build=${1:-build/release}
cmake --build "$build" --target quillmora quillmora-cli quillmora_desktop_test >/dev/null

for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "desktop stage: $tool is missing (make bootstrap)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local status=$?
  # Children first, the X server last; each by its own id.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# An X server of our own on a free display number (another server may hold one without a lock).
for display in $(seq 99 140); do
  [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
  export DISPLAY=":$display"
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    kill -0 "$xvfb" 2>/dev/null || break
    xprop -root >/dev/null 2>&1 && break
    sleep 0.05
  done
  if kill -0 "$xvfb" 2>/dev/null && xprop -root >/dev/null 2>&1; then
    pids+=("$xvfb")
    break
  fi
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  unset DISPLAY
done
[ -n "${DISPLAY:-}" ] || { echo "desktop stage: no X server could be started" >&2; exit 1; }

mkdir -p "$work/home" "$work/config" "$work/files"
chmod 700 "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/home"
export QT_QPA_PLATFORM=xcb QM_DESKTOP_FILES="$work/files"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
sleep 0.5 # openbox announces itself before it takes over new windows

echo "desktop stage: checks of the main window under openbox on $DISPLAY"
timeout 150 "$build/tests/app/desktop/quillmora_desktop_test" &
pids+=($!)
wait "${pids[-1]}"

echo "desktop stage: the real program opens the files it is given and exits with every tool window shown"
rm -rf "$work/config/Quillmora"
# A parameter file and a picture carrying one, as a file manager passes them.
printf '[Coordinates]\r\nMax=99\r\n[Formulas]\r\nRGB=i*2\r\n' >"$work/files/start.qmp"
"$build/src/cli/quillmora-cli" render --size 64x48 --quiet -o "$work/files/start.png"
"$build/src/app/quillmora" "$work/files/start.qmp" "$work/files/start.png" &
app=$!
pids+=($app)
xdotool search --sync --onlyvisible --name "^Quillmora - v$("$build/src/cli/quillmora-cli" --version | cut -d' ' -f2)" >/dev/null &
finder=$!
for _ in $(seq 100); do kill -0 "$finder" 2>/dev/null || break; sleep 0.1; done
kill "$finder" 2>/dev/null && { echo "FAIL: the main window did not appear" >&2; exit 1; }
sleep 0.3
# Each opened file is on the recent-files list the program stores.
for name in start.qmp start.png; do
  grep -q "$work/files/$name" "$work/config/Quillmora/Quillmora.conf" 2>/dev/null ||
    { echo "FAIL: $name named on the command line was not opened" >&2; exit 1; }
done
# Tools > Loupe, Tools > Speedometer, Help > Overview, Tools > Palette Editor, by the keyboard.
for keys in "alt+t l" "alt+t s" "alt+h v" "alt+t e"; do
  read -r menu item <<<"$keys"
  xdotool key "$menu"; sleep 0.3; xdotool key "$item"; sleep 0.3
done
for title in '^Loupe$' "^Speed'o'meter\$"; do
  xdotool search --onlyvisible --name "$title" >/dev/null ||
    { echo "FAIL: tool window $title not shown" >&2; exit 1; }
done
# Every top-level window carries the program's icon at each size it ships up to 128 px
# (cmake/QmIcon.cmake), not the toolkit's default (one 48 x 48 picture).
want=$(for dir in "$build"/icons/hicolor/*x*/; do
  size=$(basename "$dir")
  if [ "${size%x*}" -le 128 ]; then echo "Icon (${size%x*} x ${size#*x})"; fi
done | sort)
windows=$(xdotool search --onlyvisible --pid "$app")
[ "$(wc -w <<<"$windows")" -ge 3 ] || { echo "FAIL: only $(wc -w <<<"$windows") windows of the program found" >&2; exit 1; }
for window in $windows; do
  sizes=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort || true)
  [ "$sizes" = "$want" ] ||
    { echo "FAIL: window '$(xdotool getwindowname "$window")' has not the program's icon: ${sizes:-none}" >&2; exit 1; }
done
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.01; done
if kill -0 "$app" 2>/dev/null; then
  echo "FAIL: the program still runs 0.5 s after Exit" >&2
  exit 1
fi
wait "$app" || { echo "FAIL: the program exited with an error" >&2; exit 1; }
echo "desktop stage: passed"

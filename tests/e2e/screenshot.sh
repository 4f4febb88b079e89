#!/usr/bin/env bash
# Starts the real player under Xvfb on a generated clip, takes a screenshot of
# the whole screen once the video plays and checks from its pixels that the
# video shows, in colour, inside the video area with its aspect kept.
#
# usage: screenshot.sh <player binary> <output folder>
# The screenshot stays in <output folder>/e2e-screenshot.png.
set -euo pipefail

player=$1
out=$2
shot="$out/e2e-screenshot.png"

for tool in Xvfb xwd convert xdotool ffmpeg; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/deps.sh installs it)" >&2
    exit 77
  fi
done

. "$(dirname "$0")/common.sh"
start_xvfb 1024x768x24

# Own runtime and settings folders: no clash with another instance's lock,
# no trace in the user's settings.
mkdir -m 700 "$work/run" "$work/config"
# No session bus runs here, and none may be launched for the player (Qt asks
# for one on its own): a dbus-launch of ours, reached once the system's is
# not found, leaves a mark if run.
mkdir "$work/bin"
printf '#!/bin/sh\ntouch "%s"\nexit 1\n' "$work/bus-launched" >"$work/bin/dbus-launch"
chmod +x "$work/bin/dbus-launch"
(
  unset DBUS_SESSION_BUS_ADDRESS
  PATH="$work/bin:$PATH" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" \
    QT_QPA_PLATFORM=xcb exec "$player" "$clip" >"$work/player.log" 2>&1
) &
player_pid=$!

find_window() {
  wid=$(xdotool search --onlyvisible --name "Zelto Veltrin Player" 2>/dev/null | head -n 1)
  [[ -n $wid ]]
}
if ! wait_until 30 find_window; then
  echo "FAIL: the player window did not appear" >&2
  cat "$work/player.log" >&2
  exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$wid")" # X Y WIDTH HEIGHT
echo "window $wid at $X,$Y size ${WIDTH}x$HEIGHT"

# The video area: inside the 4-pixel border, below the 35-pixel control strip.
area_x=$((X + 4))
area_y=$((Y + 4 + 35))
area_w=$((WIDTH - 8))
area_h=$((HEIGHT - 8 - 35))
row=$((area_y + area_h / 2))

# Prints "x r g b" for every pixel of one screen row inside the video area.
row_pixels() {
  convert "$shot" -crop "${area_w}x1+${area_x}+${row}" +repage -depth 8 txt:- |
    sed -n 's/^\([0-9]*\),[0-9]*: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3 \4/p'
}

# The row crosses the picture: first and last non-black column, and how many
# distinct colours lie between them.
measure() {
  xwd -root -silent | convert xwd:- "png:$shot"
  read -r first last colours < <(row_pixels | awk '
    { lit = ($2 > 40 || $3 > 40 || $4 > 40) }
    lit { if (first == "") first = $1; last = $1; seen[$2 "," $3 "," $4] = 1 }
    END { n = 0; for (c in seen) n++; print (first == "" ? -1 : first), (last == "" ? -1 : last), n }')
  [[ $colours -ge 6 ]]
}
if ! wait_until 30 measure; then
  echo "FAIL: no moving colour picture in the video area (colours on the middle row: ${colours:-0})" >&2
  cat "$work/player.log" >&2
  exit 1
fi
echo "video area ${area_w}x$area_h: picture columns $first..$last, $colours colours on the middle row"

# It plays: the picture changes (the test picture's counter and sweep move).
area_sum() {
  convert "$shot" -crop "${area_w}x${area_h}+${area_x}+${area_y}" +repage rgb:- | md5sum
}
before=$(area_sum)
moved() {
  xwd -root -silent | convert xwd:- "png:$shot"
  [[ $(area_sum) != "$before" ]]
}
if ! wait_until 15 moved; then
  echo "FAIL: the picture in the video area does not move" >&2
  exit 1
fi

# 352 x 288 scaled to the area's height keeps its aspect: width floor(352 * h / 288),
# centred, with black bars on both sides.
expected_w=$((352 * area_h / 288))
expected_left=$(((area_w - expected_w + 1) / 2))
expected_right=$((expected_left + expected_w - 1))
status=0
if ((first < expected_left - 2 || first > expected_left + 2)); then
  echo "FAIL: picture starts at column $first, expected $expected_left" >&2
  status=1
fi
if ((last < expected_right - 2 || last > expected_right + 2)); then
  echo "FAIL: picture ends at column $last, expected $expected_right" >&2
  status=1
fi
if ((first < 1 || last > area_w - 2)); then
  echo "FAIL: no black bars beside the picture" >&2
  status=1
fi
if [[ -e $work/bus-launched ]]; then
  echo "FAIL: a session bus was launched for the player" >&2
  status=1
fi
echo "screenshot: $shot"
exit $status

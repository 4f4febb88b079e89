#!/usr/bin/env bash
# Starts the real player under Xvfb at Qt scale factors 1, 1.5 and 2 on a
# generated clip and checks from a screenshot that the picture fills the
# video area, in the screen's pixels, with the clip's aspect kept: a video
# placed in logical pixels shows at 1/factor of its size.
#
# usage: hidpi.sh <player binary> <output folder>
# The screenshots stay in <output folder>/e2e-hidpi-<factor>.png.
set -euo pipefail

player=$1
out=$2

for tool in Xvfb xwd convert xdotool ffmpeg; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/deps.sh installs it)" >&2
    exit 77
  fi
done

. "$(dirname "$0")/common.sh"
start_xvfb 2048x1600x24

# The player's own visible window; fails at once (status 2) when the player
# has ended, so that a crash or an early exit is reported as such.
find_window() {
  wid=""
  if ! kill -0 "$player_pid" 2>/dev/null; then
    wait "$player_pid"
    player_status=$?
    player_pid=""
    return 2
  fi
  wid=$(xdotool search --all --onlyvisible --pid "$player_pid" --name "Zelto Veltrin Player" 2>/dev/null | head -n 1)
  [[ -n $wid ]]
}

# Bounding box "left top right bottom" of the pixels with a channel above 40
# in the screenshot's rectangle $1x$2+$3+$4 (coordinates inside it), or
# "-1 -1 -1 -1" when there are none.
lit_box() {
  convert "$shot" -crop "$1x$2+$3+$4" +repage -depth 8 txt:- |
    sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3 \4 \5/p' |
    awk '$3 > 40 || $4 > 40 || $5 > 40 {
        if (n == 0 || $1 < l) l = $1
        if (n == 0 || $1 > r) r = $1
        if (n == 0 || $2 < t) t = $2
        if (n == 0 || $2 > b) b = $2
        n++
      }
      END { if (n == 0) print "-1 -1 -1 -1"; else print l, t, r, b }'
}

status=0
for factor in 1 1.5 2; do
  shot="$out/e2e-hidpi-$factor.png"
  mkdir -m 700 -p "$work/run-$factor" "$work/config-$factor"
  XDG_RUNTIME_DIR="$work/run-$factor" XDG_CONFIG_HOME="$work/config-$factor" \
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$factor \
    "$player" "$clip" >"$work/player-$factor.log" 2>&1 &
  player_pid=$!
  player_status=""
  if ! wait_until 60 find_window; then
    if [[ -n $player_status ]]; then
      echo "FAIL: at $factor the player ended with status $player_status before its window appeared" >&2
    else
      echo "FAIL: at $factor the player window did not appear; windows on the screen:" >&2
      xdotool search --onlyvisible --name . getwindowname %@ >&2 2>/dev/null || true
    fi
    cat "$work/player-$factor.log" >&2
    exit 1
  fi
  eval "$(xdotool getwindowgeometry --shell "$wid")" # X Y WIDTH HEIGHT, screen pixels
  # The video area in logical pixels: inside the 4-pixel border, below the
  # 35-pixel control strip. On screen, scaled by the factor: the pixels that
  # lie wholly inside it (at 1.5 its edges can fall on half pixels).
  read -r area_x area_y area_w area_h < <(awk -v f="$factor" -v w="$WIDTH" -v h="$HEIGHT" '
    function ceil(v) { return v == int(v) ? v : int(v) + 1 }
    BEGIN { lw = int(w / f + 0.5); lh = int(h / f + 0.5)
      x0 = ceil(4 * f); y0 = ceil(39 * f); x1 = int((lw - 4) * f); y1 = int((lh - 4) * f)
      print x0, y0, x1 - x0, y1 - y0 }')
  # Where the picture must be: the full height (the area is wider than
  # 352:288), its width from the aspect, centred.
  expected_w=$((352 * area_h / 288))
  expected_left=$(((area_w - expected_w) / 2))
  # The skin around the area is lit too: only the area is looked at. A picture
  # too large for it shows as too wide, its aspect being kept.
  box() {
    xwd -root -silent | convert xwd:- "png:$shot"
    read -r left top right bottom < <(lit_box "$area_w" "$area_h" $((X + area_x)) $((Y + area_y)))
    ((left >= 0)) || return 1
    # The first frames may still be drawn at the size the window had before.
    ((bottom - top + 1 >= area_h - 2 && right - left + 1 >= expected_w - 2))
  }
  if ! wait_until 30 box; then
    echo "FAIL: at $factor no picture fills the ${area_w}x$area_h video area (lit box ${left:-?},${top:-?}..${right:-?},${bottom:-?})" >&2
    cat "$work/player-$factor.log" >&2
    status=1
    stop_player
    continue
  fi
  width=$((right - left + 1))
  height=$((bottom - top + 1))
  echo "factor $factor: window ${WIDTH}x$HEIGHT, video area ${area_w}x$area_h," \
    "picture ${width}x$height at $left,$top (expected ${expected_w}x$area_h at $expected_left,0)"
  check() { # name value expected
    if (($2 < $3 - 2 || $2 > $3 + 2)); then
      echo "FAIL: at $factor the picture's $1 is $2, expected $3 (within 2)" >&2
      status=1
    fi
  }
  # Nothing spills over the border below the area: its first row keeps one
  # colour across the area's width.
  below=$(convert "$shot" -crop "${area_w}x1+$((X + area_x))+$((Y + area_y + area_h))" +repage \
    -depth 8 txt:- | sed -n 's/^[0-9]*,[0-9]*: *\(([0-9,]*)\).*/\1/p' | sort -u | wc -l)
  if ((below != 1)); then
    echo "FAIL: at $factor the row below the video area has $below colours: the video spills over" >&2
    status=1
  fi
  check height "$height" "$area_h"
  check top "$top" 0
  check width "$width" "$expected_w"
  check left "$left" "$expected_left"
  stop_player
done
exit $status

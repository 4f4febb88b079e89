# Shared by the end-to-end scripts (sourced): a work folder and a player
# process cleaned up on exit, polling, a private Xvfb and the test clip.

work=$(mktemp -d)
xvfb_pid=""
player_pid=""
stop_player() {
  if [[ -n $player_pid ]]; then
    kill "$player_pid" 2>/dev/null
    wait "$player_pid" 2>/dev/null
    player_pid=""
  fi
  return 0
}
cleanup() {
  local status=$?
  set +e
  stop_player
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

# Polls a condition every 0.2 s for at most $1 seconds. A condition that
# fails with status 2 ends the wait at once.
wait_until() {
  local bound=$1 rc
  shift
  local deadline=$((SECONDS + bound))
  while true; do
    rc=0
    "$@" || rc=$?
    ((rc == 0)) && return 0
    ((rc != 2 && SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# Starts Xvfb with a screen of $1 (WxHxD) on a display number nobody uses
# (Xvfb picks it and reports it when ready) and exports DISPLAY.
# -noreset: when its last client leaves (a player that was stopped), Xvfb
# resets and refuses connections meanwhile, so that the next player could not
# connect (3 of 130 starts under load).
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  if ! wait_until 20 test -s "$work/display"; then
    echo "FAIL: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
}

# $clip: a 20 s 352 x 288 moving test picture framed in red (so its edges show
# against the black of the video area), with a tone.
clip="$work/clip.mpg"
ffmpeg -loglevel error -f lavfi \
  -i "testsrc=size=352x288:rate=25:duration=20,drawbox=x=0:y=0:w=iw:h=ih:color=red:t=6" \
  -f lavfi -i sine=frequency=440:duration=20 -c:v mpeg1video -q:v 4 -c:a mp2 "$clip"

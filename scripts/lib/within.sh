# shellcheck shell=bash
# within SECONDS REASON CONDITION...: runs CONDITION every 0.2 s until it holds;
# when it still fails after SECONDS, calls the sourcing script's `fail REASON`.
within() {
  local deadline=$((SECONDS + $1)) why="$2"
  shift 2
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$why"
    sleep 0.2
  done
}

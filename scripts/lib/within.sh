# shellcheck shell=bash
# within SECONDS REASON CONDITION...: runs CONDITION every 0.2 s until it holds; when it still
# fails after SECONDS, calls the sourcing script's `fail REASON`, with WITHIN_LAST (what the last
# try saw, should CONDITION set it) in brackets.
within() {
  local deadline=$((SECONDS + $1)) why="$2"
  shift 2
  WITHIN_LAST=""
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$why${WITHIN_LAST:+ ($WITHIN_LAST)}"
    sleep 0.2
  done
}

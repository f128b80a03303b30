# shellcheck shell=bash
# within SECONDS REASON CONDITION...: CONDITION every 0.2 s until it holds; after SECONDS the
# sourcing script's `fail REASON`, with what the last try saw (WITHIN_LAST, where CONDITION sets it).
within() {
  local deadline=$((SECONDS + $1)) why="$2"
  WITHIN_LAST=""
  until "${@:3}"; do [ "$SECONDS" -lt "$deadline" ] || fail "$why${WITHIN_LAST:+ ($WITHIN_LAST)}"; sleep 0.2; done
}

# shellcheck shell=bash
# Sourced by the run and test commands with the job (run or test): the packages,
# and what Qt needs of the shell.
bash scripts/install-deps.sh "${1:?prepare.sh: run or test?}"

# Qt wants a private runtime folder; a bare root shell or CI has none. One folder
# per user, made once and reused, so that no run leaves a new one behind.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="${TMPDIR:-/tmp}/surface-viewer-runtime-$(id -u)"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  if [ -L "$XDG_RUNTIME_DIR" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
    echo "$XDG_RUNTIME_DIR is not a folder of this user's own: remove it or set XDG_RUNTIME_DIR" >&2
    exit 1
  fi
  chmod 0700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

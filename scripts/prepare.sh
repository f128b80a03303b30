# shellcheck shell=bash
# Sourced by the run and test commands with the job (run or test): the packages, what Qt needs
# of the shell, and the virtual display (lib/viewer.sh).
bash scripts/install-deps.sh "${1:?prepare.sh: run or test?}"
source scripts/lib/viewer.sh

# Qt wants a private runtime folder; a bare root shell or CI has none. One folder
# per user, made once and reused, so that no run leaves a new one behind.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="${TMPDIR:-/tmp}/surface-viewer-runtime-$(id -u)"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  [ ! -L "$XDG_RUNTIME_DIR" ] && [ -O "$XDG_RUNTIME_DIR" ] ||
    { echo "$XDG_RUNTIME_DIR is not a folder of this user's own: remove it or set XDG_RUNTIME_DIR" >&2; exit 1; }
  chmod 0700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

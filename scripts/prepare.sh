# Sourced by the run and test commands: the packages, and what Qt needs of the shell.
bash scripts/install-deps.sh

# Qt wants a private runtime folder; a bare root shell or CI has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
fi

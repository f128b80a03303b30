# Sourced by the run and test commands with the job (run or test): the packages,
# and what Qt needs of the shell.
bash scripts/install-deps.sh "${1:?prepare.sh: run or test?}"

# Qt wants a private runtime folder; a bare root shell or CI has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
fi

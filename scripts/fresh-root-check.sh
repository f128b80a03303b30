#!/usr/bin/env bash
# Fresh roots leave nothing behind (README, test command; as root, seconds, no network): a release
# check killed with SIGKILL, its stand-in root up, and one with an unwritable temporary folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true; rm -rf --one-file-system -- "$work"' EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "fresh-root-check: FAIL: $*" >&2; exit 1; }
mkdir "$work/bin" "$work/tmp" "$work/ro"
# A debootstrap that makes a root of this machine's bash whose apt-get waits.
cat >"$work/bin/debootstrap" <<'EOF'
#!/bin/bash
set -e
for a; do case "$a" in --make-tarball=*) : >"${a#*=}"; exit 0 ;; esac; done
root="${*: -2:1}"
mkdir -p "$root"/{dev,proc,sys,tmp,etc/apt/apt.conf.d,etc/apt/sources.list.d,etc/dpkg/dpkg.cfg.d,usr/sbin,usr/bin,var/cache/apt/archives}
for f in /bin/bash /bin/sleep $(ldd /bin/bash /bin/sleep | grep -o '/[^ :]*'); do cp --parents -L "$f" "$root"; done
cp -L /usr/bin/env "$root/usr/bin/env"
printf '#!/bin/bash\n: >/ready\nexec sleep 600\n' >"$root/usr/bin/apt-get"
chmod 755 "$root/usr/bin/apt-get"
EOF
chmod 755 "$work/bin/debootstrap"
export PATH="$work/bin:$PATH" FRESH_ROOT_TMP="$work/tmp" FRESH_ROOT_CACHE="$work/cache" \
  FRESH_ROOT_MIRROR=http://stub.invalid/debian
check="$here/scripts/release-check.sh"
source "$here/scripts/lib/within.sh"

bash "$check" stub >"$work/log" 2>&1 &
pid=$!
root_up() {
  kill -0 "$pid" 2>/dev/null || fail "the release check ended early: $(tail -n 5 "$work/log")"
  compgen -G "$work/tmp/fresh-root.*/root/ready" >/dev/null
}
within 60 "the release check's root did not come up" root_up
base="$(compgen -G "$work/tmp/fresh-root.*")"
# The namespace's first process, unshare, is the check's child and sees its mounts.
ns_pid=""
for p in /proc/[0-9]*; do
  [ "$(cat "$p/comm" 2>/dev/null)" = unshare ] && [ "$(cut -d' ' -f4 "$p/stat")" = "$pid" ] && ns_pid="${p#/proc/}"
done
[ -n "$ns_pid" ] || fail "no namespace"
ns="$(readlink "/proc/$ns_pid/ns/mnt")"
mounts="$(awk '{ print $5 }' "/proc/$ns_pid/mountinfo" | grep -c "^$base/")" || true
[ "$mounts" -ge 8 ] || fail "only $mounts mounts in the root's namespace"
# Counted, not `! findmnt | grep -q`: grep leaving at the first match kills findmnt
# with SIGPIPE, and `!` turns the pipeline's 141 into a pass.
outside="$(findmnt -rn -o TARGET | { grep -c "^$base/" || true; })"
[ "$outside" = 0 ] || fail "$outside of the root's mounts are seen outside its namespace"
{ kill -KILL "$pid" && wait "$pid"; } 2>/dev/null || true
namespace_gone() { for p in /proc/[0-9]*/ns/mnt; do [ "$(readlink "$p" 2>/dev/null)" != "$ns" ] || return 1; done; }
within 10 "processes of the killed check's namespace are left" namespace_gone
within 10 "the killed check's folder is left: $base" test ! -e "$base"
echo "fresh-root-check: a release check killed with SIGKILL, its root with $mounts mounts: nothing left"

export FRESH_ROOT_TMP="$work/ro"
if out="$(unshare --mount bash -c 'mount -t tmpfs -o ro tmpfs "$FRESH_ROOT_TMP" && exec bash "$0" stub-ro' "$check" 2>&1)"; then
  fail "went on with an unwritable temporary folder"
fi
grep -q "cannot make a temporary folder" <<<"$out" || fail "no clear message with an unwritable temporary folder: $out"
[ ! -e "$work/cache/stub-ro" ] && [ ! -e "$here/build-release-check/stub-ro" ] ||
  fail "touched its cache or log with an unwritable temporary folder"
echo "fresh-root-check: a release check with an unwritable temporary folder stopped at once: $out"

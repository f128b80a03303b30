# shellcheck shell=bash
# Fresh minimal Debian roots (debootstrap minbase) for checks from a bare system (README, "Tested
# releases"). A script run as root first calls  fresh_root_check NAME RELEASE OUT "$@":  it runs
# again in a private mount and PID namespace in a temporary folder of its own (under FRESH_ROOT_TMP,
# /var/tmp), removed however it ends, logged to OUT/log.txt; stage_done, fail and pass report. Then
#   fresh_root_make NAME [ARCH]  a root (FRESH_ROOT) with the machine's /dev, /proc, /sys and /tmp
#       (X's display locks), up to date from RELEASE, -updates and -security; ARCH's runs by qemu
#   fresh_root_run CMD... (as root there, bare environment), fresh_root_install PKG...,
#   fresh_root_bind DIR PATH, fresh_root_clone PATH (the work tree's HEAD), fresh_root_qemu ARCH
# Base systems (fetched again after FRESH_ROOT_TARBALL_DAYS, 30), qemu and apt's downloads stay in
# FRESH_ROOT_RELEASE_CACHE (/var/cache/fresh-root/RELEASE), where runs of a release take turns.
# The mirror is the machine's own, or FRESH_ROOT_MIRROR.

fresh_root_check() {
    FRESH_ROOT_LOG="$3/log.txt" fresh_root_enter "$2" "${@:4}"
    _check="$1 $2" _log="$3/log.txt" started=$SECONDS stage_started=$SECONDS
}
elapsed() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }
stage_done() { echo "${_check% *}: $1 took $(elapsed $((SECONDS - stage_started)))"; stage_started=$SECONDS; }
fail() { echo "$_check: FAIL: $1 (after $(elapsed $((SECONDS - started))); log: $_log)"; exit 1; }
pass() { echo "$_check: PASS: $1, in $(elapsed $((SECONDS - started)))"; }

_fresh_root_die() { echo "fresh-root: $*" >&2; exit 1; }

# The archive this machine's apt fetches its own release (or, with "-security", its updates) from.
_fresh_root_mirror() {
    apt-get --print-uris update 2>/dev/null | awk -F"'" -v want="$(. /etc/os-release && echo "$VERSION_CODENAME")${1:-}" '
        { n = split($2, p, "/dists/"); split(p[2], s, "/") }
        n == 2 && s[1] == want && s[2] == "InRelease" { print p[1]; exit }'
}

# Removes the script's temporary folder: only one named as mktemp made it, with this run's mark.
_fresh_root_remove() {
    local base="$1"
    case "$base" in "${FRESH_ROOT_TMP:-/var/tmp}"/fresh-root.??????) ;; *) return 1 ;; esac
    [ -d "$base" ] && [ ! -L "$base" ] && [ "$(cat "$base/owner" 2>/dev/null)" = "$2" ] || return 0
    rm -rf --one-file-system -- "$base"
}

fresh_root_enter() {
    FRESH_ROOT_RELEASE="${1:?fresh_root_enter: which Debian release?}"
    FRESH_ROOT_RELEASE_CACHE="${FRESH_ROOT_CACHE:-/var/cache/fresh-root}/$FRESH_ROOT_RELEASE"
    [ "$$" != 1 ] || [ -z "${FRESH_ROOT_BASE:-}" ] || { : "${FRESH_ROOT_MIRROR:=http://deb.debian.org/debian}"; return 0; }
    [ "$(id -u)" = 0 ] || _fresh_root_die "run as root (namespaces, mount, chroot)"
    local tool tmp="${FRESH_ROOT_TMP:-/var/tmp}" script lock
    for tool in debootstrap unshare setpriv flock; do command -v "$tool" >/dev/null || _fresh_root_die "no $tool installed"; done
    script="$(realpath "$0")"
    _fresh_root_base="$(mktemp -d "$tmp/fresh-root.XXXXXX")" || _fresh_root_die "cannot make a temporary folder in $tmp"
    _fresh_root_mark="$$ $(date +%s%N)"
    echo "$_fresh_root_mark" >"$_fresh_root_base/owner" || _fresh_root_die "cannot write in $_fresh_root_base"
    # Removed when the script ends, and by a watcher of its own when it is killed.
    trap '_fresh_root_remove "$_fresh_root_base" "$_fresh_root_mark"' EXIT
    (trap '' INT TERM HUP && while kill -0 $$; do sleep 1; done; _fresh_root_remove "$_fresh_root_base" "$_fresh_root_mark") \
        </dev/null >/dev/null 2>&1 &
    [ -z "${FRESH_ROOT_LOG:-}" ] || { mkdir -p "$(dirname "$FRESH_ROOT_LOG")" &&
        exec > >(trap '' INT TERM HUP; exec tee "$FRESH_ROOT_LOG") 2>&1; }
    mkdir -p "$FRESH_ROOT_RELEASE_CACHE/archives/partial"
    exec {lock}>"$FRESH_ROOT_RELEASE_CACHE/lock"
    flock -n "$lock" || { echo "fresh-root: waiting for another $FRESH_ROOT_RELEASE root on this machine to finish" >&2
        until flock -w 5 "$lock"; do :; done; }
    # A signal stops the namespace at once; the kernel ends all in it.
    local ns status=0
    trap '{ kill -KILL $ns && wait $ns; } 2>/dev/null || true; echo "fresh-root: interrupted"; exit 130' INT
    trap '{ kill -KILL $ns && wait $ns; } 2>/dev/null || true; echo "fresh-root: terminated"; exit 143' TERM HUP
    FRESH_ROOT_BASE="$_fresh_root_base" FRESH_ROOT_MIRROR="${FRESH_ROOT_MIRROR:-$(_fresh_root_mirror)}" \
        FRESH_ROOT_SECURITY="$(_fresh_root_mirror -security)" \
        setpriv --pdeathsig KILL unshare --mount --propagation private --pid --fork --kill-child \
        --mount-proc bash "$script" "${@:2}" </dev/null &
    ns=$!
    wait "$ns" || status=$?
    exit "$status"
}

# fresh_root_logged FILE CMD...: CMD's output in FILE, whose end a failure shows.
fresh_root_logged() { "${@:2}" >"$1" 2>&1 || { tail -n 20 "$1"; return 1; }; }

_fresh_root_debootstrap() {  # ROOT ARCH
    local tarball="$FRESH_ROOT_RELEASE_CACHE/debootstrap-$2.tar.gz" log="$FRESH_ROOT_BASE/debootstrap.log" foreign=()
    [ "$2" = "$(dpkg --print-architecture)" ] || foreign=(--foreign)
    if [ ! -f "$tarball" ] || [ -n "$(find "$tarball" -mtime +"${FRESH_ROOT_TARBALL_DAYS:-30}")" ]; then
        echo "fresh-root: fetching the $FRESH_ROOT_RELEASE base system from $FRESH_ROOT_MIRROR"
        mkdir -p "$FRESH_ROOT_BASE/tarball" && fresh_root_logged "$log" debootstrap --arch="$2" --variant=minbase \
            --make-tarball="$tarball.new" "$FRESH_ROOT_RELEASE" "$FRESH_ROOT_BASE/tarball" "$FRESH_ROOT_MIRROR" &&
            mv -f "$tarball.new" "$tarball" || return
    fi
    echo "fresh-root: unpacking the $FRESH_ROOT_RELEASE base system"
    fresh_root_logged "$log" debootstrap --arch="$2" "${foreign[@]}" --variant=minbase --unpack-tarball="$tarball" \
        "$FRESH_ROOT_RELEASE" "$1" "$FRESH_ROOT_MIRROR"
}

fresh_root_make() {
    local r="$FRESH_ROOT_BASE/${1:?fresh_root_make: name the root}" mirror="$FRESH_ROOT_MIRROR" rel="$FRESH_ROOT_RELEASE"
    local security="${FRESH_ROOT_SECURITY:-${mirror%/debian}/debian-security}" arch="${2:-$(dpkg --print-architecture)}"
    FRESH_ROOT_QEMU=()
    mkdir "$r" && _fresh_root_debootstrap "$r" "$arch" || { echo "fresh-root: no base system"; return 1; }
    # The root is a mount of its own, so that namespaces can be made inside it too.
    mount --bind "$r" "$r" && mount --bind /dev "$r/dev" && mount --bind /dev/pts "$r/dev/pts" &&
        mount -t tmpfs -o mode=1777,nosuid,nodev shm "$r/dev/shm" && mount -t proc proc "$r/proc" &&
        mount --bind /sys "$r/sys" && mount --bind /tmp "$r/tmp" ||
        { echo "fresh-root: mounting into the root failed"; return 1; }
    FRESH_ROOT="$r"
    # Another architecture's base system is installed by its own programs; "lxc"
    # makes no device node, which a user namespace may not.
    [ ! -x "$r/debootstrap/debootstrap" ] || { fresh_root_qemu "$arch" && fresh_root_run env container=lxc \
        /debootstrap/debootstrap --second-stage >>"$FRESH_ROOT_BASE/debootstrap.log" 2>&1; } || { echo "fresh-root: no $arch base system"; return 1; }
    mount --bind "$FRESH_ROOT_RELEASE_CACHE/archives" "$r/var/cache/apt/archives" || return
    rm -f "$r/etc/resolv.conf" "$r/etc/apt/sources.list"
    cp -L /etc/resolv.conf "$r/etc/resolv.conf"
    # Packages start no services in a root without init; apt keeps what it fetched; a throw-away
    # root need not survive a power cut, so dpkg skips its syncs (most of the installing time).
    printf '#!/bin/sh\nexit 101\n' >"$r/usr/sbin/policy-rc.d" && chmod 755 "$r/usr/sbin/policy-rc.d"
    echo 'APT::Keep-Downloaded-Packages "true";' >"$r/etc/apt/apt.conf.d/10keep-debs"
    echo force-unsafe-io >"$r/etc/dpkg/dpkg.cfg.d/unsafe-io"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n\n' \
        "$mirror" "$rel $rel-updates" /usr/share/keyrings/debian-archive-keyring.gpg \
        "$security" "$rel-security" /usr/share/keyrings/debian-archive-keyring.gpg \
        >"$r/etc/apt/sources.list.d/debian.sources"
    echo "fresh-root: bringing $rel up to date (updates and security)"
    fresh_root_logged "$FRESH_ROOT_BASE/upgrade.log" fresh_root_run bash -c \
        'apt-get -qq update && apt-get -qq -y -o Dpkg::Use-Pty=0 full-upgrade' ||
        { echo "fresh-root: apt could not bring the root up to date"; return 1; }
    echo "fresh-root: root ready: $r ($rel from $mirror)"
}

fresh_root_bind() { mkdir -p "$1" "$FRESH_ROOT$2" && mount --bind "$1" "$FRESH_ROOT$2"; }

# qemu and its binfmt_misc entry come from Debian's package, unpacked, never installed.
fresh_root_qemu() {
    local q="$FRESH_ROOT_RELEASE_CACHE/qemu-${1/arm64/aarch64}" deb
    [ -s "$q.conf" ] || { deb="$(cd "$FRESH_ROOT_BASE" && apt-get download -q -o APT::Sandbox::User=root \
        qemu-user-static >/dev/null && realpath qemu-user-static_*.deb)" && dpkg-deb --fsys-tarfile "$deb" |
        tar -xO "./usr/bin/${q##*/}-static" >"$q" && chmod 755 "$q" && dpkg-deb --fsys-tarfile "$deb" |
        tar -xO "./usr/lib/binfmt.d/${q##*/}.conf" | sed "s|:[^:]*:[^:]*\$|:$q:F|" >"$q.conf"; } || return
    FRESH_ROOT_QEMU=(_fresh_root_foreign "$(cat "$q.conf")")
}

# CMD in a user namespace mapping every id to itself, whose own binfmt_misc alone knows qemu.
_fresh_root_foreign() {  # ENTRY CMD...
    unshare --user --mount bash -c 'until grep -q . /proc/self/uid_map; do sleep 0.05; done
        mount -t binfmt_misc none /proc/sys/fs/binfmt_misc && echo "$0" >/proc/sys/fs/binfmt_misc/register &&
        exec "$@"' "$@" &
    local pid=$!
    until [ "$(readlink /proc/$pid/ns/user)" != "$(readlink /proc/$$/ns/user)" ]; do sleep 0.05; done
    echo 0 0 4294967295 >/proc/$pid/uid_map && echo 0 0 4294967295 >/proc/$pid/gid_map && wait $pid
}

fresh_root_install() { fresh_root_run apt-get -y -o Dpkg::Use-Pty=0 install --no-install-recommends "$@"; }

fresh_root_run() {
    "${FRESH_ROOT_QEMU[@]}" chroot "$FRESH_ROOT" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive "$@" </dev/null
}

fresh_root_clone() {
    local here dest="$FRESH_ROOT$1" commit
    here="$(git -C "$(dirname "$(realpath "$0")")" rev-parse --show-toplevel)" && commit="$(git -C "$here" rev-parse HEAD)" || return
    [ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] ||
        echo "fresh-root: the work tree has uncommitted changes; checking commit ${commit:0:12} without them"
    # The work tree's HEAD, also when it is on no branch.
    git clone -q --no-checkout --no-hardlinks "$here" "$dest" && git -C "$dest" fetch -q "$here" HEAD &&
        [ "$(git -C "$dest" rev-parse FETCH_HEAD)" = "$commit" ] && git -C "$dest" checkout -q --detach "$commit" &&
        git -C "$dest" remote remove origin
}

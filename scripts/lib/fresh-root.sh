# Fresh minimal Debian roots (debootstrap, variant minbase) for checks that must
# start from a bare system. Source it from bash and run as root.
#
#   fresh_root_make RELEASE   Makes a fresh root of RELEASE (bookworm, trixie, ...)
#                             and sets FRESH_ROOT to its path. The root gets /dev,
#                             /dev/pts, /proc, /sys and /tmp of this machine, a
#                             private /dev/shm, this machine's resolv.conf, and apt
#                             sources for RELEASE, RELEASE-updates and
#                             RELEASE-security (main). Fails when a root is already
#                             made in this shell.
#   fresh_root_run CMD [ARG...]
#                             Runs CMD as root inside, from /, with a bare
#                             environment (HOME=/root, PATH, LANG=C.UTF-8,
#                             DEBIAN_FRONTEND=noninteractive); add variables with
#                             `env NAME=value CMD`. Returns CMD's status. Stdin is
#                             not passed in.
#   fresh_root_bind DIR PATH  Bind-mounts DIR of this machine (made if missing) at
#                             PATH inside the root, e.g. a cache of the caller's
#                             own; it is unmounted with the rest.
#   fresh_root_destroy        Stops what still runs inside, unmounts everything
#                             under the root, newest first (lazily when busy),
#                             checks that nothing is left mounted, and only then
#                             deletes the root. Safe to call twice. It also runs by
#                             itself on EXIT, INT, TERM and HUP: the library owns
#                             those traps, so a caller with cleanup of its own does
#                             it before calling fresh_root_destroy, not in a trap.
#
# Files go in and out through "$FRESH_ROOT/...". The root's /tmp is this
# machine's /tmp: X servers inside and outside then see each other's display
# locks (their sockets share one abstract namespace), so `xvfb-run -a` inside
# picks a free display.
#
# Kept between runs, per release, under $FRESH_ROOT_CACHE (/var/cache/fresh-root):
# the base system as a debootstrap tarball (remade after
# $FRESH_ROOT_TARBALL_DAYS days, 30 by default) and the .deb files apt fetches
# (bind-mounted at the root's /var/cache/apt/archives). The root itself is made
# anew every time. FRESH_ROOT_RELEASE_CACHE names the release's cache folder, for
# callers that keep caches of their own beside it. Roots of one release take
# turns: a second one waits until the first is destroyed, as apt cannot share its
# download folder. A root whose maker was killed outright (SIGKILL) is unmounted
# and removed by the next fresh_root_make on the machine.
#
# Settings: FRESH_ROOT_MIRROR (default: the Debian mirror of this machine's apt
# sources, which fresh_root_mirror prints), FRESH_ROOT_CACHE, FRESH_ROOT_TMP (where roots are made, /var/tmp),
# FRESH_ROOT_TARBALL_DAYS, FRESH_ROOT_KEEP=1 (unmount but keep the folder).

FRESH_ROOT=""
FRESH_ROOT_RELEASE_CACHE=""
_fresh_root_base=""
_fresh_root_lock_fd=""
_fresh_root_child=""

_fresh_root_log() { echo "fresh-root: $*" >&2; }

# The Debian mirror this machine's apt uses: the first deb source of a suite that
# is not a security suite, from deb822 .sources files, then from sources.list.
fresh_root_mirror() {
    if [ -n "${FRESH_ROOT_MIRROR:-}" ]; then
        echo "$FRESH_ROOT_MIRROR"
        return
    fi
    local uri=""
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        uri="$(awk '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && uris != "" && suites !~ /-security/ && enabled !~ /^no$/) {
                    split(uris, u, " "); print u[1]; found = 1; exit
                }
                types = uris = suites = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            { line = $0; sub(/^[^:]*:[ \t]*/, "", line); key = tolower($1) }
            key == "types:"   { types = line }
            key == "uris:"    { uris = line }
            key == "suites:"  { suites = line }
            key == "enabled:" { enabled = tolower(line) }
            END { if (!found) flush() }
        ' "$f")"
        [ -n "$uri" ] && break
    done
    if [ -z "$uri" ]; then
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$f" ] || continue
            uri="$(sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$f" |
                awk '$1 == "deb" && $3 !~ /-security/ { print $2; exit }')"
            [ -n "$uri" ] && break
        done
    fi
    echo "${uri:-http://deb.debian.org/debian}"
}

# The security archive beside the mirror: from the apt sources when they name
# one, else .../debian-security next to .../debian.
_fresh_root_security_mirror() {
    local mirror="$1" uri=""
    uri="$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk 'tolower($1) == "uris:" && $2 ~ /debian-security/ { print $2; exit }')"
    [ -n "$uri" ] || uri="$(sed -e 's/#.*//' -e 's/\[[^]]*\]//' /etc/apt/sources.list 2>/dev/null |
        awk '$1 == "deb" && $3 ~ /-security/ { print $2; exit }')"
    if [ -z "$uri" ]; then
        case "$mirror" in
        */debian | */debian/) uri="${mirror%/}"; uri="${uri%/debian}/debian-security" ;;
        *) uri="http://deb.debian.org/debian-security" ;;
        esac
    fi
    echo "$uri"
}

# Mount points under $1, newest first (the reverse of the order they were made).
_fresh_root_mounts_under() {
    findmnt -rn -o TARGET | awk -v p="$1" '$0 == p || index($0, p "/") == 1' | tac
}

_fresh_root_mount() {  # mount ARGS... TARGET: the new mount never passes mounts back
    mount "$@" || return
    mount --make-rprivate "${!#}"
}

# Runs a command in a session of its own and waits for it: a signal to this shell
# is then handled at once (not when the command ends), and the handler can stop
# the whole command, whether it runs inside the root or not.
_fresh_root_wait() {
    local status=0
    # The command does not inherit the release lock: a stray process left inside
    # a root whose maker was killed must not keep the next root waiting.
    if [ -n "$_fresh_root_lock_fd" ]; then
        setsid "$@" </dev/null {_fresh_root_lock_fd}>&- &
    else
        setsid "$@" </dev/null &
    fi
    _fresh_root_child=$!
    wait "$_fresh_root_child" || status=$?
    _fresh_root_child=""
    return $status
}

# The start time of a process, to tell it from a later one with the same id.
_fresh_root_started() { awk '{ print $22 }' "/proc/$1/stat" 2>/dev/null; }

# Unmounts and deletes a root folder; $1 is the folder holding root/.
_fresh_root_teardown() {
    local base="$1" root="$1/root" m pass p sig
    # What still runs goes first: it holds mounts busy.
    if [ -n "$_fresh_root_child" ]; then
        kill -TERM -- "-$_fresh_root_child" 2>/dev/null || true
        sleep 1
        kill -KILL -- "-$_fresh_root_child" 2>/dev/null || true
        _fresh_root_child=""
    fi
    for sig in TERM KILL; do
        local pids=()
        for p in /proc/[0-9]*; do
            [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids+=("${p#/proc/}")
        done
        [ ${#pids[@]} -eq 0 ] && break
        _fresh_root_log "stopping ${#pids[@]} process(es) left inside ($sig)"
        kill "-$sig" "${pids[@]}" 2>/dev/null || true
        sleep 2
    done
    for pass in 1 2 3; do
        while read -r m; do
            [ -n "$m" ] || continue
            umount "$m" 2>/dev/null || umount -l "$m" || true
        done < <(_fresh_root_mounts_under "$base")
        [ -z "$(_fresh_root_mounts_under "$base")" ] && break
        sleep 1
    done
    if [ -n "$(_fresh_root_mounts_under "$base")" ]; then
        _fresh_root_log "still mounted under $base, not deleting it:"
        _fresh_root_mounts_under "$base" >&2
        return 1
    fi
    if [ "${FRESH_ROOT_KEEP:-0}" = 1 ]; then
        _fresh_root_log "kept (unmounted): $root"
        return 0
    fi
    rm -rf --one-file-system "$base"
}

# Roots whose maker died without cleaning up (killed outright): unmount, delete.
_fresh_root_reap() {
    local owner base pid started
    for owner in "${FRESH_ROOT_TMP:-/var/tmp}"/fresh-root.*/owner; do
        [ -f "$owner" ] || continue
        base="${owner%/owner}"
        read -r pid started <"$owner" || continue
        [ -n "$pid" ] && [ "$(_fresh_root_started "$pid")" = "$started" ] && continue
        _fresh_root_log "removing a root left behind by process $pid: $base"
        _fresh_root_teardown "$base" || true
    done
}

fresh_root_destroy() {
    local base="$_fresh_root_base"
    [ -n "$base" ] || return 0
    # Old versions of the cached .debs go; the ones still current stay.
    if [ -x "$FRESH_ROOT/usr/bin/apt-get" ] && mountpoint -q "$FRESH_ROOT/var/cache/apt/archives"; then
        chroot "$FRESH_ROOT" apt-get -qq autoclean >/dev/null 2>&1 || true
    fi
    _fresh_root_teardown "$base" || return 1
    _fresh_root_base=""
    FRESH_ROOT=""
    if [ -n "$_fresh_root_lock_fd" ]; then
        exec {_fresh_root_lock_fd}>&-
        _fresh_root_lock_fd=""
    fi
}

_fresh_root_on_signal() {
    local sig="$1" code="$2"
    trap '' INT TERM HUP
    _fresh_root_log "interrupted ($sig): cleaning up"
    fresh_root_destroy
    trap - EXIT
    exit "$code"
}

# The base system of a release from the cached tarball, made (or remade) first
# when it is missing or old.
_fresh_root_debootstrap() {
    local release="$1" root="$2" mirror="$3"
    local cache="${FRESH_ROOT_CACHE:-/var/cache/fresh-root}/$release"
    local tarball="$cache/debootstrap.tar.gz"
    local days="${FRESH_ROOT_TARBALL_DAYS:-30}"
    if [ -f "$tarball" ] && [ -z "$(find "$tarball" -mtime +"$days")" ]; then
        _fresh_root_log "unpacking the cached $release base system"
        if _fresh_root_wait debootstrap --variant=minbase --unpack-tarball="$tarball" \
            "$release" "$root" "$mirror" >"$cache/debootstrap.log" 2>&1; then
            return 0
        fi
        _fresh_root_log "the cached base system did not unpack (see $cache/debootstrap.log); fetching it anew"
        rm -rf --one-file-system "$root" && mkdir -p "$root"
    fi
    _fresh_root_log "fetching the $release base system from $mirror"
    # A scratch folder beside the root, so that it goes with the root if interrupted.
    local scratch="${root%/root}/tarball"
    mkdir -p "$scratch"
    if ! _fresh_root_wait debootstrap --variant=minbase --make-tarball="$tarball.new" \
        "$release" "$scratch" "$mirror" >"$cache/debootstrap.log" 2>&1; then
        rm -rf --one-file-system "$scratch" "$tarball.new"
        _fresh_root_log "debootstrap could not fetch $release (see $cache/debootstrap.log)"
        tail -n 5 "$cache/debootstrap.log" >&2
        return 1
    fi
    rm -rf --one-file-system "$scratch"
    mv -f "$tarball.new" "$tarball"
    _fresh_root_wait debootstrap --variant=minbase --unpack-tarball="$tarball" \
        "$release" "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 || {
        _fresh_root_log "debootstrap failed (see $cache/debootstrap.log)"
        tail -n 5 "$cache/debootstrap.log" >&2
        return 1
    }
}

fresh_root_make() {
    local release="${1:?fresh_root_make: which Debian release?}"
    if [ -n "$_fresh_root_base" ]; then
        _fresh_root_log "a root is already made in this shell: $FRESH_ROOT"
        return 1
    fi
    if [ "$(id -u)" -ne 0 ]; then
        _fresh_root_log "needs root (debootstrap, mount, chroot)"
        return 1
    fi
    command -v debootstrap >/dev/null || {
        _fresh_root_log "debootstrap is not installed (apt-get install debootstrap)"
        return 1
    }
    local mirror security cache
    mirror="$(fresh_root_mirror)"
    security="$(_fresh_root_security_mirror "$mirror")"
    cache="${FRESH_ROOT_CACHE:-/var/cache/fresh-root}/$release"
    mkdir -p "$cache/archives/partial" "${FRESH_ROOT_TMP:-/var/tmp}"
    FRESH_ROOT_RELEASE_CACHE="$cache"

    _fresh_root_reap
    exec {_fresh_root_lock_fd}>"$cache/lock"
    if ! flock -n "$_fresh_root_lock_fd"; then
        _fresh_root_log "waiting for another $release root on this machine to finish"
        # In short waits, so that a signal meanwhile is not held up.
        until flock -w 5 "$_fresh_root_lock_fd"; do :; done
    fi

    trap fresh_root_destroy EXIT
    trap '_fresh_root_on_signal INT 130' INT
    trap '_fresh_root_on_signal TERM 143' TERM
    trap '_fresh_root_on_signal HUP 129' HUP

    _fresh_root_base="$(mktemp -d "${FRESH_ROOT_TMP:-/var/tmp}/fresh-root.XXXXXX")"
    _fresh_root_base="$(realpath "$_fresh_root_base")"
    case "$_fresh_root_base" in
    *[[:space:]]*)
        _fresh_root_log "the root's path must not hold spaces: $_fresh_root_base"
        return 1
        ;;
    esac
    echo "$$ $(_fresh_root_started $$)" >"$_fresh_root_base/owner"
    FRESH_ROOT="$_fresh_root_base/root"
    mkdir "$FRESH_ROOT"

    _fresh_root_debootstrap "$release" "$FRESH_ROOT" "$mirror" || return 1

    local r="$FRESH_ROOT"
    _fresh_root_mount --bind /dev "$r/dev" &&
        _fresh_root_mount --bind /dev/pts "$r/dev/pts" &&
        _fresh_root_mount -t tmpfs -o mode=1777,nosuid,nodev shm "$r/dev/shm" &&
        _fresh_root_mount -t proc proc "$r/proc" &&
        _fresh_root_mount --bind /sys "$r/sys" &&
        _fresh_root_mount --bind /tmp "$r/tmp" &&
        _fresh_root_mount --bind "$cache/archives" "$r/var/cache/apt/archives" || {
        _fresh_root_log "mounting into the root failed"
        return 1
    }

    rm -f "$r/etc/resolv.conf"
    cp -L /etc/resolv.conf "$r/etc/resolv.conf"
    # Packages do not start services in a root that has no init.
    printf '#!/bin/sh\nexit 101\n' >"$r/usr/sbin/policy-rc.d"
    chmod 755 "$r/usr/sbin/policy-rc.d"
    # apt-get keeps what it fetched; say so, as the cache depends on it.
    echo 'APT::Keep-Downloaded-Packages "true";' >"$r/etc/apt/apt.conf.d/10keep-debs"
    rm -f "$r/etc/apt/sources.list"
    cat >"$r/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    _fresh_root_log "bringing $release up to date (updates and security)"
    if ! { fresh_root_run apt-get -qq update &&
        fresh_root_run apt-get -qq -y -o Dpkg::Use-Pty=0 full-upgrade; } >"$_fresh_root_base/upgrade.log" 2>&1; then
        _fresh_root_log "apt could not bring the root up to date:"
        tail -n 20 "$_fresh_root_base/upgrade.log" >&2
        return 1
    fi
    _fresh_root_log "root ready: $FRESH_ROOT ($release from $mirror)"
}

fresh_root_bind() {
    local dir="${1:?fresh_root_bind: which folder?}" path="${2:?fresh_root_bind: where inside?}"
    [ -n "$FRESH_ROOT" ] || {
        _fresh_root_log "no root made yet"
        return 1
    }
    case "$path" in
    /*) ;;
    *)
        _fresh_root_log "fresh_root_bind: $path is not an absolute path"
        return 1
        ;;
    esac
    mkdir -p "$dir" "$FRESH_ROOT$path" &&
        _fresh_root_mount --bind "$dir" "$FRESH_ROOT$path"
}

fresh_root_run() {
    [ -n "$FRESH_ROOT" ] || {
        _fresh_root_log "no root made yet"
        return 1
    }
    _fresh_root_wait chroot "$FRESH_ROOT" /usr/bin/env -i HOME=/root \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive "$@"
}

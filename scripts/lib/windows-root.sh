# shellcheck shell=bash
# The Windows package is built and tested in a fresh Debian 13 root, whatever the
# machine's own release: Qt 6.8 cross-built from that release's source with the
# root's Qt 6.8 host tools, MinGW-w64 with GCC 14, NSIS, and Wine 10 to test under.
# A script of scripts/windows/ calls, first thing,
#   windows_root_enter SCRIPT "$@"
# (as root). Outside the root it makes the root (scripts/lib/fresh-root.sh), clones
# the work tree's HEAD into it, mounts the machine's Qt cache and build-windows/
# there, runs SCRIPT inside and exits with its status; inside it returns at once.
# The settings the Windows scripts document reach the root.
WINDOWS_SETTINGS=(QT_WIN_JOBS WINDOWS_BUILD_JOBS MONKEY_SEED MONKEY_SECONDS)
# The Qt the package ships (package.sh), whose sources build-qt.sh records: CMake targets.
WINDOWS_QT_TARGETS="Core Gui Widgets QWindowsIntegrationPlugin QModernWindowsStylePlugin"
WINDOWS_RELEASE=trixie
WINDOWS_ROOT_SRC=/root/surface-viewer

windows_root_enter() {
    [ -z "${WINDOWS_IN_ROOT:-}" ] || return 0
    local script="$1" here
    shift
    here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
    source "$here/scripts/lib/fresh-root.sh"
    fresh_root_enter "$WINDOWS_RELEASE" "$@"
    # From here on inside the private namespace; nothing below is seen outside.
    local cache="${QT_WIN_CACHE:-/var/cache/surface-viewer}"
    mkdir -p "$cache" "$here/build-windows"
    { fresh_root_make windows && fresh_root_clone "$WINDOWS_ROOT_SRC" &&
        fresh_root_bind "$cache" /var/cache/surface-viewer &&
        fresh_root_bind "$here/build-windows" "$WINDOWS_ROOT_SRC/build-windows"; } >&2 ||
        { echo "windows: no Debian $WINDOWS_RELEASE root to build in" >&2; exit 1; }
    local name value settings=()
    for name in "${WINDOWS_SETTINGS[@]}"; do
        value="${!name:-}"
        [ -z "$value" ] || settings+=("$name=$value")
    done
    # Paths printed inside name the root's tree; outside they name this one.
    fresh_root_run env WINDOWS_IN_ROOT=1 "${settings[@]}" bash -c 'cd "$0" && exec bash "$@"' "$WINDOWS_ROOT_SRC" "$script" "$@" |
        sed -u "s|$WINDOWS_ROOT_SRC/|$here/|g"
    exit "${PIPESTATUS[0]}"
}

# One of the project's settings, from its one source, in the work tree's top
# folder: VERSION (project()), or a set() of CMakeLists.txt (VIEWER_PUBLISHER,
# VIEWER_HOMEPAGE). Fails when absent.
windows_project() {  # NAME
    local value
    if [ "$1" = VERSION ]; then
        value="$(sed -n 's/^project(SurfaceViewer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
    else
        value="$(sed -n "s/^set($1 \"\\([^\"]*\\)\".*/\\1/p" CMakeLists.txt)"
    fi
    [ -n "$value" ] || { echo "windows: no $1 in the project's CMake files" >&2; return 1; }
    echo "$value"
}

# shellcheck shell=bash disable=SC2034
# The Debian 13 root the Windows package is built and tested in (README, "Windows"). A script of
# scripts/windows/ calls first  windows_root_enter SCRIPT "$@"  (as root): outside the root it
# runs SCRIPT there, on a clone of the work tree's HEAD with the Qt cache and build-windows/
# mounted, and exits with its status; inside it returns at once. These settings reach the root:
WINDOWS_SETTINGS=(QT_WIN_JOBS WINDOWS_BUILD_JOBS MONKEY_SEED MONKEY_SECONDS)
# The Qt the package ships (package.sh), whose sources build-qt.sh records: CMake targets.
WINDOWS_QT_TARGETS="Core Gui Widgets QWindowsIntegrationPlugin QModernWindowsStylePlugin"
WINDOWS_RELEASE=trixie
# Qt's tools for the cross builds (Qt's and the viewer's): the root's own, once its compiler is in.
windows_qt_host() { WINDOWS_QT_HOST=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -print-multiarch)/cmake"); }
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
    local name settings=()
    for name in "${WINDOWS_SETTINGS[@]}"; do [ -z "${!name:-}" ] || settings+=("$name=${!name}"); done
    # Paths printed inside name the root's tree; outside they name this one.
    fresh_root_run env WINDOWS_IN_ROOT=1 "${settings[@]}" bash -c 'cd "$0" && exec bash "$@"' "$WINDOWS_ROOT_SRC" "$script" "$@" |
        sed -u "s|$WINDOWS_ROOT_SRC/|$here/|g"
    exit "${PIPESTATUS[0]}"
}

# One of the project's settings from its one source (run in the top folder): VERSION (project()),
# or a set() of CMakeLists.txt (VIEWER_PUBLISHER, VIEWER_HOMEPAGE).
windows_project() {  # NAME
    local value="s/^project(SurfaceViewer VERSION \([0-9.]*\).*/\1/p"
    [ "$1" = VERSION ] || value="s/^set($1 \"\\([^\"]*\\)\".*/\\1/p"
    value="$(sed -n "$value" CMakeLists.txt)"
    [ -n "$value" ] || { echo "windows: no $1 in the project's CMake files" >&2; return 1; }
    echo "$value"
}

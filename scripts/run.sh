#!/bin/sh
# The run command: installs what is needed, builds, installs Ricorne into its program folder
# and starts it from there.
#   scripts/run.sh [--prefix DIR]      (or RICORNE_HOME=DIR; default ~/Ricorne)
# The program folder holds the user's mail. Program files are replaced on every run; data files
# that already exist there are never overwritten.
set -e
cd "$(dirname "$0")/.."
SRC=$(pwd)
PREFIX=${RICORNE_HOME:-$HOME/Ricorne}
while [ $# -gt 0 ]; do
    case $1 in
        --prefix) PREFIX=$2; shift 2 ;;
        --prefix=*) PREFIX=${1#--prefix=}; shift ;;
        *) echo "usage: scripts/run.sh [--prefix DIR]" >&2; exit 2 ;;
    esac
done
case $PREFIX in /*) ;; *) PREFIX=$SRC/$PREFIX ;; esac
case $PREFIX/ in "$SRC"/*) echo "the program folder must lie outside the sources: $PREFIX" >&2; exit 2 ;; esac

scripts/deps.sh
scripts/build.sh
B=$SRC/${RICORNE_BUILD_DIR:-build}

mkdir -p "$PREFIX"
for exe in ricorne ricorne-mailtool; do
    if [ -f "$B/bin/$exe" ]; then
        cp "$B/bin/$exe" "$PREFIX/$exe.new" && mv -f "$PREFIX/$exe.new" "$PREFIX/$exe"
    fi
done
if [ -d "$B/bin/help" ]; then
    rm -rf "$PREFIX/help" && cp -r "$B/bin/help" "$PREFIX/help"
fi
cmake -DSRC="$SRC/data" -DDEST="$PREFIX" -P cmake/LayoutData.cmake
cmake -DSRC="$B/generated-data" -DDEST="$PREFIX" -P cmake/LayoutData.cmake
echo "Ricorne is installed in $PREFIX"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$PREFIX/ricorne"
fi
SHOT=$PREFIX/screenshot.png
echo "no display (neither DISPLAY nor WAYLAND_DISPLAY): starting under Xvfb and saving a screenshot to $SHOT"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR
fi
xvfb-run -a -s "-screen 0 800x600x24" sh -c '
    "$1" & pid=$!
    sleep 3
    kill -0 $pid 2>/dev/null || { echo "ricorne did not stay up" >&2; exit 1; }
    import -window root "$2"
    kill $pid' sh "$PREFIX/ricorne" "$SHOT"
echo "screenshot: $SHOT"

#!/usr/bin/env bash
# Runs one Windows test program under Wine, never in the developer's ~/.wine:
#   run-wine-test.sh --setup PREFIX      make a fresh prefix (once per ctest run)
#   run-wine-test.sh --cleanup PREFIX    stop its wineserver and remove it
#   run-wine-test.sh [--display] PREFIX PROGRAM [ARGS...]
# --display runs the program on a virtual X server, for tests that open windows.
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case "${1:-}" in
  --setup)
    export WINEPREFIX=$2
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # A server that exits when idle races the next program that starts:
    # that program's first request meets a closed socket. The run's
    # programs come and go, so the server stays until the cleanup.
    wineserver -p </dev/null >/dev/null 2>&1
    exit 0
    ;;
  --cleanup)
    export WINEPREFIX=$2
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    exit 0
    ;;
esac

display=0
if [ "${1:-}" = --display ]; then
  display=1
  shift
fi
export WINEPREFIX=$1
shift
if [ ! -d "$WINEPREFIX" ]; then
  echo "no Wine prefix at $WINEPREFIX (run the wine_prefix_setup test first)" >&2
  exit 1
fi
# The program writes to a file, not to ctest's pipe: the Wine server and
# the system processes started along with the first program of a run inherit
# its output, and ctest would wait on an inherited pipe until they end.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
launcher=(wine)
[ "$display" = 1 ] && launcher=(xvfb-run -a wine)
status=0
"${launcher[@]}" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit "$status"

#!/usr/bin/env bash
# Runs the windows' check that needs a real window manager: openbox on Xvfb,
# whose title bars and frames take room that the offscreen platform leaves out.
# Usage: xvfb_wm.sh TST_GUI_BINARY
set -euo pipefail
for tool in xvfb-run openbox; do
    command -v "$tool" >/dev/null 2>&1 || { echo "xvfb_wm: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
export QT_QPA_PLATFORM=xcb
# Under the sanitizers: the X platform's D-Bus library keeps a buffer to the end.
supp=$(mktemp)
trap 'rm -f "$supp"' EXIT
echo "leak:libdbus-1.so" >"$supp"
export LSAN_OPTIONS="suppressions=$supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    openbox --sm-disable &
    wm=$!
    sleep 1
    status=0
    "$0" underAWindowManager || status=$?
    kill $wm
    exit $status
' "$1"

#!/usr/bin/env bash
# Starts the real desktop program under Xvfb, finds its main window by title
# and takes a screenshot, so a broken real start-up cannot pass.
# Usage: xvfb_smoke.sh QUILLMAR_BINARY DEMO_IMAGE OUTPUT_PNG
set -euo pipefail
binary=$1 demo=$2 shot=$3

for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "xvfb_smoke: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export QUILLMAR_HOME="$home"
export QUILLMAR_FLOPPY="sim:$demo"
unset QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    "$0" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "^Quillmar v2\.0\.0" | head -1)
    if [ -z "$window" ]; then
        echo "xvfb_smoke: no window titled Quillmar v2.0.0 appeared" >&2
        kill $pid
        exit 1
    fi
    xdotool windowfocus --sync "$window" || true
    sleep 0.5
    import -window root "$1"
    kill $pid && wait $pid 2>/dev/null || true
' "$binary" "$shot"

test -s "$shot"
grep -q "START------------" "$home"/*/*.Txt
echo "xvfb_smoke: window shown, screenshot in $shot"

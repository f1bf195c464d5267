#!/usr/bin/env bash
# Installs what is missing, builds Quorvex and runs it. Until the main window
# exists, this runs the motion detector on a small built-in example: a still,
# textured room that a bright object crosses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

example="$root/build/example"
/usr/bin/python3 "$root/scripts/make_example_frames.py" "$example"
echo "Motion detection over $example (5 frames, 10 by 10 grid, detection at 5 changed cells):"
"$root/build/src/tools/quorvex-detect" --motion-sens 5 --cells --save-detected "$example/detected" "$example"/frame*.ppm
echo "Frames that made a detection: $example/detected/"

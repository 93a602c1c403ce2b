#!/usr/bin/env bash
# The main job: builds quillkit, generates a snippet module from the sample
# snippets, builds the viewer and renders the gallery, and draws the clock.
# Pictures land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

cmake --preset default
cmake --build --preset default -j "$(nproc)"

mkdir -p out
cmake --build --preset default --target quillkit_gallery
rm -rf out/gallery && cp -r build/default/gallery out/gallery
build/default/tools/qxclock/qxclock --png out/clock.png --size 512 --seconds

echo "Gallery: out/gallery/  Clock: out/clock.png"

#!/usr/bin/env bash
# The main job: builds quillkit, generates a snippet module from the sample
# snippets, builds the viewer and renders the gallery, draws the clock, and
# exports the snippets with quillview.
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
# The same snippets as PNG, SVG and PDF with their sources on one page.
if [ -x build/default/tools/quillview/quillview ]; then
  rm -rf out/quillview
  build/default/tools/quillview/quillview --export=out/quillview --size=256 examples/snippets
fi

echo "Gallery: out/gallery/  Clock: out/clock.png  Snippet page: out/quillview/index.html"

#!/usr/bin/env bash
# Runs the fuzz target of quillmake's module writer.
#
#   tests/generator/fuzz/run.sh [seconds]     (default 60)
#
# Configures a clang build with QUILLKIT_FUZZ=ON in build/fuzz (or in
# $QUILLKIT_FUZZ_BUILD_DIR), builds the target and fuzzes from an empty corpus in
# a temporary directory. Fails on any finding.
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
build="${QUILLKIT_FUZZ_BUILD_DIR:-$root/build/fuzz}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUILLKIT_FUZZ=ON -DQUILLKIT_BUILD_EXAMPLES=OFF -DQUILLKIT_BUILD_TOOLS=OFF
fi
cmake --build "$build" --target quillkit_generator_fuzz -j2

# Inputs that fail are kept (and named by libFuzzer) in $artifacts.
artifacts="$build/generator-fuzz-artifacts"
mkdir -p "$artifacts"
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
"$build/tests/generator/fuzz/generator_fuzz" \
  -max_total_time="$seconds" -dict="$here/module.dict" -max_len=4096 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"

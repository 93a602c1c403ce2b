#!/usr/bin/env bash
# Builds quillkit and runs every test: the normal build, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, and a minute of fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

jobs=$(nproc)

echo "== Code style (clang-format 14) =="
git ls-files '*.c' '*.h' '*.cpp' '*.hpp' | xargs clang-format-14 --dry-run -Werror

echo "== Sanitizer build (ASan + UBSan) =="
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== Fuzzing the module writer (60 s) =="
bash tests/generator/fuzz/run.sh 60

echo "== Release build =="
cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

#!/bin/bash
# Re-renders the golden panel pictures (tests/golden/*.png and opened.bmp) on the headless
# backend. The diff of tests/golden is the review: look at the pictures before committing.
#   tools/refresh-golden.sh [build-dir]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/golden}"
cmake --preset headless-debug -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target melp_golden_tests
MELP_REFRESH_GOLDEN=1 "$build/tests/golden/melp_golden_tests"
git -C "$root" status --short -- tests/golden

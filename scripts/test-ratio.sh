#!/bin/sh
# Prints the size of the tests against the size of the code: non-blank lines of the C++ sources
# (.cpp, .h) that git tracks, everything under tests/ (support and fuzz included) counted as
# tests, everything else but bench/ as code. The project keeps the ratio near a third.
set -eu
cd "$(dirname "$0")/.."

count() {
    git ls-files -z -- '*.cpp' '*.h' | tr '\0' '\n' | grep -E "$1" | grep -Ev "$2" \
        | tr '\n' '\0' | xargs -0 -r cat | grep -c '[^[:space:]]' || true
}

tests=$(count '^tests/' '^$')
code=$(count '.' '^(tests|bench)/')
echo "tests: $tests lines, code: $code lines, ratio: $(awk -v t="$tests" -v c="$code" \
    'BEGIN { printf "%.3f", c ? t / c : 0 }')"

#!/usr/bin/env bash
# Builds the community rules parser natively with clang's libFuzzer and AddressSanitizer and runs it
# over a seed file for a bounded time; any crash or sanitizer report fails.
# Usage: scripts/fuzz-rules.sh <build-dir> [seconds]
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
out="$1/fuzz"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address -I"$src" \
  "$src/cleaners/rules_format.cpp" "$src/tests/cleaners/fuzz/rules_fuzz.cpp" -o "$out/rules_fuzz"
cp "$src"/tests/cleaners/fuzz/corpus/* "$out/corpus/"
cd "$out"
./rules_fuzz -max_total_time="${2:-60}" -max_len=4096 -rss_limit_mb=1024 -print_final_stats=1 corpus 2>&1 | tail -5

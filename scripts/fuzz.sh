#!/usr/bin/env bash
# Builds one reader of files Ombrix did not write natively with clang's libFuzzer and AddressSanitizer
# and runs it over its seed files for a bounded time; any crash, sanitizer report or input that takes
# longer than ten seconds (a loop) fails.
# Usage: scripts/fuzz.sh <build-dir> <target> [seconds]
#   rules_fuzz:     the community rules parser
#   jump_list_fuzz: the compound file reader and the DestList parser of jump lists
#   notepad_fuzz:   the reader of Notepad's tab and option files
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
target="$2"
case "$target" in
  rules_fuzz)
    sources=(cleaners/rules_format.cpp tests/cleaners/fuzz/rules_fuzz.cpp)
    seeds=tests/cleaners/fuzz/corpus
    max_len=4096 ;;
  jump_list_fuzz)
    sources=(engine/compound_file.cpp engine/dest_list.cpp tests/engine/fuzz/jump_list_fuzz.cpp)
    seeds=tests/engine/fuzz/corpus
    max_len=32768 ;;  # the seeds of 4096-byte sectors are 20 KB
  notepad_fuzz)
    sources=(engine/notepad_tab_state.cpp tests/engine/fuzz/notepad_tab_fuzz.cpp)
    seeds=tests/engine/fuzz/notepad_corpus
    max_len=4096 ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac
out="$1/fuzz/$target"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address -I"$src" "${sources[@]/#/$src/}" -o "$out/$target"
cp "$src/$seeds"/* "$out/corpus/"
cd "$out"
"./$target" -max_total_time="${3:-60}" -max_len="$max_len" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 corpus 2>&1 \
  | tail -5

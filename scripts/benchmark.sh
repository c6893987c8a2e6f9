#!/usr/bin/env bash
# Benchmarks by hand (not part of the test command): the streaming judgement
# of preference documents against the tree-based one it replaced, from disk
# at 64 KB to 64 MB (tests/native/chromium_load_benchmark.cpp), built
# optimised in the native build tree. With --check (the default) it fails
# unless the streaming judgement is faster at 8 and 64 MB and its peak heap at
# 64 MB stays small. Further arguments go to the benchmark program
# (--benchmark_filter=REGEX, ...).
#   scripts/benchmark.sh [ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

bash scripts/install-deps.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target chromium_load_benchmark >/dev/null
exec build/native/tests/native/chromium_load_benchmark --check "$@"

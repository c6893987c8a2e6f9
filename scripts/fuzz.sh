#!/usr/bin/env bash
# Fuzzes by hand (not part of the test command): builds the fuzz targets
# (tests/native/fuzz: clang, libFuzzer, ASan and UBSan) in the native build
# tree and runs each for SECONDS (default 60), one after the other: the
# preference documents through the whole probe, the streaming judgement
# against the tree-based one it replaced, and the reader of result files.
# Each starts from its seeds and from the corpus earlier runs left in the
# build tree (build/native/tests/native/fuzz/TARGET/corpus), and adds to it;
# an input that crashes one is kept beside that corpus, and the script then
# fails naming it. Such an input belongs in the unit tests' tables as a case.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null
seconds=${1:-60}

bash scripts/install-deps.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target orvex_fuzz_targets >/dev/null
here=build/native/tests/native
targets=$here/fuzz-build

status=0
fuzz() {
  local target=$1 work=$here/fuzz/$1
  shift
  mkdir -p "$work/corpus"
  echo "== $target, $seconds s"
  "$targets/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$@" "$work/corpus" || {
    status=1
    echo "FAILED: $target found an input that fails it, kept in $work/:"
    ls "$work" | grep -v '^corpus$' || true
  }
}
for target in chromium_document_fuzzer chromium_judgement_differential; do
  fuzz $target -max_len=16384 -dict=tests/native/fuzz_document.dict tests/native/fuzz_corpus
done
# Inputs up to 128 KiB, so that a line can outgrow what the reader keeps of it.
fuzz result_file_fuzzer -max_len=131072 "$here/reader_fuzz/seeds"
exit $status

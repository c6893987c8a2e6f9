#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# then the static analysis (scripts/lint.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

status=0
for preset in native win32 win64 release; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for preset in native win32 win64; do
  echo "== $preset: tests"
  ctest --preset "$preset" || status=1
done
echo "== release: the installed reader reads a report"
cmake --install build/release --prefix build/release/installed >/dev/null
build/release/installed/bin/OrvexEnvRead tests/wine/scenarios/machine-ready/expected.txt >/dev/null ||
  { echo "FAILED: the installed OrvexEnvRead did not read the ready machine's report with exit code 0"; status=1; }
echo "== static analysis"
bash scripts/lint.sh || status=1
exit $status

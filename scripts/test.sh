#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# and the static analysis (scripts/lint.sh) beside them.
set -euo pipefail
# This shell adopts the processes its steps leave running (Wine's servers
# detach from the step that starts them), so that their CPU time counts too.
# (prctl 36: PR_SET_CHILD_SUBREAPER, kept across exec.)
if [ -z "${ORVEX_TEST_SUBREAPER-}" ] && command -v python3 >/dev/null; then
  export ORVEX_TEST_SUBREAPER=1
  exec python3 -c 'import ctypes, os, sys; ctypes.CDLL(None).prctl(36, 1, 0, 0, 0); os.execvp(sys.argv[1], sys.argv[1:])' \
    bash "$0" "$@"
fi
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# CPU seconds (user and system) of this shell's children that have ended, in
# $cpu_seconds: on 2 cores a step takes at least half its CPU time in wall time.
times_file=$(mktemp)
trap 'rm -f "$times_file"' EXIT
cpu() {
  times >"$times_file"
  cpu_seconds=$(awk 'END { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
    "$times_file")
}
# Each step says how long it took, in wall and CPU time, when the next one
# begins (`step -`: when no other step follows at once).
step() {
  cpu
  [ -z "${step_name-}" ] || echo "   ($step_name: $((SECONDS - step_start)) s, $((cpu_seconds - step_cpu)) s CPU)"
  step_name=$1 step_start=$SECONDS step_cpu=$cpu_seconds
  if [ "$1" = - ]; then step_name=; else echo "== $1"; fi
}

# A step beside the others: `beside NAME COMMAND...` starts it, its output
# waits in a file with its own times, and `collect NAME`, between steps,
# waits for it and prints that.
declare -A job_pid job_log
beside() {
  local name=$1
  shift
  job_log[$name]=$(mktemp)
  (
    SECONDS=0 times_file=${job_log[$name]}.times
    echo "== $name"
    result=0
    "$@" || result=1
    cpu
    rm -f "$times_file"
    echo "   ($name: $SECONDS s, $cpu_seconds s CPU)"
    exit $result
  ) >"${job_log[$name]}" 2>&1 &
  job_pid[$name]=$!
}
collect() {
  wait "${job_pid[$1]}" || status=1
  cat "${job_log[$1]}"
  rm -f "${job_log[$1]}"
  unset "job_pid[$1]"
}
trap 'for pid in "${job_pid[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -f "$times_file" "${job_log[@]}"' EXIT

status=0
step "native: configure and build"
cmake --preset native >/dev/null
cmake --build --preset native
# The native tests need about one core: they run beside the other builds.
beside "native: tests (beside the builds)" ctest --preset native
for preset in win32 win64 release; do
  step "$preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
step "release: the installed reader reads a report"
cmake --install build/release --prefix build/release/installed >/dev/null
build/release/installed/bin/OrvexEnvRead tests/wine/scenarios/machine-ready/expected.txt >/dev/null ||
  { echo "FAILED: the installed OrvexEnvRead did not read the ready machine's report with exit code 0"; status=1; }
step -
collect "native: tests (beside the builds)"
# The static analysis needs no build, and much of the Windows tests' time is
# spent waiting on Wine: it runs beside them, and its output follows theirs.
beside "static analysis (beside the Windows tests)" bash scripts/lint.sh
for preset in win32 win64; do
  step "$preset: tests"
  ctest --preset "$preset" || status=1
done
step -
collect "static analysis (beside the Windows tests)"
cpu
echo "== all: $SECONDS s, $cpu_seconds s CPU"
exit $status

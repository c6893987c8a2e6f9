#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# and the static analysis (scripts/lint.sh) beside them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Runs a step (NAME COMMAND...) and says how long it took, in wall and CPU
# time (user and system, of every process it started, also of those it leaves
# running for a while, as Wine's servers: it adopts them). On 2 cores a step
# takes at least half its CPU time in wall time.
timed='
import ctypes, os, resource, sys, time
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
start = time.monotonic()
child = os.fork()
if child == 0:
    os.execvp(sys.argv[2], sys.argv[2:])
status = os.waitpid(child, 0)[1]
wall = time.monotonic() - start
until = time.monotonic() + 10
while time.monotonic() < until:
    try:
        if os.waitpid(-1, os.WNOHANG)[0] == 0:
            time.sleep(0.1)
    except ChildProcessError:
        break
used = resource.getrusage(resource.RUSAGE_CHILDREN)
print("   (%s: %.0f s, %.0f s CPU)" % (sys.argv[1], wall, used.ru_utime + used.ru_stime), flush=True)
sys.exit(os.waitstatus_to_exitcode(status))
'
step() {
  echo "== $1"
  python3 -c "$timed" "$@"
}
# The steps that are more than one command.
configure_and_build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}
installed_reader() {
  cmake --install build/release --prefix build/release/installed >/dev/null &&
    build/release/installed/bin/OrvexEnvRead tests/wine/scenarios/machine-ready/expected.txt >/dev/null ||
    { echo "FAILED: the installed OrvexEnvRead did not read the ready machine's report with exit code 0"; return 1; }
}
export -f configure_and_build installed_reader
# A step beside the others: `beside NAME COMMAND...` starts it, its output
# waits in a file, and `collect NAME` waits for it and prints that.
declare -A job_pid job_log
beside() {
  job_log[$1]=$(mktemp)
  step "$@" >"${job_log[$1]}" 2>&1 &
  job_pid[$1]=$!
}
collect() {
  wait "${job_pid[$1]}" || status=1
  unset "job_pid[$1]"
  cat "${job_log[$1]}"
}
times_file=$(mktemp)
trap 'for pid in "${job_pid[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -f "${job_log[@]}" "$times_file"' EXIT

SECONDS=0
status=0
step "native: configure and build" bash -c 'configure_and_build native'
# The native tests need about one core: they run beside the other builds.
beside "native: tests (beside the builds)" ctest --preset native
for preset in win32 win64 release; do
  step "$preset: configure and build" bash -c 'configure_and_build "$0"' "$preset"
done
step "release: the installed reader reads a report" bash -c installed_reader || status=1
collect "native: tests (beside the builds)"
# The static analysis needs no build, and much of the Windows tests' time is
# spent waiting on Wine: it runs beside them, and its output follows theirs.
beside "static analysis (beside the Windows tests)" bash scripts/lint.sh
step "win32: tests" ctest --preset win32 || status=1
step "win64: tests" ctest --preset win64 || status=1
collect "static analysis (beside the Windows tests)"
times >"$times_file"
echo "== all: $SECONDS s, $(awk 'END { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
  "$times_file") s CPU"
exit $status

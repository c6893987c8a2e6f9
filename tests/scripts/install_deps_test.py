"""scripts/install-deps.sh on a machine with nothing installed, its apt-get
and dpkg stand-ins on the PATH: a package index out of step with its mirror,
retried; an install that works, and one in which a package cannot be
installed. Needs no root and touches nothing of the real system.

Usage: install_deps_test.py SCRIPT"""
import os
import shutil
import subprocess
import sys
import tempfile

script = sys.argv[1]

# apt-get as a mirror being synced shows it: the update exits 0 but warns.
# APT_UPDATE_FAILURES updates fail, then they work; the packages named in
# APT_BROKEN cannot be installed.
APT_GET = """#!/bin/sh
echo "$*" >>"$STUB_LOG"
case $1 in
update)
  n=$(grep -c '^update' "$STUB_LOG")
  if [ "$n" -le "$APT_UPDATE_FAILURES" ]; then
    echo "E: Failed to fetch http://deb.example/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1156 != 1144). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  fi ;;
install)
  for package in $APT_BROKEN; do
    case " $* " in *" $package "*) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;; esac
  done ;;
esac
"""
DPKG = """#!/bin/sh
echo "dpkg $*" >>"$STUB_LOG"
"""


def run(update_failures, broken):
    with tempfile.TemporaryDirectory() as work:
        bin_dir = os.path.join(work, "bin")
        os.mkdir(bin_dir)
        for name, text in (("apt-get", APT_GET), ("dpkg", DPKG)):
            with open(os.path.join(bin_dir, name), "w") as f:
                f.write(text)
            os.chmod(os.path.join(bin_dir, name), 0o755)
        for tool in ("grep", "sed", "mktemp", "rm", "sleep"):
            os.symlink(shutil.which(tool), os.path.join(bin_dir, tool))
        os.mkdir(os.path.join(work, "root"))
        log = os.path.join(work, "apt.log")
        open(log, "w").close()
        env = {"PATH": bin_dir, "ORVEX_DEPS_ROOT": os.path.join(work, "root"), "ORVEX_APT_WAITS": "0 0 0",
               "STUB_LOG": log, "APT_UPDATE_FAILURES": str(update_failures), "APT_BROKEN": broken}
        result = subprocess.run(["/bin/bash", script], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, timeout=60)
        with open(log) as f:
            calls = f.read().splitlines()
    return result, calls


def packages(call):
    """The packages of an apt-get call: its words but the options and their values."""
    words = call.split()[1:]
    return [w for i, w in enumerate(words) if not w.startswith("-") and (i == 0 or words[i - 1] != "-o")]


def expect(title, result, checks):
    failed = [message for ok, message in checks if not ok]
    for message in failed:
        print("FAILED: %s: %s" % (title, message))
    if failed:
        print("--- stdout\n%s--- stderr\n%s" % (result.stdout, result.stderr))
    return not failed


# Two refreshes fail, the third works; everything installs at once.
result, calls = run(2, "")
installs = [packages(call) for call in calls if call.startswith("install")]
late = expect("a late refresh", result, [
    (result.returncode == 0, "exit code %d, not 0" % result.returncode),
    (sum(c.startswith("update") for c in calls) == 3 and result.stderr.count("trying again in 0 s") == 2,
     "three refreshes, two retries announced"),
    ("dpkg --add-architecture i386" in calls, "i386 added"),
    (len(installs) == 1 and {"wine32:i386", "wine64", "cmake", "chromium", "locales"} <= set(installs[0]),
     "one install of every package"),
])

# The refresh never works and wine32 cannot be installed: the others still are.
result, calls = run(9, "wine32:i386")
every, *singles = [packages(call) for call in calls if call.startswith("install")]
failing = expect("an install that fails", result, [
    (result.returncode == 1, "exit code %d, not 1" % result.returncode),
    (sum(c.startswith("update") for c in calls) == 4 and "installing from the ones that are there" in result.stderr,
     "four refreshes, then the install from what is there"),
    (sorted(p for [p] in singles) == sorted(every), "each package tried alone"),
    ("could not install: wine32:i386\n" in result.stderr, "wine32 named alone"),
    ("out of step" in result.stderr and "try again in a few minutes" in result.stderr, "the likely cause"),
])
sys.exit(0 if late and failing else 1)

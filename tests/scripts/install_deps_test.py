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


checks = []


def check(ok, message, result):
    checks.append((ok, message, result))


# Two refreshes fail, the third works; everything installs at once.
result, calls = run(2, "")
install = [packages(call) for call in calls if call.startswith("install")]
check(result.returncode == 0, "a late refresh: exit code 0, not %d" % result.returncode, result)
check(len([c for c in calls if c.startswith("update")]) == 3, "a late refresh: three updates", result)
check(result.stderr.count("trying again in 0 s") == 2, "a late refresh: two retries announced", result)
check("dpkg --add-architecture i386" in calls, "a late refresh: i386 added", result)
check(len(install) == 1 and {"wine32:i386", "wine64", "cmake", "chromium", "locales"} <= set(install[0]),
      "a late refresh: one install of every package", result)

# The refresh never works and wine32 cannot be installed: the others still are.
result, calls = run(9, "wine32:i386")
every, *singles = [packages(call) for call in calls if call.startswith("install")]
check(result.returncode == 1, "an install that fails: exit code 1, not %d" % result.returncode, result)
check(len([c for c in calls if c.startswith("update")]) == 4, "an install that fails: four updates", result)
check("installing from the ones that are there" in result.stderr, "an install that fails: from what is there",
      result)
check(sorted(p for [p] in singles) == sorted(every), "an install that fails: each package tried alone", result)
check("could not install: wine32:i386\n" in result.stderr, "an install that fails: wine32 named alone", result)
check("out of step" in result.stderr and "try again in a few minutes" in result.stderr,
      "an install that fails: the likely cause", result)

failed = [(message, result) for ok, message, result in checks if not ok]
for message, result in failed:
    print("FAILED: %s\n--- stdout\n%s--- stderr\n%s" % (message, result.stdout, result.stderr))
sys.exit(1 if failed else 0)

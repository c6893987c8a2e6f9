"""scripts/install-deps.sh on a machine with nothing installed, its apt-get,
dpkg and npm stand-ins on the PATH: a package index out of step with its
mirror, retried; an install that works at once, one that works without the
suite whose index failed, and one in which a package cannot be installed;
another apt run holding the lock for a while; the npm packages installed
after node and npm, again when their lock file changed, and an npm install
that fails. Needs no root and touches nothing of the real system (npm's
record of its install lies under the stand-in root).

Usage: install_deps_test.py SCRIPT"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

script = sys.argv[1]

# apt-get as a mirror being synced shows it: the update exits 0 but warns.
# APT_UPDATE_FAILURES updates fail, then they work. The packages named in
# APT_BROKEN cannot be installed, or only without the security suite when
# APT_FIXED_BY_FEWER_SUITES is set; such an install then removes the packages
# of APT_REMOVES. An install puts the signs of its packages (SIGNS: package,
# then signs) in place: commands in the stub's bin (the stand-in of STUB_TOOLS
# where there is one), files under the root.
# While the file APT_LOCK exists another apt run holds the lock: apt-get
# fails at once, unless given DPkg::Lock::Timeout, with which it waits.
APT_GET = r"""#!/bin/sh
echo "$*" >>"$STUB_LOG"
if [ -n "$APT_LOCK" ] && [ -e "$APT_LOCK" ]; then
  held="Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)"
  timeout=0
  for word in "$@"; do
    case $word in DPkg::Lock::Timeout=*) timeout=${word#*=} ;; esac
  done
  tenths=0
  [ "$timeout" -eq 0 ] || { echo "lock: waiting" >>"$STUB_LOG"; echo "Waiting for cache lock: $held" >&2; }
  while [ -e "$APT_LOCK" ]; do
    [ "$tenths" -lt $((timeout * 10)) ] || { echo "E: $held" >&2; exit 100; }
    sleep 0.1; tenths=$((tenths + 1))
  done
fi
case $1 in
update)
  n=$(grep -c '^update' "$STUB_LOG")
  if [ "$n" -le "$APT_UPDATE_FAILURES" ]; then
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1156 != 1144). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  fi ;;
install)
  list= parts=
  for word in "$@"; do
    case $word in
    Dir::Etc::SourceList=*) list=${word#*=} ;;
    Dir::Etc::SourceParts=*) parts=${word#*=} ;;
    esac
  done
  if [ -n "$parts" ]; then
    cat "$list" "$parts"/* >"$STUB_SOURCES"
  fi
  for package in $APT_BROKEN; do
    case " $* " in *" $package "*)
      if [ -z "$APT_FIXED_BY_FEWER_SUITES" ] || [ -z "$parts" ] || grep -q security "$STUB_SOURCES"; then
        echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100
      fi
      for gone in $APT_REMOVES; do
        grep "^$gone " "$SIGNS" | cut -d' ' -f2- | tr ' ' '\n' | while read -r sign; do
          rm -f "$STUB_ROOT$sign" "$STUB_BIN/$sign"
        done
      done ;;
    esac
  done
  for word in "$@"; do
    grep "^$word " "$SIGNS" | cut -d' ' -f2- | tr ' ' '\n' | while read -r sign; do
      case $sign in
      /*) file=$(echo "$STUB_ROOT$sign" | tr '*' x); mkdir -p "$(dirname "$file")"; touch "$file" ;;
      *) if [ -f "$STUB_TOOLS/$sign" ]; then cat "$STUB_TOOLS/$sign"; else printf '#!/bin/sh\n'; fi >"$STUB_BIN/$sign"
         chmod +x "$STUB_BIN/$sign" ;;
      esac
    done
  done ;;
esac
"""
DPKG = """#!/bin/sh
echo "dpkg $*" >>"$STUB_LOG"
"""
# npm ci writes its record of the install where the script looks for it,
# under the root; with NPM_FAILS set it fails as without the registry.
NPM = """#!/bin/sh
echo "npm $* in $PWD" >>"$STUB_LOG"
if [ -n "$NPM_FAILS" ]; then echo "npm error code ECONNREFUSED" >&2; exit 1; fi
mkdir -p "$STUB_ROOT$PWD/node_modules" && touch "$STUB_ROOT$PWD/node_modules/.package-lock.json"
"""
SOURCES = {
    "sources.list": "deb [arch=amd64,i386] http://deb.example/debian-security/ bookworm-security main\n"
                    "deb http://deb.example/debian bookworm main\n",
    "sources.list.d/debian.sources": "Types: deb\nURIs: http://deb.example/debian\nSuites: bookworm bookworm-updates\n"
                                     "Components: main\n\nTypes: deb\nURIs: http://deb.example/debian-security\n"
                                     "Suites: bookworm-security\nComponents: main\n",
}

with open(script) as f:
    table = re.search(r"^packages=\((.*?)^\)", f.read(), re.M | re.S).group(1)
signs = [line.strip().strip('"') for line in table.splitlines() if line.strip().startswith('"')]


def run(work, update_failures, broken="", fixed_by_fewer_suites="", removes="", npm_fails="", lock=None):
    bin_dir, root, tools = os.path.join(work, "bin"), os.path.join(work, "root"), os.path.join(work, "tools")
    if not os.path.isdir(bin_dir):
        os.mkdir(bin_dir)
        os.mkdir(tools)
        with open(os.path.join(tools, "npm"), "w") as f:
            f.write(NPM)
        for name, text in (("apt-get", APT_GET), ("dpkg", DPKG)):
            with open(os.path.join(bin_dir, name), "w") as f:
                f.write(text)
            os.chmod(os.path.join(bin_dir, name), 0o755)
        for tool in ("grep", "sed", "mktemp", "rm", "sleep", "awk", "cut", "sort", "mkdir", "cat", "touch", "chmod",
                     "dirname", "tr"):
            os.symlink(shutil.which(tool), os.path.join(bin_dir, tool))
        for name, text in SOURCES.items():
            os.makedirs(os.path.dirname(os.path.join(root, "etc/apt", name)), exist_ok=True)
            with open(os.path.join(root, "etc/apt", name), "w") as f:
                f.write(text)
        with open(os.path.join(work, "signs"), "w") as f:
            f.write("\n".join(" ".join(line.split()) for line in signs) + "\n")
    log = os.path.join(work, "apt.log")
    open(log, "w").close()
    env = {"PATH": bin_dir, "ORVEX_DEPS_ROOT": root, "ORVEX_APT_WAITS": "0 0 0", "STUB_LOG": log,
           "STUB_ROOT": root, "STUB_BIN": bin_dir, "STUB_TOOLS": tools, "NPM_FAILS": npm_fails,
           "SIGNS": os.path.join(work, "signs"), "STUB_SOURCES": os.path.join(work, "sources.seen"),
           "APT_UPDATE_FAILURES": str(update_failures), "APT_BROKEN": broken,
           "APT_FIXED_BY_FEWER_SUITES": fixed_by_fewer_suites, "APT_REMOVES": removes, "APT_LOCK": lock or ""}
    process = subprocess.Popen(["/bin/bash", script], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    if lock:
        # The other apt run ends a second after this one began to wait for
        # it, or never, should this one not wait.
        while process.poll() is None and "lock: waiting" not in read(log):
            time.sleep(0.05)
        time.sleep(1)
        os.unlink(lock)
    stdout, stderr = process.communicate(timeout=60)
    result = subprocess.CompletedProcess(process.args, process.returncode, stdout, stderr)
    with open(log) as f:
        calls = f.read().splitlines()
    return result, calls


def read(path):
    with open(path) as f:
        return f.read()


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


duckdb = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(script))), "tests/reader/duckdb")
verdicts = []
with tempfile.TemporaryDirectory() as work:
    # Two refreshes fail, the third works; everything installs at once, the
    # npm packages after it, and a second run finds nothing to do.
    result, calls = run(work, 2)
    installs = [packages(call) for call in calls if call.startswith("install")]
    npm_at = [i for i, call in enumerate(calls) if call.startswith("npm")]
    apt_at = [i for i, call in enumerate(calls) if call.startswith("install")]
    again, calls_again = run(work, 0)
    verdicts.append(expect("a late refresh", result, [
        (result.returncode == 0, "exit code %d, not 0" % result.returncode),
        (sum(c.startswith("update") for c in calls) == 3 and result.stderr.count("trying again in 0 s") == 2,
         "three refreshes, two retries announced"),
        ("dpkg --add-architecture i386" in calls, "i386 added"),
        (len(installs) == 1 and {"wine32:i386", "wine64", "cmake", "chromium", "locales"} <= set(installs[0]),
         "one install of every package"),
        ({"nodejs", "npm", "python3-jsonschema"} <= set(installs[0] if installs else []), "node, npm, jsonschema"),
        ([calls[i] for i in npm_at] == ["npm ci in " + duckdb] and apt_at and npm_at[0] > apt_at[0],
         "npm ci once in %s, after apt-get" % duckdb),
        (again.returncode == 0 and calls_again == [] and "everything is installed" in again.stdout,
         "a second run installs nothing"),
    ]))

    # The lock file changed since npm's install (made older here): npm ci
    # again; an npm that cannot reach the registry fails the script.
    record = os.path.join(work, "root") + duckdb + "/node_modules/.package-lock.json"
    for npm_fails, code, title in (("", 0, "a lock file newer than the install"), ("yes", 1, "an npm that fails")):
        os.utime(record, (0, 0))
        result, calls = run(work, 0, npm_fails=npm_fails)
        verdicts.append(expect(title, result, [
            (result.returncode == code, "exit code %d, not %d" % (result.returncode, code)),
            (calls == ["npm ci in " + duckdb], "npm ci alone, not %s" % calls),
            (("could not install the npm packages of tests/reader/duckdb" in result.stderr) == bool(npm_fails),
             "the folder named when npm failed, and only then"),
        ]))

with tempfile.TemporaryDirectory() as work:
    # The refresh never works and wine32 cannot be installed: the others still are.
    result, calls = run(work, 9, "wine32:i386")
    every, *rest = [packages(call) for call in calls if call.startswith("install")]
    verdicts.append(expect("an install that fails", result, [
        (result.returncode == 1, "exit code %d, not 1" % result.returncode),
        (sum(c.startswith("update") for c in calls) == 4 and "installing from the ones that are there" in result.stderr,
         "four refreshes, then the install from what is there"),
        (["wine32:i386"] in rest and "could not install: wine32:i386\n" in result.stderr,
         "wine32 tried alone and named alone"),
        ("out of step" in result.stderr and "try again in a few minutes" in result.stderr, "the likely cause"),
        ("npm ci in " + duckdb in calls, "the npm packages installed all the same"),
    ]))

    # Run again: wine32 installs only without the security suite, at the
    # cost of the installed wine64, which the next round installs again.
    result, calls = run(work, 9, "wine32:i386", "yes", "wine64")
    installs = [packages(call) for call in calls if call.startswith("install")]
    with open(os.path.join(work, "sources.seen")) as f:
        seen = f.read()
    verdicts.append(expect("an install without the stale suite", result, [
        (result.returncode == 0, "exit code %d, not 0" % result.returncode),
        ("without the suites whose indexes did not refresh: bookworm-security" in result.stderr, "the suite named"),
        ("security" not in seen and "http://deb.example/debian bookworm main" in seen
         and "Suites: bookworm bookworm-updates" in seen, "only the stale suite left out of the sources"),
        (installs == [["wine32:i386"], ["wine32:i386"], ["wine64"]], "wine64 installed again after the install that removed it"),
    ]))
with tempfile.TemporaryDirectory() as work:
    # A second checkout setting up at the same time: its apt run holds the lock.
    lock = os.path.join(work, "lock-frontend")
    open(lock, "w").close()
    result, calls = run(work, 0, lock=lock)
    apt_calls = [call for call in calls if call.startswith(("update", "install"))]
    verdicts.append(expect("another apt run holding the lock", result, [
        (result.returncode == 0, "exit code %d, not 0" % result.returncode),
        ("lock: waiting" in calls, "apt-get waited for the lock"),
        (apt_calls and all("DPkg::Lock::Timeout=" in call for call in apt_calls), "every apt-get call waits for it"),
    ]))
sys.exit(0 if all(verdicts) else 1)

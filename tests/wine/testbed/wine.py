"""The build tree's settings and Wine processes in one prefix."""

import contextlib
import json
import os
import pwd
import re
import resource
import shutil
import signal
import subprocess
import tempfile
import time

from testbed import Failure, log

LOADERS = {"win64": "/usr/lib/wine/wine64", "win32": "/usr/lib/wine/wine"}
WINESERVER = "/usr/lib/wine/wineserver"
# The Wine programs a scenario's steps run, by their Windows paths (see Wine.native).
BY_PATH = {name: "C:\\windows\\system32\\%s.exe" % name for name in ("reg", "sc")}

# Japan time for every Wine process. Not "Asia/Tokyo": Wine hands TZ on to the
# Windows environment, where the C runtime parses it in its own syntax and
# reads "Asia/Tokyo" as UTC. "JST-9" means UTC+9 to both glibc and msvcrt.
WINE_TZ = "JST-9"

HELPER_TIMEOUT = 120


class Bed:
    """bed.json, written by CMake into the build tree: the built programs and
    the bed's directories."""

    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            config = json.load(f)
        self.build = config["build"]  # win32 or win64: the bitness of the built programs
        self.root = config["bed"]
        self.exe = config["exe"]
        self.launch = config["launch"]
        self.service = config["service"]
        self.regsnap = config["regsnap"]
        self.misbehave = config.get("misbehave")
        self.holdopen = config.get("holdopen")
        self.floor = config.get("floor")
        self.program_loader = LOADERS[self.build]
        self.locale_dir = os.path.join(self.root, "locale")
        self.prefixes = os.path.join(self.root, "prefixes")
        self.runs = os.path.join(self.root, "runs")
        self.home = os.path.join(self.root, "home")
        self.user = pwd.getpwuid(os.getuid()).pw_name

    def pristine(self, kind):
        return os.path.join(self.prefixes, kind)

    def facts(self, kind):
        with open(os.path.join(self.pristine(kind), ".orvex-facts.json"), encoding="utf-8") as f:
            return json.load(f)

    def env(self, prefix, kind, tmpdir):
        """The whole environment of a Wine process: nothing leaks in from the caller's."""
        env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": self.home,
            "USER": self.user,
            "LOGNAME": self.user,
            "LANG": "ja_JP.UTF-8",
            "LC_ALL": "ja_JP.UTF-8",
            "LOCPATH": self.locale_dir,
            "TZ": WINE_TZ,
            "TMPDIR": tmpdir,
            "WINEPREFIX": prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        }
        if kind == "win32":
            env["WINEARCH"] = "win32"
        return env


class Wine:
    """One prefix in use: its environment, its wineserver and a log directory.

    Output always goes to files: Wine's helper processes inherit the handles of
    the first program in a prefix, so a pipe would stay open after it ends.
    The wineserver's socket lives in a private temporary directory (Debian's
    Wine puts it under TMPDIR), removed with the server."""

    def __init__(self, bed, prefix, kind, logs):
        self.bed = bed
        self.prefix = prefix
        self.kind = kind
        self.logs = logs
        os.makedirs(logs, exist_ok=True)
        os.makedirs(bed.home, exist_ok=True)
        self.tmpdir = tempfile.mkdtemp(prefix="orvex-wine-")
        with open(os.path.join(logs, "tmpdir"), "w") as f:
            f.write(self.tmpdir)
        self.env = bed.env(prefix, kind, self.tmpdir)
        self.count = 0
        self.holders = []

    def start_server(self):
        """A persistent wineserver: other users' hives imported under
        HKEY_USERS live only as long as it does."""
        subprocess.run([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=HELPER_TIMEOUT)

    def stop(self):
        stop_wineserver(self.env)
        for holder in self.holders:
            with contextlib.suppress(subprocess.TimeoutExpired):
                holder.wait(timeout=10)
        shutil.rmtree(self.tmpdir, ignore_errors=True)

    def hold_open(self, path, mode, *more):
        """Another program holding a file open for the whole run (holdopen.exe),
        or taking the tool's turn at it for a while (mode "turn", the seconds
        in `more`); the wineserver's end ends it. Returns the process and
        the file of its error output, once the file is held."""
        self.count += 1
        base = os.path.join(self.logs, "%02d-holdopen" % self.count)
        ready = base + ".ready"
        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            holder = subprocess.Popen([self.bed.program_loader, self.bed.holdopen, path, mode, unix_to_windows(ready)]
                                      + list(more), env=self.env, cwd=self.logs, stdin=subprocess.DEVNULL,
                                      stdout=out, stderr=err)
        self.holders.append(holder)
        deadline = time.time() + HELPER_TIMEOUT
        while not os.path.exists(ready):
            if holder.poll() is not None or time.time() > deadline:
                with open(base + ".err", "rb") as f:
                    raise Failure("holdopen %s %s failed: %s" % (path, mode, f.read().decode("cp932", "replace")))
            time.sleep(0.05)
        return holder, base + ".err"

    def run(self, loader, args, name, cwd=None, extra_env=None, timeout=HELPER_TIMEOUT, check=True, file_limit=None,
            under_test=False, undo=None):
        """Runs a program; returns (exit code, stdout bytes, stderr bytes).
        With file_limit no file the program writes grows beyond that many
        bytes: further writes fail as on a full disk (RLIMIT_FSIZE, with
        SIGXFSZ ignored so that the write returns an error instead). A step
        that Wine itself failed (wine_failure) runs once more, after undo()
        has put back what the first one may have written; under_test marks
        the program the test is about, check a helper step that must succeed."""
        [(rc, stdout, stderr)] = self.once_more_if_wine_failed(
            lambda: [self.run_once(loader, args, name, cwd, extra_env, timeout, file_limit)], name, under_test, undo,
            must_succeed=check)
        if check and rc != 0:
            raise Failure("%s failed with exit code %d:\n%s%s" % (
                name, rc, stdout.decode("cp932", "replace"), stderr.decode("cp932", "replace")))
        return rc, stdout, stderr

    @staticmethod
    def once_more_if_wine_failed(attempt, name, under_test, undo, must_succeed=False):
        """attempt(): [(exit code, stdout, stderr)] of its programs. When Wine
        failed under one of them, undo() puts back what they may have
        written and attempt() runs once more."""
        results = attempt()
        why = next(filter(None, (wine_failure(*result, under_test, must_succeed) for result in results)), None)
        if why:
            log("%s: Wine failed (%s); running it once more" % (name, why))
            if undo:
                undo()
            results = attempt()
        return results

    def run_once(self, loader, args, name, cwd, extra_env, timeout, file_limit):
        self.count += 1
        base = os.path.join(self.logs, "%02d-%s" % (self.count, name))
        env = dict(self.env)
        env.update(extra_env or {})

        def limit_file_size():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))

        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            try:
                rc = subprocess.run([loader] + list(args), env=env, cwd=cwd or self.logs, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err, timeout=timeout,
                                    preexec_fn=limit_file_size if file_limit is not None else None).returncode
            except subprocess.TimeoutExpired:
                raise Failure("%s did not end within %d s" % (name, timeout))
        with open(base + ".out", "rb") as f:
            stdout = f.read()
        with open(base + ".err", "rb") as f:
            stderr = f.read()
        return rc, stdout, stderr

    def run_at_once(self, loader, args, name, count, cwd=None, timeout=HELPER_TIMEOUT, undo=None):
        """Starts the program under test `count` times at once, each with its
        own output files, and waits for all; returns [(exit code, stdout,
        stderr)]. When Wine failed under one, all run once more after undo()."""
        return self.once_more_if_wine_failed(lambda: self.start_at_once(loader, args, name, count, cwd, timeout),
                                             name, True, undo)

    def start_at_once(self, loader, args, name, count, cwd, timeout):
        started = []
        for _ in range(count):
            self.count += 1
            base = os.path.join(self.logs, "%02d-%s" % (self.count, name))
            with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
                started.append((base, subprocess.Popen([loader] + list(args), env=self.env, cwd=cwd or self.logs,
                                                       stdin=subprocess.DEVNULL, stdout=out, stderr=err)))
        deadline = time.time() + timeout
        results = []
        for base, process in started:
            try:
                rc = process.wait(timeout=max(0.0, deadline - time.time()))
            except subprocess.TimeoutExpired:
                for _, other in started:
                    other.kill()
                    other.wait()
                raise Failure("%s did not end within %d s" % (name, timeout))
            with open(base + ".out", "rb") as f, open(base + ".err", "rb") as g:
                results.append((rc, f.read(), g.read()))
        return results

    def native(self, args, name, **kwargs):
        """A Wine program (reg, sc, wmic, cmd) in the prefix's native bitness.
        The scenarios' own steps name it by its Windows path: Wine starts a
        bare name through start.exe, one process more, which costs more than
        the program itself."""
        program = BY_PATH.get(args[0], args[0])
        return self.run(LOADERS[self.kind], [program] + list(args[1:]), name, **kwargs)


# What Wine prints when it fails under a program: before the program starts
# (the connection to the wineserver lost, a module or the program not
# loaded), or when a program crashes. A program of its own never ends by a
# Unix signal: Wine turns its faults into exceptions.
WINE_START_FAILED = re.compile(rb"^(wine client error:|wine: could not load |wine: failed to ).*", re.M)
WINE_CRASHED = re.compile(rb"^wine: Unhandled .*", re.M)


def wine_failure(rc, stdout, stderr, under_test, must_succeed=False):
    """Why a failed step is Wine's failure and not its program's, or None.
    The bed's helper steps (reg, sc, regsnap, cmd, wmic) test nothing: a
    crash of theirs is Wine's too, and so is any failure of one that must
    succeed (must_succeed: reg import, sc create, sc start; seen under load:
    sc create failing), since on a sound machine it always does. A helper
    whose failure is expected (sc delete of a service that may not exist)
    is judged by Wine's messages alone. The program under test is not judged
    again once it ran and failed: only a failure that left no output and no
    crash of the program is Wine's, or Wine's own death by a Unix signal
    (seen under load: the 32-bit loader ending by SIGSEGV after a test
    program had said that all its tests passed). A helper that ended well
    while Wine crashed in it (seen under load: reg import exiting with 0
    after "wine: Unhandled page fault") has done its work in doubt: Wine's
    too."""
    crashed = WINE_CRASHED.search(stderr)
    if rc == 0:
        return crashed.group().decode("utf-8", "replace") if crashed and not under_test else None
    if rc < 0 and not crashed:
        return "ended by signal %d" % -rc
    if under_test and (stdout or crashed):
        return None
    failure = WINE_START_FAILED.search(stderr) or crashed
    if failure:
        return failure.group().decode("utf-8", "replace")
    if must_succeed:
        said = (stderr.strip() or stdout.strip()).splitlines()[:1]
        return "exit code %d%s" % (rc, ": " + said[0].decode("cp932", "replace") if said else "")
    return None


def stop_wineserver(env):
    for flag in ("-k", "-w"):
        try:
            subprocess.run([WINESERVER, flag], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        except subprocess.TimeoutExpired:
            log("warning: wineserver %s did not return for %s" % (flag, env["WINEPREFIX"]))


def stop_leftover_server(work):
    """Stops the wineserver that a run in `work`, killed from outside, left
    behind (its socket directory is named in logs/tmpdir); true if it did."""
    tmpfile = os.path.join(work, "logs", "tmpdir")
    if not os.path.exists(tmpfile):
        return False
    with open(tmpfile) as f:
        tmpdir = f.read().strip()
    if not os.path.isdir(tmpdir):
        return False
    stop_wineserver({"PATH": "/usr/bin:/bin", "WINEPREFIX": os.path.join(work, "prefix"), "TMPDIR": tmpdir})
    shutil.rmtree(tmpdir, ignore_errors=True)
    return True


def unix_to_windows(path):
    """A Unix path as Wine's Z: drive names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def decode_console(data):
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("cp932", "replace")

"""One run: a prefix copy with its own wineserver, the machine laid out, the
exe placed and started, and every check of a scenario."""

import fcntl
import os
import shutil
import subprocess
import time

from testbed import Failure, log
from testbed.compare import SEPARATOR, output_problems, template_from
from testbed.machine import drive_c_parts, lay_out, place_file, resolve, windows_path
from testbed.prefixes import copy_prefix
from testbed.readonly import read_only_problems, snapshot
from testbed.wine import Wine, stop_leftover_server

DEFAULT_EXE = "C:\\OrvexEnv\\OrvexEnv.exe"
RESULT_NAME = "OrvexEnv.txt"
EXE_TIMEOUT = 120


class Run:
    """A prefix copy with a wineserver, removed again at the end."""

    def __init__(self, bed, name, kind, keep=False):
        self.bed = bed
        self.kind = kind
        self.keep = keep
        self.work = os.path.join(bed.runs, "%s.%s" % (name, kind))
        # A second run of the same name in this bed (the sample shown while
        # the tests run it too) waits until this one has ended.
        self.lock = hold_work(self.work, wait=True)
        cleanup_work(self.work)
        os.makedirs(self.work)
        self.prefix = os.path.join(self.work, "prefix")
        copy_prefix(bed, kind, self.prefix)
        self.facts = dict(bed.facts(kind))
        self.wine = Wine(bed, self.prefix, kind, os.path.join(self.work, "logs"))
        self.ok = False

    def __enter__(self):
        self.wine.start_server()
        return self

    def __exit__(self, *exc):
        self.wine.stop()
        if not self.ok:
            log("kept for inspection: " + self.work)
        elif not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)
        self.lock.close()
        return False


def hold_work(work, wait):
    """The lock of a run's directory, held while the run lasts; None when
    another process holds it and wait is false."""
    os.makedirs(os.path.dirname(work), exist_ok=True)
    lock = open(work + ".lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX if wait else fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        lock.close()
        return None
    return lock


def cleanup_work(work):
    """Removes an earlier run's directory, stopping its wineserver if one is left."""
    if not os.path.exists(work):
        return
    if os.path.exists(os.path.join(work, "prefix", "wineserver")):
        stop_leftover_server(work)
    shutil.rmtree(work, ignore_errors=True)


def place_exe(run, scenario, facts, exe=None):
    """Copies the exe to where the scenario wants it and makes its current
    directory; returns the exe's Windows path, the current directory (Windows
    and Unix) and the parts of the result file's path on drive C."""
    drive_c = os.path.join(run.prefix, "drive_c")
    exe_parts = drive_c_parts(scenario.setting("exe", facts, DEFAULT_EXE) if scenario else DEFAULT_EXE)
    exe_unix = resolve(drive_c, exe_parts, make_dirs=True)
    place_file(exe or run.bed.exe, exe_unix)
    exe_windows = windows_path(exe_parts)
    cwd = scenario.setting("cwd", facts) if scenario else None
    cwd_parts = drive_c_parts(cwd) if cwd else exe_parts[:-1]
    cwd_unix = resolve(drive_c, cwd_parts, make_dirs=True)
    os.makedirs(cwd_unix, exist_ok=True)
    result = scenario.setting("result_file", facts) if scenario else None
    result_parts = drive_c_parts(result) if result else exe_parts[:-1] + [RESULT_NAME]
    return exe_windows, windows_path(cwd_parts), cwd_unix, result_parts


def run_exe(run, exe_windows, cwd_windows, cwd_unix, argv0, file_limit=None, undo=None):
    """Starts the exe with stdin at /dev/null: directly, so that argv[0] is its
    Windows path, or through the launcher when argv[0] must be exactly argv0.
    undo() puts the result file back before a run that Wine failed is run
    once more."""
    if argv0 is None:
        args, extra = [exe_windows], {}
    else:
        args = [run.bed.launch]
        extra = {"ORVEX_LAUNCH_APP": exe_windows, "ORVEX_LAUNCH_CMDLINE": argv0, "ORVEX_LAUNCH_CWD": cwd_windows}
    began = time.time()
    rc, out, err = run.wine.run(run.bed.program_loader, args, "OrvexEnv", cwd=cwd_unix, extra_env=extra,
                                timeout=EXE_TIMEOUT, check=False, file_limit=file_limit, under_test=True,
                                undo=undo)
    return rc, out, err, began, time.time()


def run_exes_at_once(run, exe_windows, cwd_unix, result_unix, runs, rounds):
    """Starts the exe `runs` times at once (the same exe, the same result
    file), round after round; returns every run's (exit code, stdout, stderr)
    and the time from the first start to the last end. A round that Wine
    failed under runs once more from the result file it began with."""
    began = time.time()
    consoles = []
    for _ in range(rounds):
        before = read_file(result_unix)
        consoles += run.wine.run_at_once(run.bed.program_loader, [exe_windows], "OrvexEnv", runs, cwd=cwd_unix,
                                         timeout=EXE_TIMEOUT, undo=lambda: restore_file(result_unix, before))
    return consoles, began, time.time()


def run_scenario(bed, scenario, kind, update=False, keep=False, exe=None, quiet=False, name=None):
    """Lays out the scenario, runs the exe (or a stand-in), compares; returns
    the problems found."""
    started = time.time()
    with Run(bed, name or scenario.name, kind, keep=keep) as run:
        facts = run.facts
        facts.update(scenario.build_values(bed.build))
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, result_parts = place_exe(run, scenario, facts, exe)
        drive_c = os.path.join(run.prefix, "drive_c")
        result_unix = resolve(drive_c, result_parts)
        result_relative = os.path.relpath(result_unix, drive_c)
        old = read_file(result_unix)
        write_limit = scenario.write_limit()
        file_limit = len(old or b"") + write_limit if write_limit else None
        at_once = scenario.runs_at_once()
        if at_once and update:
            raise Failure("--update cannot write the expected texts of runs started at once")
        argv0 = scenario.setting("argv0", facts)
        before = snapshot(run.wine, "before")
        turn = scenario.turn_held()
        if turn:
            # Another run of the tool, which has the result file's turn for that long.
            holder = run.wine.hold_open(windows_path(result_parts), "turn", str(turn))
        if at_once:
            consoles, began, ended = run_exes_at_once(run, exe_windows, cwd_unix, result_unix, *at_once)
        else:
            rc, out, err, began, ended = run_exe(run, exe_windows, cwd_windows, cwd_unix, argv0, file_limit,
                                                 lambda: restore_file(result_unix, old))
            consoles = [(rc, out, err)]
        problems = turn_problems(*holder, turn) if turn else []
        after = snapshot(run.wine, "after")

        problems += read_only_problems(before, after, result_relative)
        expected_rc = scenario.config.get("exit_code", 0) & 0xFF
        for rc, _, _ in consoles:
            if rc != expected_rc:
                problems.append("exit code %d, expected %d" % (rc, expected_rc))

        # What this run appended to the result file; a laid-out earlier
        # content must still be its start.
        written = None
        clobbered = False
        data = read_file(result_unix)
        if data is not None:
            if old is not None and not data.startswith(old):
                problems.append("the result file's earlier content changed")
                clobbered = True
            else:
                written = data[len(old):] if old is not None else data
        if written == b"":
            written = None

        rc, out, err = consoles[0]
        texts = [("standard output", "stdout.txt", out), ("standard error", "stderr.txt", err),
                 ("result file " + windows_path(result_parts), "expected.txt", written)]
        argv0 = argv0 or exe_windows
        if update and write_limit:
            problems.append("--update cannot write the expected text of a run cut short by write_limit")
        elif update:
            update_texts(scenario, out, err, written, rc, facts)
            # The console that the new report gives must be the one the run showed.
            problems += output_problems(scenario, texts[:1], facts, (began, ended), None, False, argv0)
        elif at_once:
            # Every run's console on its own; the result file holds every run, each whole.
            (out_label, out_name, _), (err_label, err_name, _), result_text = texts
            for _, out, err in consoles:
                problems += output_problems(scenario, [(out_label, out_name, out), (err_label, err_name, err)],
                                            facts, (began, ended), None, False, argv0)
            problems += output_problems(scenario, [result_text], facts, (began, ended), None, clobbered, argv0,
                                        runs=len(consoles))
            problems = list(dict.fromkeys(problems))
        else:
            problems += output_problems(scenario, texts, facts, (began, ended), write_limit, clobbered, argv0)
        run.ok = not problems or quiet
        if not quiet:
            status = "passed" if not problems else "FAILED"
            log("%s on the %s prefix: %s in %.1f s (the exe ran %.2f s)" % (
                scenario.name, kind, status, time.time() - started, ended - began))
            for problem in problems:
                log(problem)
        return problems


def turn_problems(holder, errors, seconds):
    """The other run let go of its turn in time, and nothing was written to
    the result file while it held it."""
    try:
        rc = holder.wait(timeout=seconds + EXE_TIMEOUT)
    except subprocess.TimeoutExpired:
        return ["the other run still holds the result file's turn"]
    if rc == 0:
        return []
    with open(errors, "rb") as f:
        return ["the other run's turn (holdopen, exit code %d): %s" % (rc, f.read().decode("cp932", "replace").strip())]


def restore_file(path, data):
    """Puts a regular file back as it was: its bytes, or no file for None."""
    if read_file(path) == data:
        return
    if data is None:
        os.unlink(path)
        return
    with open(path, "wb") as f:
        f.write(data)


def read_file(path):
    """The bytes of a regular file, or None."""
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def update_texts(scenario, out, err, written, rc, facts):
    """The scenario's goldens from this run: the report, or the console where
    the run wrote no report; standard error where the tool wrote to it."""
    if scenario.config.get("result_file_writes_fail") and out:
        # Nothing reached the result file: the report is the console's lines after the announcement.
        separator = SEPARATOR.encode() + b"\r\n"
        written = separator + out.split(b"\r\n", 2)[-1] + (separator if rc == 0 else b"")
    goldens = {"expected.txt": written, "stdout.txt": None if written else out, "stderr.txt": err}
    for name, actual in goldens.items():
        path = os.path.join(scenario.dir, name)
        if not actual:
            if os.path.exists(path):
                os.unlink(path)
                log("removed %s (not written, or derived from the report)" % path)
            continue
        text = template_from(actual, scenario.text(name), facts, list(scenario.config.get("build_values", {})))
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        log("wrote %s" % path)

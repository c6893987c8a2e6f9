"""The Wine test bed: runs the real OrvexEnv.exe in a Wine prefix laid out
as a Japanese Windows PC and checks what it writes.

Subcommands (all take --bed BED.json, written by CMake into the build tree):

  locale            make the ja_JP.UTF-8 locale in the bed (once)
  prefix KIND       make the pristine prefix KIND (win64 or win32) (once)
  run DIR --prefix KIND [--update] [--keep] [--exe EXE]
                    run the scenario in DIR and compare; --update rewrites
                    its expected texts from what the run wrote; --exe runs
                    another OrvexEnv.exe (the packed one)
  exec --prefix KIND [--layer DIR]... -- PROGRAM [ARGS]...
                    run a Windows test program in a copy of the prefix after
                    laying out the layers (the registry test uses this)
  sample DIR [--prefix KIND] [--check]
                    lay out DIR as a machine, run the tool there, print the
                    report in UTF-8 and where the result file is
  time DIR [--runs N] [--exe EXE]
                    lay out DIR, then run the tool and the floor program
                    (start-up and the WMI query alone) N times each, taking
                    turns; print the median times and their ratio
  update-all [--prefix KIND]... [--jobs N]
                    run every scenario on every prefix it names (or those
                    given) with --update, N at once (default: two per core),
                    and name the expected texts that changed
  selftest [--prefix KIND]
                    run a stand-in that breaks every rule; each check must
                    catch it
  cleanup           stop every wineserver still running for the bed

The scenario format is described in README.md beside run_scenario.py.
"""

import argparse
import concurrent.futures
import glob
import os
import re
import signal
import statistics
import subprocess
import sys
import time

from testbed import Failure, log
from testbed.machine import drive_c_parts, lay_out, place_file, resolve
from testbed.prefixes import ensure_locale, ensure_prefix
from testbed.runs import EXE_TIMEOUT, Run, hold_work, place_exe, run_exe, run_scenario
from testbed.scenario import WINE_TESTS, Scenario
from testbed.wine import Bed, stop_leftover_server


def cmd_locale(bed, args):
    ensure_locale(bed)
    return 0


def cmd_prefix(bed, args):
    ensure_prefix(bed, args.kind)
    return 0


def cmd_run(bed, args):
    scenario = Scenario(args.scenario)
    if args.prefix not in scenario.kinds() and not args.any_prefix:
        raise Failure("%s does not run on the %s prefix" % (scenario.name, args.prefix))
    exe = os.path.abspath(args.exe) if args.exe else None
    name = scenario.name + (".other-exe" if exe else "")
    problems = run_scenario(bed, scenario, args.prefix, update=args.update, keep=args.keep, exe=exe, name=name)
    return 0 if not problems else 1


def cmd_exec(bed, args):
    """A Windows test program in a prepared prefix; its exit code is ours."""
    program = os.path.abspath(args.program[0])
    name = "exec-" + os.path.splitext(os.path.basename(program))[0]
    with Run(bed, name, args.prefix, keep=args.keep) as run:
        lay_out(run.wine, [os.path.abspath(layer) for layer in args.layer], None, run.facts)
        extra = {"ORVEX_PREFIX_KIND": args.prefix}
        rc, out, err = run.wine.run(bed.program_loader, [program] + args.program[1:], name, extra_env=extra,
                                    timeout=EXE_TIMEOUT, check=False, under_test=True)
        sys.stdout.write(out.decode("utf-8", "replace"))
        sys.stdout.write(err.decode("utf-8", "replace"))
        run.ok = rc == 0
        if rc != 0:
            log("%s %s" % (name, ("ended by signal %d" % -rc) if rc < 0 else "exited with code %d" % rc))
        return rc if rc >= 0 else 1


def cmd_sample(bed, args):
    """Lays out a sample machine, runs the tool and shows its report."""
    ensure_prefix(bed, args.prefix)
    scenario = Scenario(args.scenario)
    with Run(bed, "sample", args.prefix, keep=True) as run:
        # The sample's prefix stays for a look around; only its server stops.
        facts = run.facts
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, result_parts = place_exe(run, scenario, facts)
        rc, out, err, began, ended = run_exe(run, exe_windows, cwd_windows, cwd_unix, scenario.setting("argv0", facts))
        result_unix = resolve(os.path.join(run.prefix, "drive_c"), result_parts)
        run.ok = True
    if err:
        sys.stdout.write("-- standard error --\n" + err.decode("cp932", "replace").replace("\r\n", "\n"))
    if not os.path.isfile(result_unix):
        log("the tool wrote no result file (exit code %d); its console output:" % rc)
        sys.stdout.write(out.decode("cp932", "replace").replace("\r\n", "\n") + "\n")
        return 1
    with open(result_unix, "rb") as f:
        report = f.read()
    sys.stdout.write(report.decode("cp932", "replace").replace("\r\n", "\n"))
    log("")
    log("OrvexEnv ran in a Wine prefix as %s (exit code %d)." % (exe_windows, rc if rc != 255 else -1))
    log("Result file (CP932, CR LF): " + result_unix)
    if args.check and (rc != 0 or not report):
        return 1
    return 0


def cmd_time(bed, args):
    """Times whole runs of the tool on a machine against the floor program
    (process start-up and the same WMI query), in the same prefix, taking
    turns; prints the medians and their ratio."""
    ensure_prefix(bed, args.prefix)
    scenario = Scenario(args.scenario)
    floor = bed.floor
    if not floor or not os.path.exists(floor):
        raise Failure("the floor program is not built (target orvex_floor)")
    exe = os.path.abspath(args.exe) if args.exe else bed.exe
    with Run(bed, "time", args.prefix) as run:
        facts = run.facts
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, _ = place_exe(run, scenario, facts, exe)
        floor_windows = exe_windows[:exe_windows.rfind("\\") + 1] + "orvex_floor.exe"
        place_file(floor, resolve(os.path.join(run.prefix, "drive_c"), drive_c_parts(floor_windows)))

        def timed(program, name):
            began = time.perf_counter()
            rc, _, _ = run.wine.run(bed.program_loader, [program], name, cwd=cwd_unix, timeout=EXE_TIMEOUT,
                                    check=False, under_test=True)
            if rc != 0:
                raise Failure("%s ended with exit code %d" % (program, rc))
            return time.perf_counter() - began

        timed(exe_windows, "warm-up-tool")  # neither side pays for the session's first start
        timed(floor_windows, "warm-up-floor")
        tool_times, floor_times = [], []
        for _ in range(args.runs):
            tool_times.append(timed(exe_windows, "tool"))
            floor_times.append(timed(floor_windows, "floor"))
        run.ok = True

    tool, base = statistics.median(tool_times), statistics.median(floor_times)
    log("%d runs each on %s (%s prefix), taking turns; wall time of the Wine process, start to end" % (
        args.runs, scenario.name, args.prefix))
    log("whole run (%s):  median %.3f s  (%s)" % (
        os.path.basename(exe), tool, " ".join("%.3f" % t for t in tool_times)))
    log("floor (start-up + WMI query):  median %.3f s  (%s)" % (base, " ".join("%.3f" % t for t in floor_times)))
    log("ratio whole run / floor:  %.2f" % (tool / base))
    return 0


def cmd_update_all(bed, args):
    """After an intended change of the report's format: every scenario run
    with --update on every prefix it names, the scenarios side by side (one
    `run` process each, its prefixes one after the other), then the expected
    texts that changed. Runs started at once and runs cut short by
    write_limit have texts that --update cannot write: they are named."""
    kinds = args.prefix or (["win64", "win32"] if bed.build == "win32" else ["win64"])
    plan, by_hand = [], []
    for path in sorted(glob.glob(os.path.join(WINE_TESTS, "scenarios", "*", "scenario.json"))):
        scenario = Scenario(os.path.dirname(path))
        own = [kind for kind in scenario.kinds() if kind in kinds]
        if scenario.runs_at_once() or scenario.write_limit():
            by_hand.append(scenario.name)
        elif own:
            plan.append((scenario, own))
    ensure_locale(bed)
    for kind in sorted({kind for _, own in plan for kind in own}):
        ensure_prefix(bed, kind)

    started = time.time()
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        outcomes = [pool.submit(update_scenario, os.path.abspath(args.bed), *item) for item in plan]
        for outcome in concurrent.futures.as_completed(outcomes):
            for line in outcome.result()[1]:
                log(line)
    changed = [name for outcome in outcomes for name in outcome.result()[0]]
    failed = sum(outcome.result()[2] for outcome in outcomes)
    for name in changed:
        log("changed: " + os.path.relpath(name))
    if by_hand:
        log("not updated (runs started at once or cut short: their texts are written by hand): " + ", ".join(by_hand))
    log("update-all: %d runs of %d scenarios in %.0f s, %d files changed, %d runs failed" % (
        sum(len(own) for _, own in plan), len(plan), time.time() - started, len(changed), failed))
    return 1 if failed else 0


def update_scenario(bed_path, scenario, kinds):
    """Runs one scenario with --update on its prefixes; returns the expected
    texts that changed, the lines to show and the number of runs that failed."""
    def texts():
        found = {}
        for name in os.listdir(scenario.dir):
            if re.fullmatch(r"(expected|stdout|stderr)\.txt", name):
                with open(os.path.join(scenario.dir, name), "rb") as f:
                    found[name] = f.read()
        return found

    before, lines, failed = texts(), [], 0
    for i, kind in enumerate(kinds):
        began, written = time.time(), texts()
        run = subprocess.run([sys.executable, os.path.join(WINE_TESTS, "run_scenario.py"), "--bed", bed_path, "run",
                              scenario.dir, "--prefix", kind, "--update"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            failed += 1
            lines.append("%s.%s: FAILED (its texts are as that run wrote them):\n%s" % (
                scenario.name, kind, run.stdout.rstrip()))
            continue
        lines.append("%s.%s: updated in %.1f s" % (scenario.name, kind, time.time() - began))
        # The prefixes share the goldens: the second must write what the first did.
        after = texts()
        for name in sorted(set(written) | set(after)):
            if i > 0 and written.get(name) != after.get(name):
                lines.append("%s: %s differs between the %s and %s prefixes (that of %s kept): make what differs "
                             "a placeholder" % (scenario.name, name, kinds[0], kind, kind))
    after = texts()
    changed = [os.path.join(scenario.dir, name) for name in sorted(set(before) | set(after))
               if before.get(name) != after.get(name)]
    return changed, lines, failed


def cmd_selftest(bed, args):
    """The checks themselves catch a program that writes: a stand-in for the
    tool that writes to the registry and the disk, rewrites the earlier result
    file and exits with 3 must fail the earlier-run scenario on every count."""
    scenario = Scenario(os.path.join(WINE_TESTS, "scenarios", "earlier-run-appended"))
    problems = run_scenario(bed, scenario, args.prefix, exe=bed.misbehave, quiet=True, name="selftest")
    wanted = {
        "a key created in HKLM": lambda p: p.startswith("HKLM: key created: [") and "OrvexSelfTest]" in p,
        "a value set in the user's hive": lambda p: p.startswith("HKU: key ") and "[S-1-5-21-0-0-0-1000" in p and
        '"OrvexSelfTest"=' in p,
        "a key of HKEY_CLASSES_ROOT written": lambda p: p.startswith(
            "HKLM: key created: [Software\\\\Classes\\\\CLSID\\\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}"),
        "a key of HKEY_CLASSES_ROOT's 32-bit view written": lambda p: p.startswith(
            "HKLM: key created: [Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}"),
        "a volatile key in the user's hive": lambda p: p.startswith("HKU (volatile keys included): key created: [") and
        "\\Software\\OrvexSelfTestVolatile]" in p,
        "a file created": lambda p: p.startswith("drive_c: ") and "/stray.txt was created" in p,
        "the attributes of a file changed": lambda p: re.match(r"drive_c: .*\.exe changed from ", p, re.I) is not None,
        "the earlier content rewritten": lambda p: p.startswith("the result file's earlier content changed"),
        "the exit code": lambda p: p.startswith("exit code 3, expected 0"),
        "the console output": lambda p: p.startswith("standard output differs"),
    }
    missing = [what for what, test in wanted.items() if not any(test(p) for p in problems)]
    for problem in problems:
        log("found: " + problem)
    for what in missing:
        log("NOT CAUGHT: " + what)
    return 1 if missing else 0


def cmd_cleanup(bed, args):
    """Stops the wineservers that runs killed from outside may have left."""
    if os.path.isdir(bed.runs):
        for name in sorted(os.listdir(bed.runs)):
            work = os.path.join(bed.runs, name)
            lock = None if name.endswith(".lock") else hold_work(work, wait=False)
            if lock is None:
                continue  # a run of another process, still going
            with lock:
                if stop_leftover_server(work):
                    log("stopped the wineserver of " + work)
    return 0


def parser():
    kinds = ["win64", "win32"]
    top = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    top.add_argument("--bed", required=True, help="bed.json in the build tree")
    sub = top.add_subparsers(dest="command", required=True)
    sub.add_parser("locale").set_defaults(handler=cmd_locale)
    p = sub.add_parser("prefix")
    p.add_argument("kind", choices=kinds)
    p.set_defaults(handler=cmd_prefix)
    p = sub.add_parser("run")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=kinds, required=True)
    p.add_argument("--update", action="store_true", help="rewrite the expected texts from this run")
    p.add_argument("--keep", action="store_true", help="keep the prefix copy")
    p.add_argument("--any-prefix", action="store_true", help="run even on a prefix the scenario does not name")
    p.add_argument("--exe", help="run this exe instead of the build's OrvexEnv.exe (the packed one)")
    p.set_defaults(handler=cmd_run)
    p = sub.add_parser("exec")
    p.add_argument("--prefix", choices=kinds, required=True)
    p.add_argument("--layer", action="append", default=[])
    p.add_argument("--keep", action="store_true")
    p.add_argument("program", nargs=argparse.REMAINDER)
    p.set_defaults(handler=cmd_exec)
    p = sub.add_parser("sample")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=kinds, default="win64")
    p.add_argument("--check", action="store_true", help="fail unless the run completes")
    p.set_defaults(handler=cmd_sample)
    p = sub.add_parser("time")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=kinds, default="win64")
    p.add_argument("--runs", type=int, default=10)
    p.add_argument("--exe", help="time this exe instead of the build's OrvexEnv.exe")
    p.set_defaults(handler=cmd_time)
    p = sub.add_parser("update-all")
    p.add_argument("--prefix", choices=kinds, action="append", help="only on this prefix (may be given twice)")
    p.add_argument("--jobs", type=int, default=2 * (os.cpu_count() or 1),
                   help="scenarios at once (default: two per core: a run waits on Wine much of its time)")
    p.set_defaults(handler=cmd_update_all)
    p = sub.add_parser("selftest")
    p.add_argument("--prefix", choices=kinds, default="win64")
    p.set_defaults(handler=cmd_selftest)
    sub.add_parser("cleanup").set_defaults(handler=cmd_cleanup)
    return top


def main(argv):
    top = parser()
    args = top.parse_args(argv)
    if args.command == "exec":
        if args.program and args.program[0] == "--":
            args.program = args.program[1:]
        if not args.program:
            top.error("exec needs a program")

    # ctest stops a test with SIGTERM; the wineserver must still go.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    bed = Bed(args.bed)
    try:
        return args.handler(bed, args)
    except Failure as e:
        log("error: %s" % e)
        return 2

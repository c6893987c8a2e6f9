#!/usr/bin/env python3
"""The layers of src/, as the build's libraries have them: no file includes a
header of a layer above its own.

The tool, lowest first: the catalogue of the report's format (with the
service host table) and the report writer on it; beside them the platform,
which knows nothing of the report and includes neither; the checks, on both;
the run. The desk's reader is a program of its own beside them: of the tool
it may include the catalogue alone.

    scripts/check_layers.py [--src DIR]   every file of DIR (default: src/)
    scripts/check_layers.py --self-test   the check itself, on a copy of src/
                                           with violations planted in it
Exit code 0 when every include keeps to its layer, 1 otherwise.
"""
import argparse
import pathlib
import re
import shutil
import sys
import tempfile

# (layer, the paths below src/ it holds), the first match counts.
LAYERS = [
    ("catalogue", ("report/catalogue.", "report/service_hosts.")),
    ("report", ("report/",)),
    ("platform", ("platform/",)),
    ("checks", ("probes/",)),
    ("run", ("app/",)),
    ("reader", ("reader/",)),
]
MAY_INCLUDE = {
    "catalogue": {"catalogue"},
    "report": {"catalogue", "report"},
    "platform": {"platform"},
    "checks": {"catalogue", "report", "platform", "checks"},
    "run": {"catalogue", "report", "platform", "checks", "run"},
    "reader": {"catalogue", "reader"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".rc", ".in"}


def layer_of(relative):
    for layer, prefixes in LAYERS:
        if relative.startswith(prefixes):
            return layer
    return None


def violations(src):
    """Every file without a layer and every include of a header its layer may not use."""
    src = pathlib.Path(src)
    found = []
    for path in sorted(p for p in src.rglob("*") if p.is_file()):
        relative = path.relative_to(src).as_posix()
        layer = layer_of(relative)
        if layer is None:
            found.append("%s: belongs to no layer" % relative)
            continue
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            # A header of the project: named from src/, or beside the file.
            for candidate in (src / match.group(1), path.parent / match.group(1)):
                if candidate.is_file():
                    target = candidate.resolve().relative_to(src.resolve()).as_posix()
                    break
            else:
                continue  # the system's or a third party's
            used = layer_of(target)
            if used not in MAY_INCLUDE[layer]:
                found.append("%s:%d: the %s layer includes %s of the %s layer" % (
                    relative, number, layer, target, used))
    return found


def self_test(src):
    """The check passes the tree as it is and catches what is planted in a copy."""
    clean = violations(src)
    if clean:
        print("self-test: the tree itself does not pass:\n  " + "\n  ".join(clean))
        return 1
    planted = {
        ("report/catalogue.cpp", "report/report_writer.h"): "the catalogue layer includes report/report_writer.h",
        ("platform/registry.cpp", "probes/ie/ie_checks.h"): "the platform layer includes probes/ie/ie_checks.h",
        ("platform/ansi_text.h", "report/report_writer.h"): "the platform layer includes report/report_writer.h",
        ("platform/wmi.cpp", "report/catalogue.h"): "the platform layer includes report/catalogue.h",
        ("probes/ie/trusted_sites.cpp", "app/run.h"): "the checks layer includes app/run.h",
        ("reader/verdicts.cpp", "platform/platform.h"): "the reader layer includes platform/platform.h",
        ("report/report_writer.h", "reader/verdicts.h"): "the report layer includes reader/verdicts.h",
    }
    with tempfile.TemporaryDirectory() as work:
        copy = pathlib.Path(work) / "src"
        shutil.copytree(src, copy)
        for (file, header) in planted:
            with open(copy / file, "a", encoding="utf-8") as f:
                f.write('\n#include "%s"\n' % header)
        (copy / "misc").mkdir()
        (copy / "misc" / "stray.cpp").write_text('#include "report/catalogue.h"\n', encoding="utf-8")
        found = violations(copy)
    expected = ["%s:" % file for (file, _) in planted] + ["misc/stray.cpp: belongs to no layer"]
    missing = [want for want in expected if not any(line.startswith(want) for line in found)]
    missing += [why for why in planted.values() if not any(why in line for line in found)]
    if missing or len(found) != len(expected):
        print("self-test: the check missed or misread what was planted:\n  " + "\n  ".join(missing or found))
        return 1
    print("self-test: all %d planted violations found, nothing else" % len(expected))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--src", default=str(pathlib.Path(__file__).resolve().parent.parent / "src"))
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test(args.src)
    found = violations(args.src)
    for line in found:
        print(line)
    print("layers: %s" % ("%d violations" % len(found) if found else "every include keeps to its layer"))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Batches for clang-tidy: the sources that share their compile flags, a few
at a time, written one after the other into one file, so that the standard
headers are parsed once a batch rather than once a source. The text is the
batch's own (the static analyzer looks only at functions of the file it is
given, never at those it includes); `map` turns a finding's place in a batch
back into its source's.

  lint_batches.py make DATABASE OUT FILE...   writes OUT/batch_N.cpp, OUT/compile_commands.json
                                              and OUT/map.json; prints the batches
  lint_batches.py map OUT                     filters clang-tidy's output
"""
import json
import os
import re
import shlex
import sys

MOST = 8  # sources in a batch


def make(database, out, files):
    out = os.path.realpath(out)
    wanted = {os.path.realpath(f) for f in files}
    groups = {}
    for entry in json.load(open(database)):
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if path not in wanted:
            continue
        args = shlex.split(entry["command"])
        at = args.index("-o")
        del args[at:at + 2]
        args = [a for a in args if os.path.realpath(os.path.join(entry["directory"], a)) != path]
        groups.setdefault((entry["directory"], tuple(args)), []).append(path)
    os.makedirs(out, exist_ok=True)
    entries, places = [], {}
    for (directory, args), paths in sorted(groups.items()):
        paths.sort()
        count = -(-len(paths) // MOST)
        for part in (paths[i::count] for i in range(count)):
            name = os.path.join(out, "batch_%d.cpp" % len(entries))
            starts, lines = [], []
            for path in part:
                starts.append([len(lines) + 1, os.path.relpath(path)])
                lines += open(path, encoding="utf-8").read().splitlines() + [""]
            with open(name, "w", encoding="utf-8") as batch:
                batch.write("\n".join(lines) + "\n")
            # A quoted include still finds what sits beside its source.
            quotes = sorted({"-iquote" + os.path.dirname(p) for p in part})
            entries.append({"directory": directory, "file": name,
                             "command": " ".join(shlex.quote(a) for a in list(args) + quotes + [name])})
            places[name] = starts
    json.dump(entries, open(os.path.join(out, "compile_commands.json"), "w"), indent=1)
    json.dump(places, open(os.path.join(out, "map.json"), "w"), indent=1)
    print("\n".join(entry["file"] for entry in entries), flush=True)


def place(places, name, line):
    for start, path in reversed(places.get(name, [])):
        if line >= start:
            return path, line - start + 1
    return name, line


def filter_output(out):
    places = None
    pattern = re.compile(r"(%s/batch_\d+\.cpp):(\d+):" % re.escape(os.path.realpath(out)))
    for line in sys.stdin:
        # Read once the first batch has output: by then its maker has written it.
        places = places or json.load(open(os.path.join(out, "map.json")))
        line = pattern.sub(lambda m: "%s:%d:" % place(places, m.group(1), int(m.group(2))), line)
        sys.stdout.write(line)
        sys.stdout.flush()


if __name__ == "__main__":
    if sys.argv[1:2] == ["make"] and len(sys.argv) >= 4:
        make(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif sys.argv[1:2] == ["map"] and len(sys.argv) == 3:
        filter_output(sys.argv[2])
    else:
        sys.exit(__doc__)

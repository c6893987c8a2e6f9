"""Runs one end-to-end case of the reader: a folder tests/reader/cases/NAME
holding case.json (what is laid out, then the steps) and the expected
outputs as files (README.md, "Tests", says how to write one).

  run_cases.py CASE_DIR --place native --reader OrvexEnvRead --work DIR [--update]
  run_cases.py CASE_DIR --place wine|console --reader OrvexEnvRead.exe --wine WINERUN LOADER --locale DIR --work DIR
  run_cases.py --week DIR      lays out the test week (cases/week.json) in DIR

"native": the Linux build, as root without the capabilities that pass over
file permissions. "wine": the Windows build under Wine, redirected; what a
person reads arrives in CP932 with CR LF and is compared, decoded, with the
same expected text. "console": the Windows build in a tmux pane, the screen
compared. --update writes a step's own expected outputs from what it gave.
Debian's python3 with python3-jsonschema; exit code 77 without Chromium."""
import argparse
import difflib
import glob
import html.parser
import json
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCENARIOS = os.path.join(ROOT, "tests", "wine", "scenarios")
FILLED = {"{OS_CAPTION}": "Microsoft Windows 10 Pro", "{OS_MAJOR}": "10", "{OS_MINOR}": "0", "{OS_BUILD}": "19045",
          "{OS_SP}": "", "{BITNESS}": "64bit(9)"}
ANNOUNCEMENT = ("以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）\n"
                "C:\\Users\\taro\\Desktop\\OrvexEnv.txt\n")
ENCODINGS = {"cp932": ("cp932", b""), "utf-8": ("utf-8", b""), "utf-8-bom": ("utf-8", b"\xef\xbb\xbf"),
             "utf-16": ("utf-16", b""), "utf-16le": ("utf-16-le", b""), "utf-16be": ("utf-16-be", b""),
             "euc-jp": ("euc_jp", b""), "iso-2022-jp": ("iso2022_jp", b""), "latin-1": ("latin-1", b""),
             "ansi-elsewhere": ("ascii", b"")}
# What a self-contained page never holds: a script, or anything fetched.
FETCHES = [r"<script", r"<link\b", r"<img\b", r"\bsrc\s*=", r"url\(", r"@import", r"@font-face"]
CELLS = {"ok": ".", "info": "i", "action": "!", "unread": "?", "missing": "-"}
WAIT = 20  # seconds a pane may take to end, or to settle while it waits for a key


def report(scenario, start, expected="expected.txt"):
    """A scenario's expected report with its placeholders filled in, its build values as the shipped exe's."""
    with open(os.path.join(SCENARIOS, scenario, expected), encoding="utf-8") as f:
        text = f.read().replace("{START}", start)
    with open(os.path.join(SCENARIOS, scenario, "scenario.json"), encoding="utf-8") as f:
        built = {"{%s}" % name: value["win32"] for name, value in json.load(f).get("build_values", {}).items()}
    for placeholder, value in {**FILLED, **built}.items():
        text = text.replace(placeholder, value)
    return text


def columns(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def wrapped(line, width):
    """A line as a mail wraps it at width characters: at the last blank before, which ends the piece, or
    where it must."""
    pieces = []
    while len(line) > width:
        cut = line.rfind(" ", 0, width)
        pieces.append(line[:cut + 1] if cut > 0 else line[:width])
        line = line[cut + 1:] if cut > 0 else line[width:]
    return pieces + [line]


def made(how):
    """The bytes of a file made from scenario reports: runs, text, edits, console copy, what mail and a
    console's block copy do to lines (wrap, pad, width), encoding (ansi-elsewhere: Japanese as "?"), line ends."""
    text = "".join(report(*run) for run in how.get("runs", [])) + how.get("text", "")
    for old, new in how.get("edit", []):  # a hand's change
        text = text.replace(old, new)
    if how.get("console"):  # what the console showed: the announcement, the lines without separators
        text = ANNOUNCEMENT + "".join(line + "\n" for line in text.splitlines() if not line.startswith("====="))
    lines = text.split("\n")
    if "wrap" in how:
        lines = [piece for line in lines for piece in wrapped(line, how["wrap"])]
    if "width" in how:  # the console's block copy: every line padded to the window's width
        lines = [line + " " * (how["width"] - columns(line)) if line else line for line in lines]
    text = "\n".join(line + how.get("pad", "") if line else line for line in lines)
    codec, bom = ENCODINGS[how.get("encoding", "cp932")]
    return bom + text.replace("\n", how.get("eol", "\r\n")).encode(codec, "replace")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def lay_out(files, work):
    """Files, folders (a name ending in /), links, FIFOs and copies; modes last, so that locked folders fill."""
    modes = []
    for name, how in files.items():
        for n in range(how.get("count", 1)):
            path = os.path.join(os.fsencode(work), name.replace("{N}", "%03d" % n).encode(how.get("name_in", "utf-8")))
            os.makedirs(path if name.endswith("/") else os.path.dirname(path), exist_ok=True)
            if "link" in how:
                os.symlink(how["link"], path)
            elif how.get("fifo"):
                os.mkfifo(path)
            elif "copy" in how:
                shutil.copyfile(os.path.join(work, how["copy"]), path)
            elif not name.endswith("/"):
                data = b"".join(made(part) for part in how.get("parts", [how])) * how.get("repeat", 1)
                write(path, data[:how.get("cut", len(data))])
            if "mode" in how:
                modes.append((path, int(how["mode"], 8)))
    for path, mode in modes:
        os.chmod(path, mode)


def lay_out_week(folder):
    with open(os.path.join(HERE, "cases", "week.json"), encoding="utf-8") as f:
        lay_out(json.load(f)["files"], folder)


class Page(html.parser.HTMLParser):
    """What a page shows, projected: the chart's rows, the grid's rows (a sign per item; with "tips", the
    cells' tooltips), each file's section a line per heading, paragraph and entry. A tooltip begins with
    its cell's item's number."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = {"chart": [], "grid": [], "tips": [], "sections": []}
        self.hrefs, self.blocks, self.rows, self.wrong = [], 0, [], []
        self.text, self.where = None, None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        classes = (a.get("class") or "").split()
        self.hrefs += [a["href"]] if "href" in a else []
        self.blocks += tag == "div" and "rows" in classes
        if tag == "tr" and "data-item" in a:
            self.where, self.text = "chart", []
        elif tag == "tr" and re.fullmatch(r"g\d+", a.get("id", "")):
            self.rows.append({"class": a.get("class") or "", "cells": "", "tips": [], "name": ""})
            self.where, self.text = "row", []
        elif self.where == "row" and tag == "a":
            self.rows[-1]["title"] = a.get("title")
        elif self.where == "row" and tag == "td":
            row, title = self.rows[-1], a.get("title") or ""
            item = len(row["cells"]) + 1
            row["cells"] += CELLS.get(a.get("class"), "" if a.get("class") == "why" else "*") * int(a.get("colspan", 1))
            if title:
                row["tips"].append("    " + title)
            if title and not re.match("%d[．：]" % item, title):
                self.wrong.append("%s: cell %d (%s) with the tooltip %r" % (row.get("title"), item, a.get("class"),
                                                                           title))
        elif tag == "section" and ("file" in classes or a.get("id") in ("hints", "passed-over")):
            self.parts["sections"].append("[%s] %s" % (" ".join(classes), a.get("id")))
            self.where = "section"
        elif self.where == "section" and tag in ("h3", "p", "li"):
            self.text = []
        elif self.text is not None and tag in ("td", "th") and self.where == "chart":
            self.text.append(" ")

    def handle_endtag(self, tag):
        if self.where == "chart" and tag == "tr":
            self.parts["chart"].append(" ".join("".join(self.text).split()))
            self.where = self.text = None
        elif self.where == "row" and tag == "th":
            self.rows[-1]["name"], self.text = "".join(self.text), []
        elif self.where == "row" and tag in ("tr", "tbody"):
            self.rows[-1]["why"] = " ".join("".join(self.text or []).split())
            self.where = self.text = None
        elif self.where == "section" and tag in ("h3", "p", "li") and self.text is not None:
            self.parts["sections"].append("  " + " ".join("".join(self.text).split()))
            self.text = None
        elif self.where == "section" and tag == "section":
            self.where = None

    def handle_data(self, data):
        if self.text is not None:
            self.text.append(data)

    def projection(self, show, collapse):
        """The parts asked for; with collapse, grid rows that differ only in their file stand as one line."""
        grid, tips, last = [], [], None
        for row in self.rows:
            line = "%s | %s [%s] %s" % (row["name"], row.get("title"), row["class"], row["cells"] or row["why"])
            same = (row["class"], row["cells"], row["why"], row["tips"])
            if collapse and last and last[0] == same:
                last[1] += 1
                grid[-1] = last[2] + " (and %d more like it, to %s)" % (last[1], row.get("title"))
                continue
            last = [same, 0, line]
            grid.append(line)
            tips += [line] + row["tips"]
        self.parts["grid"] = ["blocks of rows: %d" % self.blocks] + grid
        self.parts["tips"] = tips
        return "".join("%s:\n%s\n" % (part, "\n".join(self.parts[part])) for part in show)


class Case:
    def __init__(self, options):
        self.o, self.dir, self.work = options, os.path.abspath(options.case), os.path.abspath(options.work)
        options.reader = os.path.abspath(options.reader)
        options.wine = [os.path.abspath(options.wine[0]), options.wine[1]] if options.wine else None
        with open(os.path.join(self.dir, "case.json"), encoding="utf-8") as f:
            self.case = json.load(f)
        self.failures = []
        self.as_user = ["setpriv", "--bounding-set=-dac_override,-dac_read_search"] \
            if options.place == "native" and os.geteuid() == 0 else []
        self.env = dict(os.environ)
        if options.place != "native":
            self.env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8",
                        "LOCPATH": os.path.abspath(options.locale), "ORVEX_UNIT_WINEPREFIX": os.environ.get("ORVEX_UNIT_WINEPREFIX", "")}

    def fail(self, what):
        self.failures.append(what)

    def lay_out(self):
        subprocess.run(["chmod", "-R", "u+rwx", self.work], capture_output=True)  # a locked folder of a run before
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        if "week" in self.case:
            lay_out_week(os.path.join(self.work, self.case["week"]))
        if "scenarios" in self.case:  # every scenario's expected reports, as the tool writes them
            for expected in sorted(glob.glob(os.path.join(SCENARIOS, "*", "expected.txt"))):
                scenario, name = expected.split(os.sep)[-2:]
                write(os.path.join(self.work, self.case["scenarios"], scenario, name),
                      made({"runs": [[scenario, "2026/12/01 09:00:00", name]]}))
        if os.path.isdir(os.path.join(self.dir, "files")):  # odd files, byte for byte
            shutil.copytree(os.path.join(self.dir, "files"), self.work, dirs_exist_ok=True)
        lay_out(self.case.get("files", {}), self.work)

    def command(self, step):
        reader = self.o.reader
        if "reader_in" in step:  # a copy in a folder of the work folder, as a taxpayer unpacks it beside the tool
            reader = os.path.join(self.work, step["reader_in"], os.path.basename(reader))
            os.makedirs(os.path.dirname(reader), exist_ok=True)
            if not os.path.exists(reader):
                shutil.copy(self.o.reader, reader)
        if self.o.place == "native":
            return self.as_user + [reader] + step["args"]
        if "cmd" in step:  # a command line for cmd, {exe} the reader's Windows path
            return self.o.wine + ["cmd", "/c", step["cmd"].replace("{exe}", "Z:" + reader.replace("/", "\\"))]
        return self.o.wine + [reader] + step["args"]

    def run(self, step, args=None):
        """Its exit code, standard output and error (bytes); None for the code when it did not end."""
        command = self.command(dict(step, args=args or step.get("args", [])))
        into = os.path.join(self.work, step["stdout_file"]) if "stdout_file" in step else None  # "> FILE"
        with tempfile.TemporaryFile() as stdin, open(into, "w+b") if into else tempfile.TemporaryFile() as out, \
                tempfile.TemporaryFile() as err:
            given = step.get("stdin")
            if isinstance(given, dict):  # the output of a command run in the work folder
                stdin.write(subprocess.run(self.as_user + given["run"], cwd=self.work, capture_output=True).stdout)
            elif given:
                with open(os.path.join(self.work, given), "rb") as f:
                    stdin.write(f.read())
            stdin.seek(0)
            try:
                if "close_after" in step:  # standard output closed after so many bytes, as by "| head -c N"
                    process = subprocess.Popen(command, cwd=self.work, env=self.env, stdin=stdin,
                                               stdout=subprocess.PIPE, stderr=err)
                    process.stdout.read(step["close_after"])
                    process.stdout.close()
                    code = process.wait(timeout=120)
                else:
                    code = subprocess.run(command, cwd=self.work, env=self.env, stdin=stdin, stdout=out, stderr=err,
                                          timeout=120).returncode
            except subprocess.TimeoutExpired:
                code = None
            out.seek(0)
            err.seek(0)
            return code, out.read(), err.read()

    def text(self, data, what, person=True):
        """Output as text: UTF-8; under Wine what a person reads is CP932 with CR LF."""
        if self.o.place == "native" or not person:
            return data.decode("utf-8", "replace")
        if data.count(b"\n") != data.count(b"\r\n"):
            self.fail("%s: a line end without CR" % what)
        return data.decode("cp932", "replace").replace("\r\n", "\n")

    def compare(self, step, kind, actual, strip=False):
        """The output against its expected file: NAME.KIND, or the file the step names for it (not updated)."""
        for work in (self.work, "Z:" + self.work.replace("/", "\\")):  # the work folder as the reader names it
            actual = actual.replace(work, "{work}")
        own = "%s.%s" % (step["name"], kind)
        name = step[kind] if isinstance(step.get(kind), str) else own
        path = os.path.join(self.dir, name)
        if self.o.update and name == own:
            if actual:
                with open(path, "w", encoding="utf-8", newline="") as f:
                    f.write(actual)
            elif os.path.exists(path):
                os.remove(path)
            return
        expected = (self.bytes(path) or b"").decode("utf-8", "replace")
        if strip:
            expected, actual = expected.rstrip("\n"), actual.rstrip("\n")
        if expected != actual:
            diff = list(difflib.unified_diff(expected.splitlines(), actual.splitlines(), name, "what it gave",
                                             lineterm="", n=1))
            self.fail("%s: %s differs from %s%s\n%s" % (step["name"], kind, name, "" if os.path.exists(path) else
                                                         " (no such file: expected nothing)", "\n".join(diff[:80])))

    def step(self, step):
        what, files = step["name"], {path: self.bytes(path) for path in step.get("unchanged", [])}
        code, out, err = self.run(step)
        lines = err.splitlines(keepends=True)  # the test bed's one retry rule, said: on our output
        print("".join(what + ": " + line.decode("utf-8", "replace") for line in lines if line.startswith(b"winerun: ")),
              end="")
        err = b"".join(line for line in lines if not line.startswith(b"winerun: "))
        if code != step.get("exit", 0):
            self.fail("%s: exit code %s, not %s" % (what, code, step.get("exit", 0)))
        args = " ".join(step.get("args", [])) + step.get("cmd", "")
        stdout = self.text(out, what + ": standard output", not re.search(r"--(json|csv)\b", args))
        if step.get("stdout", "") is not None:
            self.compare(step, "stdout", stdout)
        self.compare(step, "stderr", self.text(err, what + ": standard error"))
        for path, before in files.items():
            if self.bytes(path) != before:
                self.fail("%s: %s changed" % (what, path))
        self.absent(step)
        if "records" in step:
            self.records(step, stdout)
        if "sql" in step:
            self.sql(step, stdout)
        if "page" in step:
            self.page(step)

    def absent(self, step):
        for pattern in step.get("absent", []):
            for path in glob.glob(os.path.join(self.work, pattern)):
                self.fail("%s: %s is there" % (step["name"], os.path.relpath(path, self.work)))

    def bytes(self, path):
        path = pathlib.Path(self.work, path)
        return path.read_bytes() if path.is_file() else None

    def records(self, step, stdout):
        """Every line a JSON object valid against docs/record.schema.json, all with the same keys; with
        "cover", every value the schema names and both sides of every "null or" taken by some record."""
        try:
            import jsonschema
        except ImportError:
            return self.fail("python3-jsonschema is not installed (scripts/install-deps.sh installs it)")
        with open(os.path.join(ROOT, "docs", "record.schema.json"), encoding="utf-8") as f:
            schema = json.load(f)
        validator, records, wrong = jsonschema.Draft202012Validator(schema), [], []
        for number, line in enumerate(stdout.splitlines(), 1):
            try:
                record = json.loads(line)
            except ValueError:
                record = None
            if not isinstance(record, dict):
                self.fail("%s: line %d is no JSON object: %r" % (step["name"], number, line[:300]))
                continue
            records.append(record)
            if not validator.is_valid(record):  # said as the kind of record it claims to be
                kind = "run" if record.get("error") is None else "passedOver" if record.get("passed_over") else "notRead"
                best = jsonschema.exceptions.best_match(jsonschema.Draft202012Validator(
                    {"$defs": schema["$defs"], "$ref": "#/$defs/" + kind}).iter_errors(record))
                wrong.append("line %d (%s): %s" % (number, kind, best.message[:300] if best else "valid as both kinds"))
        if wrong:
            self.fail("%s: %d records not valid against docs/record.schema.json:\n  %s" % (
                step["name"], len(wrong), "\n  ".join(wrong[:3])))
        if len({tuple(sorted(record)) for record in records}) > 1:
            self.fail("%s: records of different keys: %s" % (step["name"], {tuple(sorted(r)) for r in records}))
        if step["records"] == "cover":
            def strings(node, named):  # the values the schema names, or every string of a record
                own = {v for v in node.get("enum", []) + [node.get("const")] if isinstance(v, str)} \
                    if named and isinstance(node, dict) else {node} if isinstance(node, str) and not named else set()
                inner = list(node.values()) if isinstance(node, dict) else node if isinstance(node, list) else []
                return own.union(*(strings(value, named) for value in inner))
            named, seen = strings(schema, True), strings(records, False)
            runs = [record for record in records if record.get("error") is None]
            nullable = [key for key, rule in schema["$defs"]["run"]["properties"].items()
                        if {"type": "null"} in rule.get("oneOf", [])]
            bare = sorted(named - seen) + [key + " null and not" for key in nullable
                                           if {r.get(key) is None for r in runs} != {True, False}]
            if bare:
                self.fail("%s: no record has %s" % (step["name"], bare))

    def sql(self, step, stdout):
        """The README's SQL in DuckDB on the step's records; its counts and items those of --overview.
        sample_size: DuckDB takes the columns from so many records (a file not read after them loads)."""
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
            found = re.search(r"<!-- records\.sql[^\n]*-->\n```sql\n(.*?)```\n<!-- /records\.sql -->", f.read(), re.S)
        if not found:
            return self.fail("README.md has no ```sql block between <!-- records.sql --> and <!-- /records.sql -->")
        sql = found.group(1)
        sample = step["sql"].get("sample_size") if isinstance(step["sql"], dict) else None
        if sample:
            sql = sql.replace("format = 'newline_delimited'", "format = 'newline_delimited', sample_size = %d" % sample)
        folder = os.path.join(self.work, step["name"] + ".sql")
        write(os.path.join(folder, "week.jsonl"), stdout.encode())
        done = subprocess.run(["node", os.path.join(HERE, "duckdb", "run_sql.mjs")], input=sql.encode(), cwd=folder,
                              capture_output=True, timeout=120)
        try:
            results = {tuple(r["columns"]): r["rows"] for r in json.loads(done.stdout)}
        except (ValueError, TypeError, KeyError):
            return self.fail("%s: DuckDB (tests/reader/duckdb, npm ci there) gave %r %r" % (
                step["name"], done.stdout[-2000:], done.stderr[-2000:]))
        overview = self.text(self.run(step, [a if a != "--json" else "--overview" for a in step["args"]])[1],
                             step["name"] + ": --overview")
        counts = {}
        for name, pattern in (("files_read", r"読んだファイル：(\d+)"), ("files_not_read", r"読めなかったファイル：(\d+)"),
                              ("files_passed_over", r"読まなかったファイル：(\d+)"),
                              ("runs_complete", r"最後まで終わった (\d+)"), ("runs_not_complete", r"途中で終わった (\d+)"),
                              ("extension_on_nowhere", r"拡張機能がどのブラウザでも有効でない最新の実行：(\d+)")):
            found = re.search(pattern, overview)  # the overview names files passed over only when there are some
            counts[name] = int(found.group(1)) if found else 0 if name == "files_passed_over" else "no line " + pattern
        items = [[int(n), int(files)] for n, files in re.findall(r"^ +(\d+)．.*：(\d+) ファイル$", overview, re.M)]
        got = results.get(tuple(counts))
        if got != [list(counts.values())] or results.get(("item", "files")) != items:
            self.fail("%s: the README's SQL gives %s and the items %s;\n--overview %s and %s" % (
                step["name"], got, results.get(("item", "files")), counts, items))

    def page(self, step):
        """The page rendered in headless Chromium: what it shows, projected, against NAME.page; nothing
        in it runs or is fetched, its links stay within it; a screenshot beside it."""
        how, name = step["page"], step["name"]
        path = os.path.join(self.work, how["file"])
        if not os.path.isfile(path):
            return self.fail("%s: no page %s" % (name, how["file"]))
        with open(path, encoding="utf-8", errors="replace") as f:
            source = f.read()
        for pattern in FETCHES:
            if re.search(pattern, source, re.I):
                self.fail("%s: the page holds %s" % (name, pattern))
        browser = [shutil.which("chromium"), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                   "--no-first-run", "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--user-data-dir=" + os.path.join(self.work, name + ".profile")]
        # One start of the browser gives both, the DOM on standard output and the screenshot; an older
        # browser does one of them at a time.
        shot = ["--screenshot=" + path + ".png", "--window-size=1400,2400", "file://" + path]
        dom = subprocess.run(browser + ["--dump-dom"] + shot, capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
        if not os.path.exists(path + ".png"):
            subprocess.run(browser + shot, capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
        page = Page()
        page.feed(dom.stdout.decode("utf-8", "replace"))
        outside = [href for href in page.hrefs if not href.startswith("#")]
        if outside or page.wrong or not os.path.exists(path + ".png"):
            self.fail("%s: links out of the page %s, tooltips not of their cells' items %s, or no screenshot" % (
                name, outside, page.wrong[:5]))
        self.compare(step, "page", page.projection(how.get("show", ["chart", "grid", "sections"]),
                                                           how.get("collapse")))

    def console(self, step):
        """In a tmux pane: the screen, whether it waits for a key, the exit code (after the key)."""
        status, screen, keyed = self.pane(step)
        if status == "signal":  # the test bed's one retry rule
            print("%s: Wine died by a signal in the pane, or it ended without an exit code; running the step once "
                  "more" % step["name"])
            status, screen, keyed = self.pane(step)
        if status == "signal":
            self.fail("%s: Wine died by a signal again; the screen:\n%s" % (step["name"], screen))
        elif status != step.get("exit", 0):
            self.fail("%s: exit code %s, not %s; the screen:\n%s" % (step["name"], status, step.get("exit", 0),
                                                                     screen))
        if keyed != bool(step.get("waits")):
            self.fail("%s: %s" % (step["name"], "ended without waiting for a key" if step.get("waits") else
                                  "waited for a key"))
        self.compare(step, "screen", screen + "\n", strip=True)
        self.absent(step)

    def tmux(self, *args):
        done = subprocess.run(["tmux", "-u", "-S", os.path.join(self.work, "tmux"), "-f",
                               os.path.join(self.work, "tmux.conf")] + list(args), env=self.env, capture_output=True)
        return done.stdout.decode("utf-8", "replace")

    def pane(self, step):
        """(exit code, "signal" when Wine died by one or the pane ended without a code, or what went wrong;
        the screen; whether it was sent a key, after showing the same for a second). The shell of the pane
        writes the exit code to a file: tmux may lose a pane's status."""
        pane, status_file = step["name"], os.path.join(self.work, step["name"] + ".status")
        command = shlex.join(self.command(step)[:1] + ["--tty"] + self.command(step)[1:])
        if os.path.exists(status_file):
            os.remove(status_file)
        self.tmux("new-session", "-d", "-s", pane, "-x", "250", "-y", "100", "-c", self.work, "%s%s; echo $? >%s" % (
            command, " </dev/null" if step.get("stdin") == "/dev/null" else "", shlex.quote(status_file)))
        start = since = time.monotonic()
        screen, dead_since, keyed = None, None, False
        def shown():
            lines = [line for line in self.tmux("capture-pane", "-p", "-J", "-S", "-", "-t", pane).split("\n")
                     if not line.startswith("Pane is dead")]
            return "\n".join(lines).rstrip("\n")

        while True:
            now = time.monotonic()
            if not keyed:
                now_shown = shown()
                screen, since = now_shown, since if now_shown == screen else now
            status = self.bytes(status_file)
            if status is not None:
                # The program may have written all it had and ended since the capture above.
                screen = screen if keyed else shown()
                status = status.strip()
                return (int(status) if status.isdigit() and int(status) <= 128 else "signal"), screen, keyed
            dead = self.tmux("display-message", "-p", "-t", pane, "#{pane_dead}").strip() != "0"
            dead_since = dead_since or (now if dead else None)
            if dead_since and now - dead_since > 2:
                return "signal", screen, keyed
            if step.get("waits") and not keyed and not dead and screen and now - since >= 1:
                self.tmux("send-keys", "-t", pane, "x")
                keyed, start = True, now
            if now - start > WAIT:
                return "still running %d s after %s" % (WAIT, "a key" if keyed else "its start"), screen, keyed
            time.sleep(0.1)

    def main(self):
        steps = [s for s in self.case["steps"] if self.o.place in s.get("on", self.case["on"])]
        if any("page" in step for step in steps) and not shutil.which("chromium"):
            print("chromium is not installed: the page is not rendered")
            return 77
        self.lay_out()
        if self.o.place == "console":
            with open(os.path.join(self.work, "tmux.conf"), "w") as f:
                f.write("set -g remain-on-exit on\nset -g default-shell /bin/sh\n")
        try:
            for step in steps:
                (self.console if self.o.place == "console" else self.step)(step)
        finally:
            if self.o.place == "console":
                self.tmux("kill-server")
        for failure in self.failures:
            print("FAILED: " + failure)
        print("%s (%s): %d steps, %d failures" % (os.path.basename(self.dir), self.o.place, len(steps),
                                                 len(self.failures)))
        return 1 if self.failures else 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("case", nargs="?")
    parser.add_argument("--week", help="lay out the test week in this folder and end")
    parser.add_argument("--place", choices=["native", "wine", "console"], default="native")
    parser.add_argument("--reader")
    parser.add_argument("--wine", nargs=2, metavar=("WINERUN", "LOADER"))
    parser.add_argument("--locale")
    parser.add_argument("--work")
    parser.add_argument("--update", action="store_true")
    options = parser.parse_args()
    if options.week:
        shutil.rmtree(options.week, ignore_errors=True)
        lay_out_week(options.week)
        sys.exit(0)
    sys.exit(Case(options).main())

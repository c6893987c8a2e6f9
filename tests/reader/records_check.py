"""The records of --json as one schema: every record of the test week, of
every scenario's expected report and of hostile files (some not read) is
valid against docs/record.schema.json and has the same keys; the README's
SQL, run in DuckDB itself (through Node.js) on the test week's records, gives
the counts of --overview; and a file not read whose record comes after the
records DuckDB takes its columns from still loads.

Usage: records_check.py ORVEXENVREAD SCENARIOS_DIR WEEK_DIR OUT_DIR
Needs python3-jsonschema and tests/reader/duckdb's npm packages
(scripts/install-deps.sh installs both); without them it fails."""
import glob
import json
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_week  # noqa: E402

try:
    import jsonschema
except ImportError:
    jsonschema = None

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DUCKDB = os.path.join(ROOT, "tests", "reader", "duckdb")
KEYS = {"file", "run", "encoding", "started", "complete", "ended", "failures", "items", "findings", "attention",
        "changed", "error"}
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
    return ok


def records_of(reader, arguments):
    """The --json records of the arguments: the objects, their lines as written, the lines that are no object."""
    done = subprocess.run([reader, "--json", *arguments], capture_output=True, timeout=120)
    check(done.returncode in (0, 1, 2),
          f"--json ended with {done.returncode}: {done.stderr.decode(errors='replace')[-2000:]}")
    records, lines, bad = [], [], []
    for line in done.stdout.decode("utf-8", "replace").splitlines(keepends=True):
        try:
            record = json.loads(line)
        except ValueError:
            record = None
        if isinstance(record, dict):
            records.append(record)
            lines.append(line)
        else:
            bad.append(line)
    return records, lines, bad


def hostile_files(scenarios, folder):
    """Files a desk may be sent that the tool never wrote so; the last three are not read."""
    os.makedirs(folder, exist_ok=True)
    ready = make_week.report(scenarios, "machine-ready", "2026/12/05 09:00:00")
    lines = ready.splitlines()
    odd = list(lines[:43])  # a run without its closing line: interrupted by the next
    odd[1] = "実行開始：きのうの朝"  # started: null
    odd[6] = "5．サービス情報 Smart Card Services：\x1b[31m赤\u0085"  # control characters: unread
    odd[8] = "7．まったく別の行"  # not a text of item 7: unread
    odd[7:7] = [odd[7], "99．後の版の項目"]  # a repeated item, an item number unknown
    odd += lines[:21] + lines[27:]  # items 20 to 25 missing
    odd += lines  # complete: from missing to ok
    files = {
        "cut.txt": ready.replace("\n", "\r\n").encode("cp932")[:1500],  # ends inside a run (and a character)
        "odd.txt": "\n".join(odd).encode("utf-8"),
        "utf16.txt": ready.encode("utf-16"),
        b"bad \xff name.txt": b"\x00\x01binary\xff\r\n",
    }
    paths = []
    for name, data in files.items():
        path = os.path.join(os.fsencode(folder), name if isinstance(name, bytes) else name.encode())
        with open(path, "wb") as f:
            f.write(data)
        paths.append(path)
    return paths + [os.path.join(os.fsencode(folder), b"missing.txt")]


def listed(record, key):
    """The objects of a list in a record; nothing when it holds something else."""
    value = record.get(key)
    return [entry for entry in value if isinstance(entry, dict)] if isinstance(value, list) else []


def shown(value):
    return value if isinstance(value, (str, int, float, bool, type(None))) else repr(value)


def check_records(records, bad, validators, what):
    """Every record valid, said of the first few that are not by the kind each is (a run when error is null)."""
    check(not bad, f"{what}: lines that are no JSON object: {bad[:3]}")
    wrong = []
    for record in records:
        if validators["record"].is_valid(record):
            continue
        kind = "run" if record.get("error") is None else "notRead"
        best = jsonschema.exceptions.best_match(validators[kind].iter_errors(record))
        wrong.append(f"{record.get('file')!r} run {record.get('run')!r} as {kind}: " +
                     (f"{best.message[:300]} (at /{'/'.join(map(str, best.absolute_path))})" if best else
                      "valid as either kind alone, so as both"))
    check(not wrong, f"{what}: {len(wrong)} of {len(records)} records not valid against docs/record.schema.json:"
          + "".join("\n  " + line for line in wrong[:3]))
    keys = {tuple(sorted(record)) for record in records}
    check(keys == {tuple(sorted(KEYS))}, f"{what}: the records' keys are not all {sorted(KEYS)}: {sorted(keys)}")


def readme_sql():
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        found = re.search(r"<!-- records\.sql[^\n]*-->\n```sql\n(.*?)```\n<!-- /records\.sql -->", f.read(), re.S)
    check(found, "README.md has no ```sql block between <!-- records.sql --> and <!-- /records.sql -->")
    return found.group(1) if found else None


def duckdb(sql, folder):
    """The results of the SQL, run by DuckDB in folder, or None (a failure noted)."""
    runner = os.path.join(DUCKDB, "run_sql.mjs")
    if not check(os.path.isdir(os.path.join(DUCKDB, "node_modules", "@duckdb", "node-api")) and shutil.which("node"),
                 f"DuckDB's node package is not installed in {DUCKDB} (scripts/install-deps.sh installs it)"):
        return None
    done = subprocess.run(["node", runner], input=sql.encode(), cwd=folder, capture_output=True, timeout=60)
    try:
        results = json.loads(done.stdout)
    except ValueError:
        results = None
    if not check(isinstance(results, list) and done.returncode == 0,
                 f"DuckDB failed on\n{sql}\n: {results or done.stderr.decode(errors='replace')[-2000:]}"):
        return None
    return results


def overview_counts(text):
    """--overview's counts as the README's SQL names them, and its items as (item, files) in order."""
    patterns = {"files_read": r"読んだファイル：(\d+)", "files_not_read": r"読めなかったファイル：(\d+)",
                "runs_complete": r"最後まで終わった (\d+)", "runs_not_complete": r"途中で終わった (\d+)",
                "extension_on_nowhere": r"拡張機能がどのブラウザでも有効でない最新の実行：(\d+)"}
    counts = {}
    for name, pattern in patterns.items():
        found = re.search(pattern, text)
        check(found, f"--overview has no line matching {pattern}:\n{text}")
        counts[name] = int(found.group(1)) if found else None
    items = [[int(n), int(files)] for n, files in re.findall(r"^ +(\d+)．.*：(\d+) ファイル$", text, re.M)]
    return counts, items


def main(reader, scenarios, week, out):
    if jsonschema is None:
        print("FAILED: python3-jsonschema is not installed (scripts/install-deps.sh installs it)")
        return 1
    with open(os.path.join(ROOT, "docs", "record.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    try:
        jsonschema.Draft202012Validator.check_schema(schema)
    except jsonschema.exceptions.SchemaError as error:
        print(f"FAILED: docs/record.schema.json is no valid JSON Schema: {error.message}")
        return 1
    validators = {kind: jsonschema.Draft202012Validator({"$defs": schema.get("$defs"), "$ref": "#/$defs/" + kind})
                  for kind in ("run", "notRead")}
    validators["record"] = jsonschema.Draft202012Validator(schema)
    shutil.rmtree(out, ignore_errors=True)

    # Every scenario's expected reports, as the tool writes them; then the hostile files.
    inputs = []
    for expected in sorted(glob.glob(os.path.join(scenarios, "*", "expected*.txt"))):
        name, file = expected.split(os.sep)[-2:]
        path = os.path.join(out, "scenarios", name, file)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            text = make_week.report(scenarios, name, "2026/12/01 09:00:00", file)
            f.write(text.replace("\n", "\r\n").encode("cp932"))
        inputs.append(path)
    hostile = hostile_files(scenarios, os.path.join(out, "hostile"))
    records, _, bad = records_of(reader, [os.fsencode(p) for p in inputs] + hostile)
    check_records(records, bad, validators, "scenarios and hostile files")
    check({shown(r.get("file")) for r in records} >= set(inputs), "a scenario's report gave no record")
    not_read = sorted(str(r.get("file")) for r in records if r.get("error") is not None)
    check(len(not_read) == 3 and "\\xff" in not_read[0] and [os.path.basename(f) for f in not_read[1:]] ==
          ["missing.txt", "utf16.txt"], f"the files not read: {not_read}")
    # The inputs reach every value of the record (else the schema was tried on less than it says).
    runs = [r for r in records if r.get("error") is None]
    seen = {"ended": {shown(r.get("ended")) for r in runs}, "encoding": {shown(r.get("encoding")) for r in runs},
            "verdict": {shown(i.get("verdict")) for r in runs for i in listed(r, "items")},
            "started": {r.get("started") is None for r in runs}, "changed": {r.get("changed") is None for r in runs},
            "from/to": {shown(c.get(k)) for r in runs for c in listed(r, "changed") for k in ("from", "to")}}
    for key, values in (("ended", {"complete", "failure", "interrupted", "cut", "items-missing"}),
                        ("encoding", {"cp932", "utf-8"}), ("verdict", {"ok", "action", "unread", "info"}),
                        ("started", {True, False}), ("changed", {True, False}), ("from/to", {"missing", "ok"})):
        check(seen[key] >= values, f"the inputs give {key} only {seen[key]}, not all of {values}")

    # The test week: its records, then the README's SQL on them beside --overview.
    week_records, week_lines, bad = records_of(reader, [week])
    check_records(week_records, bad, validators, "the test week")
    duck = os.path.join(out, "duckdb")
    os.makedirs(duck)
    with open(os.path.join(duck, "week.jsonl"), "w", encoding="utf-8") as f:
        f.writelines(week_lines)
    overview = subprocess.run([reader, "--overview", week], capture_output=True, timeout=60).stdout.decode("utf-8")
    counts, items = overview_counts(overview)
    check(items and counts["files_not_read"],
          f"the test week's overview shows no item or no file not read:\n{overview}")
    sql = readme_sql()
    results = duckdb(sql, duck) if sql else None
    if results is not None:
        by_columns = {tuple(r.get("columns", [])): r.get("rows", []) for r in results if isinstance(r, dict)}
        got = by_columns.get(tuple(counts), [])
        check(len(got) == 1 and dict(zip(counts, got[0])) == counts,
              f"the README's SQL gives {got}, --overview {counts} (columns {list(counts)})")
        got_items = by_columns.get(("item", "files"))
        check(got_items == items, f"the README's SQL gives the items {got_items},\n--overview {items}")

    # DuckDB takes the columns from the first records it reads (20,480 by
    # default): a file not read among thousands of runs is read with the runs'
    # columns. It loads because it has the same keys; a sample of two runs
    # shows that on a few records.
    pairs = list(zip(week_records, week_lines))
    late = [p for p in pairs if p[0].get("error") is None][:3] + [p for p in pairs if p[0].get("error")][:1]
    with open(os.path.join(duck, "late.jsonl"), "w", encoding="utf-8") as f:
        f.writelines(line for _, line in late)
    late = [record for record, _ in late]
    results = None
    if check(len(late) == 4, "the test week has not three runs and a file not read"):
        results = duckdb("SELECT file, error, attention, len(items) FROM read_json('late.jsonl', "
                         "format = 'newline_delimited', sample_size = 2) WHERE run IS NULL", duck)
    if results is not None:
        rows = results[0].get("rows") if results and isinstance(results[0], dict) else None
        message = late[3].get("error")
        check(rows and len(rows) == 1 and rows[0][0] == late[3].get("file") and rows[0][2] is True and rows[0][3] == 0
              and rows[0][1] in (message, json.dumps(message, ensure_ascii=False)),
              f"the record of a file not read after the sample loads as {rows}, not as {late[3]}")

    for failure in failures:
        print("FAILED:", failure)
    print(f"records: {len(records)} of {len(inputs)} scenario reports and {len(hostile)} hostile files, "
          f"{len(week_records)} of the test week; overview: {counts}, {len(items)} items")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))

"""A week that tries every way of passing as all clear, run once through every
output form of the native OrvexEnvRead: the test week (make_week.py) with a
subfolder and a file nobody may open, names in CP932 as a Windows archive
unpacked on Linux leaves them, a name no encoding reads, a name with a
right-to-left override, one with a line end; read as a folder, as a
NUL-separated list (find -print0), as an empty list, and with a file named
again beside its folder.

Run as root, the reader runs without the capabilities that pass over file
permissions (setpriv), so that the locked entries are locked for it.

Usage: hostile_week.py ORVEXENVREAD SCENARIOS_DIR OUT_DIR"""
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_week  # noqa: E402

reader, scenarios, out = (os.path.abspath(path) for path in sys.argv[1:4])
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)
os.chdir(out)  # every path below is relative: the outputs name them as given
make_week.main(scenarios, "week")


def report(scenario, start):
    return make_week.report(scenarios, scenario, start).replace("\n", "\r\n").encode("cp932")


def cp932(name):
    return os.fsencode("week/cp932/") + name.encode("cp932")


os.makedirs("week/cp932")
for name, scenario in (("佐藤.txt", "machine-half-ready"), ("鈴木.txt", "machine-nothing-installed"),
                       ("高橋.txt", "machine-ready")):
    make_week.write(cp932(name), report(scenario, "2026/12/05 09:00:00"))
make_week.write(b"week/cp932/caf\xe9.txt", report("machine-ready", "2026/12/05 09:00:00"))
make_week.write("week/ev\u202eTXT.exe.txt", report("machine-ready", "2026/12/05 09:00:00"))
make_week.write("week/two\nlines.txt", report("machine-ready", "2026/12/05 09:00:00"))
make_week.write("week/受付 12月/locked/hidden.txt", report("machine-ready", "2026/12/05 09:00:00"))
make_week.write("week/受付 12月/unreadable.txt", report("machine-ready", "2026/12/05 09:00:00"))
os.mkfifo("week/受付 12月/fifo.txt")  # named like a result file, no file: passed over, never waited on
os.chmod("week/受付 12月/locked", 0)
os.chmod("week/受付 12月/unreadable.txt", 0)

as_user = ["setpriv", "--bounding-set=-dac_override,-dac_read_search"] if os.geteuid() == 0 else []
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(*args, stdin=b""):
    done = subprocess.run(as_user + [reader] + list(args), input=stdin, capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


NO_RUN = "OrvexEnv の実行の記録（「実行開始：」の行）がありません。"
LOCKED = "フォルダーを開けません（Permission denied）。"
UNREADABLE = "ファイルを開けません（Permission denied）。"
NOT_READ = [("week/受付 12月/empty.txt", NO_RUN), ("week/受付 12月/locked", LOCKED),
            ("week/受付 12月/unreadable.txt", UNREADABLE)]
# Every result file read, in the order of their paths' bytes, as the outputs name them.
READ = ["week/cp932/caf\\xe9.txt", "week/cp932/高橋.txt", "week/cp932/佐藤.txt", "week/cp932/鈴木.txt",
        "week/ev?TXT.exe.txt", "week/two?lines.txt", "week/佐藤/OrvexEnv.txt", "week/受付 12月/鈴木 花子.TXT",
        "week/受付 12月/高橋/console.txt", "week/受付 12月/高橋/old mail.txt", "week/田中 太郎.txt"]
messages = "".join("OrvexEnvRead: %s: %s\n" % entry for entry in NOT_READ)

# The folder, and a file of it named again: every file once, each unread entry named.
rc, summary, err = run("week", "week/田中 太郎.txt")
check(rc == 2, "summary: exit code %d, not 2" % rc)
check(err == messages, "summary: standard error\n%s" % err)
shown = [line[2:].split("：")[0] for line in summary.splitlines() if line.startswith("■ ") and line != "■ 概要"]
check(shown == READ, "summary: the files shown: %r" % shown)
overview = summary[summary.find("■ 概要"):]
check(overview.startswith("■ 概要\n  読んだファイル：11（読めなかったファイル：3）\n"), "summary: overview\n" + overview)
check("\u202e" not in summary and "\ufffd" not in summary, "summary: a name shown with U+202E or U+FFFD")

# find -print0, as a desk pipes it: the same files and the same overview,
# but for the locked folder, which find cannot look into either.
listing = subprocess.run(as_user + ["find", "week", "-iname", "*.txt", "-type", "f", "-print0"], capture_output=True).stdout
rc, listed, err = run("--overview", "--files-from", "-", stdin=listing)
check(rc == 2, "NUL list: exit code %d, not 2" % rc)
check(listed == overview.replace("11（読めなかったファイル：3）", "11（読めなかったファイル：2）"),
      "NUL list: overview\n" + listed)
check(err == messages.replace("OrvexEnvRead: week/受付 12月/locked: %s\n" % LOCKED, ""),
      "NUL list: standard error\n" + err)

# An empty list names no file: an error, not a clean week.
rc, empty, err = run("--overview", "--files-from", "-")
check(rc == 2 and err == "OrvexEnvRead: -: ファイルの一覧に、ファイルの名前が 1 つもありません。\n",
      "empty list: exit code %d, standard error %r" % (rc, err))
check(empty.startswith("■ 概要\n  読んだファイル：0（読めなかったファイル：1）\n"), "empty list: overview\n" + empty)

# JSON Lines: one record per run or file not read, the same keys in each,
# the same names; the override escaped, never written as it is.
rc, lines, err = run("--json", "week")
records = []
for line in lines.splitlines():
    try:
        records.append(dict(json.loads(line)))
    except (ValueError, TypeError):
        failures.append("json: a line that is no record: %r" % line[:200])
check(rc == 2 and err == messages, "json: exit code %d, standard error %r" % (rc, err))
check(len({tuple(sorted(record)) for record in records}) == 1, "json: records of different keys")
errors = [(record.get("file"), record.get("error")) for record in records if record.get("error") is not None]
check(errors == NOT_READ, "json: the files not read: %r" % errors)
files = list(dict.fromkeys(record.get("file") for record in records if record.get("error") is None))
check([str(name).replace("\u202e", "?").replace("\n", "?") for name in files] == READ, "json: the files: %r" % files)
check("\\u202e" in lines and "\u202e" not in lines, "json: U+202E not escaped")

# CSV: the same names, the override as "?".
rc, csv, err = run("--csv", "week")
rows = csv.split("\r\n")[1:-1]
check(rc == 2 and len(rows) == len(READ) + 2, "csv: exit code %d, %d rows" % (rc, len(rows)))
names = list(dict.fromkeys(row[1:row.find('","')] for row in rows))
check([name for name in names if name in READ] == READ, "csv: the files: %r" % names)

# The page, with the summary beside it: the same names, escaped.
rc, beside, err = run("--overview", "--html", "week.html", "week")
page = open("week.html", encoding="utf-8").read() if os.path.exists("week.html") else ""
check(rc == 2 and beside == overview, "page: exit code %d, standard output\n%s" % (rc, beside))
for name in READ + [path for path, _ in NOT_READ]:
    check('title="%s"' % name.replace("&", "&amp;") in page, "page: no row for %s" % name)
check("\u202e" not in page, "page: U+202E written as it is")
# A page path that is no file is refused before anything is read: nothing on standard output.
os.mkfifo("fifo.html")
for path in ("fifo.html", "missing/week.html"):
    rc, refused, err = run("--csv", "--html", path, "week")
    check(rc == 2 and refused == "" and err.count("\n") == 1, "page %s: exit code %d, %r, %r" % (path, rc, refused,
                                                                                           err))

os.chmod("week/受付 12月/locked", 0o755)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)

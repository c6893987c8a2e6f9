"""OrvexEnvRead.exe under Wine in a Japanese locale (code page 932), its output
redirected to files as a desk's script would: the summary comes out in the
ANSI code page (CP932, CR LF), the JSON Lines in UTF-8, and a Japanese file
name given on the command line is read and named. It runs through winerun, in
the prefix of the unit tests.

Usage: wine_console_check.py WINERUN LOADER EXE LOCALE_DIR EXPECTED_REPORT"""
import json
import os
import subprocess
import sys
import tempfile

winerun, loader, exe, locale_dir, report_path = sys.argv[1:6]
with open(report_path, encoding="utf-8") as f:
    report = f.read().replace("{START}", "2025/11/20 09:12:44")
env = {
    "PATH": "/usr/local/bin:/usr/bin:/bin",
    "LANG": "ja_JP.UTF-8",
    "LC_ALL": "ja_JP.UTF-8",
    "LOCPATH": locale_dir,
    "ORVEX_UNIT_WINEPREFIX": os.environ["ORVEX_UNIT_WINEPREFIX"],
}
name = "結果ファイル.txt"


def run(*args):
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        rc = subprocess.run([winerun, loader, exe] + list(args), env=env, cwd=work, stdin=subprocess.DEVNULL,
                            stdout=out, stderr=err, timeout=120).returncode
        out.seek(0)
        err.seek(0)
        return rc, out.read(), err.read()


with tempfile.TemporaryDirectory() as work:
    with open(os.path.join(work, name), "wb") as f:
        f.write(report.replace("\n", "\r\n").encode("cp932"))
    rc, out, err = run(name)
    summary = out.decode("cp932")
    checks = [
        (rc == 1, "exit code 1 (items to act on), not %d" % rc),
        (err == b"", "nothing on standard error: %r" % err),
        (summary.startswith("■ " + name + "\r\n"), "the summary names the file, CR LF"),
        ("  [要対応] 35．Chrome拡張機能(Edge用)：Preferences：off\r\n" in summary, "item 35 to act on"),
    ]
    rc, out, err = run("--json", name)
    record = json.loads(out.decode("utf-8"))
    checks += [
        (rc == 1, "--json: exit code 1, not %d" % rc),
        (out.endswith(b"}\n") and out.count(b"\n") == 1, "--json: one line ending in LF"),
        (record["file"] == name, "--json: the file as given: %r" % record["file"]),
        (record["items"][34]["text"] == "35．Chrome拡張機能(Edge用)：Preferences：off", "--json: item 35 in UTF-8"),
    ]
failed = [message for ok, message in checks if not ok]
for message in failed:
    print("FAILED: " + message)
if failed:
    print(summary)
sys.exit(1 if failed else 0)

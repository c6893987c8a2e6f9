"""OrvexEnvRead.exe under Wine in a Japanese locale (code page 932), its output
redirected to files as a desk's script would: the summary comes out in the
ANSI code page (CP932, CR LF), the JSON Lines in UTF-8, and a Japanese file
name given on the command line is read and named. A file joined from mailed
UTF-8 copies and the tool's next run gives every run in its own encoding;
files named like spreadsheet formulas stay text in the CSV, and what a line
holds that is no CP932 or a control character reaches the console as "?".
In cmd, a wildcard is expanded by the reader itself, and a folder of the
test week is read through. It runs through winerun, in the prefix of the unit
tests.

Usage: wine_console_check.py WINERUN LOADER EXE LOCALE_DIR EXPECTED_REPORT WEEK"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

winerun, loader, exe, locale_dir, report_path, week = sys.argv[1:7]


def expected(path, start="2025/11/20 09:12:44"):
    with open(path, encoding="utf-8") as f:
        return f.read().replace("{START}", start)


report = expected(report_path)
scenarios = os.path.dirname(os.path.dirname(report_path))
sam = expected(os.path.join(scenarios, "sam-user-missing", "expected.txt"), "2025/11/20 09:00:00")
half = expected(report_path, "2025/11/21 09:00:00")
ready = expected(os.path.join(scenarios, "machine-ready", "expected.txt"), "2025/11/22 09:00:00")
env = {
    "PATH": "/usr/local/bin:/usr/bin:/bin",
    "LANG": "ja_JP.UTF-8",
    "LC_ALL": "ja_JP.UTF-8",
    "LOCPATH": locale_dir,
    "ORVEX_UNIT_WINEPREFIX": os.environ["ORVEX_UNIT_WINEPREFIX"],
}
name = "結果ファイル.txt"
# The test week's overview, the pattern that matches nothing counted among
# the files not read.
week_overview = """■ 概要
  読んだファイル：5（読めなかったファイル：2）
  実行：最後まで終わった 6、途中で終わった 1
  最新の実行で要対応・読めずの項目（多い順）：
    5．サービス情報 Smart Card Services：3 ファイル
    7．署名モジュール Quennel.ocx：3 ファイル
    10．ブラウザ設定 信頼済みサイト https://start.efile.orvex.example：3 ファイル
    14．ブラウザ設定 信頼済みサイト https://img.citizenportal.example：3 ファイル
    16．ブラウザ設定 信頼済みサイト https://citizenportal.example：3 ファイル
    24．ブラウザ設定 ポップアップブロック設定：start.efile.orvex.example：3 ファイル
    27．ブラウザ設定 ポップアップブロック設定：img.citizenportal.example：3 ファイル
    6．署名モジュール Tessivan.dll：2 ファイル
    8．ブラウザ設定 信頼済みサイト https://www.efile.orvex.example：2 ファイル
    9．ブラウザ設定 信頼済みサイト http://dl.efile.orvex.example：2 ファイル
    11．ブラウザ設定 信頼済みサイト https://recv.efile.orvex.example：2 ファイル
    12．ブラウザ設定 信頼済みサイト https://calc.assist.orvex.example：2 ファイル
    13．ブラウザ設定 信頼済みサイト https://idf.citizenportal.example：2 ファイル
    15．ブラウザ設定 信頼済みサイト https://svc.citizenportal.example：2 ファイル
    17．ブラウザ設定 セキュリティゾーン：2 ファイル
    22．ブラウザ設定 ポップアップブロック設定：www.efile.orvex.example：2 ファイル
    23．ブラウザ設定 ポップアップブロック設定：dl.efile.orvex.example：2 ファイル
    25．ブラウザ設定 ポップアップブロック設定：calc.assist.orvex.example：2 ファイル
    26．ブラウザ設定 ポップアップブロック設定：idf.citizenportal.example：2 ファイル
    28．ブラウザ設定 ポップアップブロック設定：svc.citizenportal.example：2 ファイル
    29．ブラウザ設定 ポップアップブロック設定：recv.efile.orvex.example：2 ファイル
    30．ブラウザ設定 ポップアップブロック設定：citizenportal.example：2 ファイル
    41．ソラム事前準備セットアップ：2 ファイル
    19．ブラウザ設定 アドオンの管理：Quennel Control：1 ファイル
    21．ブラウザ設定 互換表示設定：1 ファイル
    35．Chrome拡張機能(Edge用)：Preferences：1 ファイル
    39．ルベナ事前準備セットアップ：1 ファイル
    40．Orvexソフト（WEB版）事前準備セットアップ：1 ファイル
  拡張機能がどのブラウザでも有効でない最新の実行：1

"""


def records(out):
    """The JSON Lines records of out; a line that is no object stands as {} (and fails the checks on it)."""
    found = []
    for line in out.decode("utf-8", "replace").splitlines():
        try:
            record = json.loads(line)
        except ValueError:
            record = None
        found.append(record if isinstance(record, dict) else {})
    return found


def run(*args, command=None):
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        rc = subprocess.run([winerun, loader] + (command or [exe]) + list(args), env=env, cwd=work, stdin=subprocess.DEVNULL,
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
    record = (records(out) + [{}])[0]
    items = {item.get("item"): item.get("text") for item in record.get("items") or [] if isinstance(item, dict)}
    checks += [
        (rc == 1, "--json: exit code 1, not %d" % rc),
        (out.endswith(b"}\n") and out.count(b"\n") == 1, "--json: one line ending in LF"),
        (record.get("file") == name, "--json: the file as given: %r" % record.get("file")),
        (items.get(35) == "35．Chrome拡張機能(Edge用)：Preferences：off", "--json: item 35 in UTF-8"),
    ]

    # A mailed UTF-8 copy (LF), another joined by hand (byte-order mark, CR LF),
    # a note in UTF-8, then the tool's next run (CP932).
    joined = "二つの形式.txt"
    with open(os.path.join(work, joined), "wb") as f:
        f.write(sam.encode("utf-8") + "\ufeff".encode("utf-8") + half.replace("\n", "\r\n").encode("utf-8"))
        f.write(("メモ：設定を直してもらいました\n" + ready).replace("\n", "\r\n").encode("cp932"))
    rc, out, err = run("--json", joined)
    runs = [(r.get("encoding"), r.get("ended"), r.get("started")) for r in records(out)]
    checks += [
        (rc == 0, "two encodings: exit code 0 (the latest run is ready), not %d" % rc),
        (runs == [("utf-8", "failure", "2025/11/20 09:00:00"), ("utf-8", "complete", "2025/11/21 09:00:00"),
                  ("cp932", "complete", "2025/11/22 09:00:00")], "two encodings: every run in its own: %r" % runs),
    ]

    # Files named like formulas, their item 21 edited: an ESC sequence and a
    # byte that is no CP932.
    formulas = ["-2+3.txt", "=1+1.txt", "+1+1.txt", "@SUM(1,1).txt"]
    ok = "互換表示設定：OK".encode("cp932")
    edited = ready.replace("\n", "\r\n").encode("cp932").replace(ok, ok + b"\x1b[2J\x85\x40")
    for formula in formulas:
        with open(os.path.join(work, formula), "wb") as f:
            f.write(edited)
    rc, out, err = run("--csv", "--", *formulas)
    rows = out.decode("utf-8").split("\r\n")
    checks += [
        (rc == 1, "formulas: exit code 1, not %d" % rc),
        ([row[:len(formula) + 3] for row, formula in zip(rows[1:], formulas)] == ['"\'%s"' % f for f in formulas],
         "formulas: every file field begins with ': %r" % rows[1:]),
        ('"21．ブラウザ設定 互換表示設定：OK?[2J\ufffd@","unread"' in rows[1], "formulas: item 21 in the CSV"),
    ]
    rc, out, err = run("--", formulas[1])
    summary = out.decode("cp932")
    checks += [
        (summary.startswith("■ =1+1.txt\r\n"), "formulas: the summary names the file"),
        ("  [読めず] 21．ブラウザ設定 互換表示設定：OK?[2J?@\r\n" in summary, "formulas: item 21 with ? for what CP932 lacks"),
    ]

    # The test week in cmd: "week\\*" matches 佐藤 and 受付 12月 (folders, read
    # through) and 田中 太郎.txt; a pattern that matches nothing is named.
    shutil.copytree(week, os.path.join(work, "week"))
    cmd = ["cmd", "/c", "Z:" + exe.replace("/", "\\")]
    rc, out, err = run("--overview", "week\\*", "nothing\\*.txt", command=cmd)
    overview = out.decode("cp932")
    checks += [
        (rc == 2, "wildcard: exit code 2 (the empty file, the pattern), not %d" % rc),
        (overview == week_overview.replace("\n", "\r\n"), "wildcard: the week's overview"),
        ("nothing\\*.txt: 当てはまるファイルがありません。" in err.decode("cp932"), "wildcard: %r" % err.decode("cp932")),
    ]
    rc, out, err = run("--json", "week\\佐藤\\*.TXT", command=cmd)
    runs = [(r.get("file"), r.get("run"), len(r.get("changed") or [])) for r in records(out)]
    checks += [(runs == [("week\\佐藤\\OrvexEnv.txt", n, c) for n, c in ((1, 0), (2, 20), (3, 15))],
                "wildcard: the three runs of 佐藤 with what changed: %r" % runs)]
    summary = overview
failed = [message for ok, message in checks if not ok]
for message in failed:
    print("FAILED: " + message)
if failed:
    print(summary)
sys.exit(1 if failed else 0)

"""OrvexEnvRead.exe under Wine in a real pseudo-terminal (a pane of tmux, which
reads the terminal's output as UTF-8 and keeps the screen), in the Japanese
locale of the test bed. Through cmd (which shares the console, so no wait)
the screen shows the summary of a report that needs action line for line as
the redirected output (CP932) has it, also after "chcp 437" with a message
before it. Started by the loader alone it ends by itself with standard input
from /dev/null, and with the terminal as standard input it waits for a key.

What Wine 8.0 gives a program there (a probe run in a pty, ja_JP.UTF-8):
GetConsoleMode works on standard output and error with or without cmd, on
standard input only when it is the terminal (from /dev/null it is a file
handle, yet _getch() waits on the terminal for ever). GetConsoleProcessList
is 1 for a program started by its own loader, 2 for the 64-bit one started by
the 32-bit loader, 3 under cmd /c. GetConsoleOutputCP, GetConsoleCP, GetACP
and GetOEMCP are 932; the output code page 437 after "chcp 437". WriteFile
bytes show in the output code page, what the C runtime writes to the console
shows byte by byte as Latin-1 whatever the code page, WriteConsoleW shows
Japanese in either.

Usage: wine_pty_check.py WINERUN LOADER EXE LOCALE_DIR EXPECTED_REPORT"""
import os
import shlex
import subprocess
import sys
import tempfile
import time

winerun, loader, exe, locale_dir, report_path = sys.argv[1:6]
env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8", "LOCPATH": locale_dir,
       "ORVEX_UNIT_WINEPREFIX": os.environ["ORVEX_UNIT_WINEPREFIX"]}
name, prompt = "結果ファイル.txt", "何かキーを押すと閉じます。"
windows_exe = "Z:" + exe.replace("/", "\\")
with open(report_path, encoding="utf-8") as f:
    report = f.read().replace("{START}", "2025/11/20 09:12:44")


def tmux(*args):
    return subprocess.run(["tmux", "-u", "-S", socket, "-f", conf] + list(args), env=env, check=True,
                          capture_output=True, text=True).stdout


def screen(pane, until=lambda status, lines: status is not None):
    """(its exit status, None while it runs; the screen's lines) once until
    holds, or after 15 s: a reader waiting for a key never ends."""
    deadline = time.monotonic() + 15
    while True:
        dead, status = tmux("display-message", "-p", "-t", pane, "#{pane_dead} #{pane_dead_status}").split(" ")
        shown = tmux("capture-pane", "-p", "-J", "-S", "-", "-t", pane).split("\n")
        lines = "\n".join(line for line in shown if not line.startswith("Pane is dead")).rstrip("\n").split("\n")
        result = (int(status) if dead == "1" else None), lines
        if until(*result) or time.monotonic() > deadline:
            return result
        time.sleep(0.1)


checks = []
screens = []
with tempfile.TemporaryDirectory() as work:
    socket, conf = os.path.join(work, "tmux"), os.path.join(work, "tmux.conf")
    with open(conf, "w") as f:
        f.write("set -g remain-on-exit on\n")
    with open(os.path.join(work, name), "wb") as f:
        f.write(report.replace("\n", "\r\n").encode("cp932"))
    redirected = subprocess.run([winerun, loader, exe, name], env=env, cwd=work, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=120).stdout
    summary = redirected.decode("cp932").replace("\r\n", "\n").rstrip("\n").split("\n")
    checks.append((all(line in summary for line in (
        "■ " + name, "  [要対応] 35．Chrome拡張機能(Edge用)：Preferences：off",
        "           → Edge で拡張機能がオフになっています。Edge の拡張機能の管理（edge://extensions）で有効にしてください。",
        "  問題なし：18 / 41 項目（要対応 14、読めず 0、参考 9）")), "redirected: the summary's lines"))
    runs = {"cmd": ["cmd", "/c", windows_exe, name],
            "chcp": ["cmd", "/c", "chcp 437 & %s nothing\\*.txt %s" % (windows_exe, name)],
            "null": [exe, name], "alone": [exe, name]}
    try:
        # Each in a pane of its own, wide enough for the longest line.
        for pane, words in runs.items():
            command = shlex.join([winerun, "--tty", loader] + words) + (" </dev/null" if pane == "null" else "")
            tmux("new-session", "-d", "-s", pane, "-x", "250", "-y", "100", "-c", work, command)
        status, lines = screen("cmd")
        screens.append(lines)
        checks += [(status == 1, "cmd: ends by itself with exit code 1, not %s" % status),
                   (lines == summary, "cmd: the screen shows the summary, line for line")]
        status, lines = screen("chcp")
        screens.append(lines)
        checks += [(status == 2, "chcp 437: ends by itself with exit code 2, not %s" % status),
                   (lines[0].endswith(": 437"), "chcp 437: the console's code page is 437"),
                   (lines[1:len(summary) + 4] == ["OrvexEnvRead: nothing\\*.txt: 当てはまるファイルがありません。"] +
                    summary + ["", "■ 概要"], "chcp 437: the message, the summary, then the overview")]
        status, lines = screen("null")
        screens.append(lines)
        checks += [(status == 1, "stdin /dev/null: ends by itself with exit code 1, not %s" % status),
                   (lines == summary, "stdin /dev/null: the summary and no prompt")]
        status, lines = screen("alone", lambda status, lines: status is not None or prompt in lines)
        screens.append(lines)
        # The summary ends in an empty line; the prompt begins with one.
        checks.append((lines == summary + ["", "", prompt], "alone in its console: the summary, then the prompt"))
        time.sleep(1)
        checks.append((screen("alone", lambda *_: True)[0] is None, "alone in its console: waits for a key"))
        tmux("send-keys", "-t", "alone", "x")
        status = screen("alone")[0]
        checks.append((status == 1, "alone in its console: a key ends it with exit code 1, not %s" % status))
    finally:
        subprocess.run(["tmux", "-S", socket, "kill-server"], env=env, capture_output=True)
failed = [message for ok, message in checks if not ok]
for message in failed:
    print("FAILED: " + message)
if failed:
    print("\n--- screen\n".join("\n".join(lines) for lines in screens))
sys.exit(1 if failed else 0)

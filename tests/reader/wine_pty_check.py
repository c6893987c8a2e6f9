"""OrvexEnvRead.exe under Wine in a real pseudo-terminal (a pane of tmux, which
reads the terminal's output as UTF-8 and keeps the screen), in the Japanese
locale of the test bed, as a desk meets it in a terminal:

- through cmd, the summary of a report that needs action reads on the screen
  as it does in the redirected output (CP932), line for line, and also in a
  console whose code page is 437, with a message on standard error; neither
  waits for a key (cmd shares the console);
- started by the loader alone with standard input from /dev/null, it ends by
  itself; with standard input the terminal, it is alone in its console and
  waits for a key, and ends on one.

What Wine 8.0 gives a program there (a probe run in a pty, LANG=ja_JP.UTF-8):
- GetConsoleMode works on standard output and error whether or not cmd is
  between, and on standard input only when it is the terminal: from
  /dev/null it is a plain file handle, though the console is still there and
  _getch() waits on the terminal for ever.
- GetConsoleProcessList: 1 for the program started by its own loader, 2 for
  the 64-bit program started by the 32-bit loader, 3 under cmd /c.
- GetConsoleOutputCP, GetConsoleCP, GetACP and GetOEMCP: 932; 437 after
  "chcp 437". Bytes written with WriteFile show in the output code page;
  what the C runtime writes to the console it takes byte by byte as Latin-1
  (mojibake whatever the code page); WriteConsoleW shows Japanese in both.

Usage: wine_pty_check.py WINERUN LOADER EXE LOCALE_DIR EXPECTED_REPORT"""
import os
import shlex
import subprocess
import sys
import tempfile
import time

winerun, loader, exe, locale_dir, report_path = sys.argv[1:6]
env = {
    "PATH": "/usr/local/bin:/usr/bin:/bin",
    "LANG": "ja_JP.UTF-8",
    "LC_ALL": "ja_JP.UTF-8",
    "LOCPATH": locale_dir,
    "ORVEX_UNIT_WINEPREFIX": os.environ["ORVEX_UNIT_WINEPREFIX"],
}
name = "結果ファイル.txt"
prompt = "何かキーを押すと閉じます。"
ENDS_WITHIN = 15  # seconds; a reader waiting for a key never ends
windows_exe = "Z:" + exe.replace("/", "\\")
with open(report_path, encoding="utf-8") as f:
    report = f.read().replace("{START}", "2025/11/20 09:12:44")


def tmux(*args):
    return subprocess.run(["tmux", "-u", "-S", socket, "-f", conf] + list(args), env=env, check=True,
                          capture_output=True, text=True).stdout


def start(pane, words, stdin_null=False):
    """The reader in a pane of its own, wide enough for the longest line."""
    command = shlex.join([winerun, "--tty", loader] + words) + (" </dev/null" if stdin_null else "")
    tmux("new-session", "-d", "-s", pane, "-x", "250", "-y", "100", "-c", work, command)


def state(pane):
    """(its exit status, or None while it runs; the screen's lines)."""
    dead, status = tmux("display-message", "-p", "-t", pane, "#{pane_dead} #{pane_dead_status}").split(" ")
    lines = tmux("capture-pane", "-p", "-J", "-S", "-", "-t", pane).rstrip("\n").split("\n")
    lines = [line for line in lines if not line.startswith("Pane is dead")]
    while lines and lines[-1] == "":
        lines.pop()
    return (int(status) if dead == "1" else None), lines


def wait(pane, until):
    deadline = time.monotonic() + ENDS_WITHIN
    while not until(*state(pane)) and time.monotonic() < deadline:
        time.sleep(0.1)
    return state(pane)


def ended(status, lines):
    return status is not None


checks = []
screens = []
with tempfile.TemporaryDirectory() as work:
    socket = os.path.join(work, "tmux")
    conf = os.path.join(work, "tmux.conf")
    with open(conf, "w") as f:
        f.write("set -g remain-on-exit on\n")
    with open(os.path.join(work, name), "wb") as f:
        f.write(report.replace("\n", "\r\n").encode("cp932"))
    with open(os.path.join(work, "out"), "wb") as out:
        subprocess.run([winerun, loader, exe, name], env=env, cwd=work, stdin=subprocess.DEVNULL, stdout=out,
                       timeout=120)
    with open(os.path.join(work, "out"), "rb") as out:
        summary = out.read().decode("cp932").replace("\r\n", "\n").rstrip("\n").split("\n")
    checks.append((all(line in summary for line in (
        "■ " + name,
        "  実行開始：2025/11/20 09:12:44",
        "  結果：最後まで実行されています。",
        "  [要対応] 35．Chrome拡張機能(Edge用)：Preferences：off",
        "           → Edge で拡張機能がオフになっています。Edge の拡張機能の管理（edge://extensions）で有効にしてください。",
        "  問題なし：18 / 41 項目（要対応 14、読めず 0、参考 9）")), "redirected: the summary's lines"))
    try:
        start("cmd", ["cmd", "/c", windows_exe, name])
        start("chcp", ["cmd", "/c", "chcp 437 & %s nothing\\*.txt %s" % (windows_exe, name)])
        start("null", [exe, name], stdin_null=True)
        start("alone", [exe, name])
        status, lines = wait("cmd", ended)
        screens.append(lines)
        checks += [(status == 1, "cmd: ends by itself with exit code 1, not %s" % status),
                   (lines == summary, "cmd: the screen shows the summary, line for line")]
        status, lines = wait("chcp", ended)
        screens.append(lines)
        checks += [(status == 2, "chcp 437: ends by itself with exit code 2, not %s" % status),
                   (lines[:1] != [] and lines[0].endswith(": 437"), "chcp 437: the console's code page is 437"),
                   (lines[1:len(summary) + 4] == ["OrvexEnvRead: nothing\\*.txt: 当てはまるファイルがありません。"] +
                    summary + ["", "■ 概要"], "chcp 437: the message, the summary, then the overview")]
        status, lines = wait("null", ended)
        screens.append(lines)
        checks += [(status == 1, "stdin /dev/null: ends by itself with exit code 1, not %s" % status),
                   (lines == summary, "stdin /dev/null: the summary and no prompt")]
        status, lines = wait("alone", lambda status, lines: status is not None or prompt in lines)
        screens.append(lines)
        # The summary ends in an empty line; the prompt begins with one.
        checks.append((lines == summary + ["", "", prompt], "alone in its console: the summary, then the prompt"))
        time.sleep(1)
        checks.append((state("alone")[0] is None, "alone in its console: waits for a key"))
        tmux("send-keys", "-t", "alone", "x")
        status, lines = wait("alone", ended)
        checks.append((status == 1, "alone in its console: a key ends it with exit code 1, not %s" % status))
    finally:
        subprocess.run(["tmux", "-S", socket, "kill-server"], env=env, capture_output=True)
failed = [message for ok, message in checks if not ok]
for message in failed:
    print("FAILED: " + message)
if failed:
    for screen in screens:
        print("--- screen\n" + "\n".join(screen))
sys.exit(1 if failed else 0)

"""Lays out a desk's week of result files, made from the scenarios' expected
reports, in OUT_DIR: the test week every form of the reader is tried on.

Usage: make_week.py SCENARIOS_DIR OUT_DIR

  田中 太郎.txt                  machine-ready, as the tool writes it (CP932, CR LF)
  佐藤/OrvexEnv.txt              three runs (nothing installed, half ready, ready), CP932, CR LF
  受付 12月/鈴木 花子.TXT        machine-half-ready saved again as UTF-8 with BOM, LF
  受付 12月/高橋/console.txt     a copy of the console window of machine-nothing-installed, CR CR LF
  受付 12月/高橋/old mail.txt    sam-user-missing, UTF-8 without BOM, CR alone
  受付 12月/empty.txt            no run at all
  受付 12月/メモ.md              not a result file (not .txt): passed over by a folder argument

Standard library only; the same bytes every time."""
import os
import sys

ANNOUNCEMENT = ("以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）\n"
                "C:\\Users\\taro\\Desktop\\OrvexEnv.txt\n")


def report(scenarios, name, start, expected="expected.txt"):
    with open(os.path.join(scenarios, name, expected), encoding="utf-8") as f:
        text = f.read()
    for placeholder, value in (("{START}", start), ("{BITNESS}", "64bit(9)"), ("{OS_CAPTION}", "Microsoft Windows 10 Pro"),
                               ("{OS_MAJOR}", "10"), ("{OS_MINOR}", "0"), ("{OS_BUILD}", "19045"),
                               ("{OS_SP}", "")):
        text = text.replace(placeholder, value)
    return text


def console_copy(text):
    """What the console showed: the announcement, then the lines without the separators."""
    return ANNOUNCEMENT + "".join(line + "\n" for line in text.splitlines() if not line.startswith("====="))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(scenarios, out):
    cp932_crlf = lambda text: text.replace("\n", "\r\n").encode("cp932")
    inbox = os.path.join(out, "受付 12月")
    write(os.path.join(out, "田中 太郎.txt"), cp932_crlf(report(scenarios, "machine-ready", "2026/12/01 09:00:00")))
    write(os.path.join(out, "佐藤", "OrvexEnv.txt"), cp932_crlf(
        report(scenarios, "machine-nothing-installed", "2026/12/01 10:00:00") +
        report(scenarios, "machine-half-ready", "2026/12/02 10:00:00") +
        report(scenarios, "machine-ready", "2026/12/03 10:00:00")))
    write(os.path.join(inbox, "鈴木 花子.TXT"),
          "\ufeff".encode("utf-8") + report(scenarios, "machine-half-ready", "2026/12/02 11:00:00").encode("utf-8"))
    write(os.path.join(inbox, "高橋", "console.txt"), console_copy(
        report(scenarios, "machine-nothing-installed", "2026/12/04 12:00:00")).replace("\n", "\r\r\n").encode("cp932"))
    write(os.path.join(inbox, "高橋", "old mail.txt"),
          report(scenarios, "sam-user-missing", "2026/11/28 08:30:00").replace("\n", "\r").encode("utf-8"))
    write(os.path.join(inbox, "empty.txt"), b"")
    write(os.path.join(inbox, "メモ.md"), "田中さんに電話済み\n".encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

"""The page (--html) of the test week, as a real browser sees it: headless
Chromium renders it, and the DOM it dumps is checked; a screenshot is left
beside it (page.png) for a person to look at.

Usage: page_check.py ORVEXENVREAD SCENARIOS_DIR OUT_DIR
Exit code 77 (skipped) when there is no chromium."""
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_week  # noqa: E402

SKIPPED = 77
# A name with everything that must be escaped in a page.
ODD_NAME = "受付 <特急> & \"至急\" 'A'.txt"


def chromium_command():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return [path, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync"]
    return None


class Dom(html.parser.HTMLParser):
    """What the checks need of the dumped DOM: the chart's rows, the grid's rows and cells, the sections."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.chart = {}        # item -> count shown
        self.rows = []         # grid rows: {"name", "class", "cells": [(class, title)]}
        self.sections = {}     # id -> text
        self.tags = []         # (tag, attributes) of every element
        self._item = None
        self._in_count = False
        self._in_grid = False
        self._in_head = False
        self._section = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.append((tag, a))
        classes = (a.get("class") or "").split()
        if tag == "tr" and "data-item" in a:
            self._item = int(a["data-item"])
        elif tag == "td" and "count" in classes and self._item is not None:
            self._in_count = True
        elif tag == "table" and "grid" in classes:
            self._in_grid = True
        elif self._in_grid and tag == "tr" and a.get("id", "").startswith("g"):
            self.rows.append({"name": "", "class": a.get("class") or "", "cells": []})
        elif self._in_grid and tag == "a" and self.rows:
            self.rows[-1]["title"] = a.get("title")
        elif self._in_grid and tag == "th" and self.rows:
            self._in_head = True
        elif self._in_grid and tag == "td" and self.rows:
            self.rows[-1]["cells"].append((a.get("class"), a.get("title")))
        elif tag == "section" and a.get("id", "").startswith("f"):
            self._section = a["id"]
            self.sections[self._section] = ""

    def handle_endtag(self, tag):
        if tag == "td":
            self._in_count = False
        elif tag == "th":
            self._in_head = False
        elif tag == "table":
            self._in_grid = False
        elif tag == "section":
            self._section = None

    def handle_data(self, data):
        if self._in_count:
            self.chart[self._item] = int(data)
        if self._in_head and self.rows:
            self.rows[-1]["name"] += data
        if self._section:
            self.sections[self._section] += data


def main(reader, scenarios, out):
    browser = chromium_command()
    if browser is None:
        print("chromium is not installed: the page is not rendered")
        return SKIPPED
    shutil.rmtree(out, ignore_errors=True)
    week = os.path.join(out, "week")
    make_week.main(scenarios, week)
    odd = os.path.join(out, "odd", ODD_NAME)
    make_week.write(odd, make_week.report(scenarios, "machine-half-ready", "2026/12/05 09:00:00")
                    .replace("\n", "\r\n").encode("cp932"))
    files = [os.path.join(week, name) for name in (
        "田中 太郎.txt", "佐藤/OrvexEnv.txt", "受付 12月/鈴木 花子.TXT", "受付 12月/高橋/console.txt",
        "受付 12月/高橋/old mail.txt", "受付 12月/empty.txt")] + [odd]
    page = os.path.join(out, "page.html")
    done = subprocess.run([reader, "--html", page] + files, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          stdin=subprocess.DEVNULL)
    failures = []
    check = lambda ok, what: ok or failures.append(what)
    check(done.returncode == 2, f"exit code {done.returncode}, not 2 (empty.txt holds no run)")
    # Written again over itself; never over a result file named by mistake.
    again = subprocess.run([reader, "--html", page] + files, capture_output=True, stdin=subprocess.DEVNULL)
    check(again.returncode == 2 and not again.stderr.count("ページ".encode()), "the page is not written again")
    with open(files[0], "rb") as f:
        result_file = f.read()
    mistaken = subprocess.run([reader, "--html", files[0], files[1]], capture_output=True, stdin=subprocess.DEVNULL)
    with open(files[0], "rb") as f:
        check(mistaken.returncode == 2 and f.read() == result_file, "a result file named as the page is replaced")
    check(not any(name.endswith(".tmp") for name in os.listdir(out)), "the page's temporary files are left")
    with open(page, encoding="utf-8") as f:
        source = f.read()

    # Self-contained and safe: nothing runs, nothing is fetched, the odd name is escaped.
    check("<script" not in source.lower(), "the page holds a script")
    for pattern in (r"<link\b", r"<img\b", r"\bsrc\s*=", r"url\(", r"@import", r"@font-face"):
        check(not re.search(pattern, source, re.I), f"the page refers to something outside it ({pattern})")
    check("<特急>" not in source and "&lt;特急&gt; &amp; &quot;至急&quot; &#39;A&#39;" in source,
          "the name with < & \" ' is not escaped")

    profile = tempfile.mkdtemp()
    try:
        url = "file://" + os.path.abspath(page)
        dumped = subprocess.run(browser + ["--user-data-dir=" + profile, "--dump-dom", url], capture_output=True,
                                timeout=120, stdin=subprocess.DEVNULL)
        png = os.path.join(out, "page.png")
        subprocess.run(browser + ["--user-data-dir=" + profile, "--screenshot=" + png, "--window-size=1400,2400",
                                  url], capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    dom = Dom()
    dom.feed(dumped.stdout.decode("utf-8"))
    check(os.path.exists(png), "no screenshot")

    for tag, attributes in dom.tags:
        href = attributes.get("href")
        check(href is None or href.startswith("#"), f"a link out of the page: {href}")

    # The chart: in how many files' latest run each item needs action. Item 5
    # (smart card): half-ready twice, nothing-installed, and unread in the
    # run ended early; item 41: half-ready twice and nothing-installed (the
    # run ended early lacks it); item 8: nothing-installed and the run ended early.
    for item, count in ((5, 4), (41, 3), (8, 2)):
        check(dom.chart.get(item) == count, f"chart: item {item} shows {dom.chart.get(item)}, not {count}")
    check(all(dom.chart.get(item) is None for item in (1, 33)), "chart: an item that never needs action")
    counts = list(dom.chart.values())
    check(counts == sorted(counts, reverse=True), "chart: not the most frequent first")

    # The grid: one row per file, in order; 41 cells in each read one.
    shown = [row["name"] for row in dom.rows]
    check(len(dom.rows) == len(files), f"grid: {len(dom.rows)} rows for {len(files)} files")
    for row, path in zip(dom.rows, files):
        check(row.get("title") == path and row["name"] == "…" + path[path.rindex("/", 0, path.rindex("/")):],
              f"grid: row {row['name']!r} ({row.get('title')!r}) for {path!r}")
        check(len(row["cells"]) == (1 if "empty.txt" in path else 41), f"grid: cells of {path}")
    check(dom.rows[5]["class"] == "notread" if len(dom.rows) > 5 else False, "grid: empty.txt not shown unread")

    def cell(index, item):
        return dom.rows[index]["cells"][item - 1] if index < len(dom.rows) and len(dom.rows[index]["cells"]) >= item \
            else (None, None)
    check(cell(0, 5)[0] == "ok", f"grid: 田中 太郎.txt item 5 is {cell(0, 5)}")
    check(cell(3, 5)[0] == "action" and "スマートカードサービスは実行中ではありません(1)" in (cell(3, 5)[1] or ""),
          f"grid: the console copy's item 5 is {cell(3, 5)}")
    check(cell(3, 8)[0] == "action", f"grid: the console copy's item 8 is {cell(3, 8)}")
    check(cell(4, 5)[0] == "unread", f"grid: old mail.txt item 5 is {cell(4, 5)}")
    check(cell(4, 31)[0] == "missing" and cell(4, 30)[0] == "action",
          f"grid: old mail.txt (ended after item 30) shows {cell(4, 30)}, {cell(4, 31)}")
    check(cell(1, 36)[0] == "ok" and cell(2, 36)[0] == "info", "grid: item 36 of 佐藤 and 鈴木")

    # The sections: the three runs' file says what changed since the run before.
    sato = dom.sections.get("f2", "")
    check("3 回分の実行のうち最新（3 回目）" in sato and "前回（2 回目" in sato and "Quennel Control" in sato,
          f"section of 佐藤/OrvexEnv.txt: {sato[:300]!r}")
    suzuki = dom.sections.get("f3", "")
    check("インターネットオプションの信頼済みサイトに https://start.efile.orvex.example を追加してください。" in suzuki,
          "section of 鈴木 花子.TXT lacks the hint of item 10")
    check("前回" not in dom.sections.get("f1", "x"), "section of a one-run file speaks of a run before")

    # A page of many files: its grid rows come in blocks, each closed, every file in one.
    many = os.path.join(out, "many.html")
    copies = os.path.join(out, "copies")
    os.makedirs(copies)
    for n in range(250):
        shutil.copyfile(files[0], os.path.join(copies, "%03d.txt" % n))
    listed = "\n".join(os.path.join(copies, "%03d.txt" % n) for n in range(250)) + "\n"
    subprocess.run([reader, "--html", many, "--files-from", "-"], input=listed.encode(), stdout=subprocess.DEVNULL)
    with open(many, encoding="utf-8") as f:
        many_source = f.read()
    profile = tempfile.mkdtemp()
    try:
        dumped = subprocess.run(browser + ["--user-data-dir=" + profile, "--dump-dom", "file://" + many],
                                capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    many_dom = Dom()
    many_dom.feed(dumped.stdout.decode("utf-8"))
    check(many_source.count("<div class=rows>") == 3 and many_source.count("</tbody></table></div>") == 3
          and len(many_dom.rows) == 250 and all(len(row["cells"]) == 41 for row in many_dom.rows),
          f"a page of 250 files: {len(many_dom.rows)} rows in {many_source.count('<div class=rows>')} blocks")

    for failure in failures:
        print("FAILED:", failure)
    print(f"page: {page} ({len(source.encode('utf-8'))} bytes); screenshot: {png}")
    print("rows:", shown)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))

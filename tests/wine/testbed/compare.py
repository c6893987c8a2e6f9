"""The tool's output against a scenario's expected texts: byte for byte in
CP932 with CR LF, placeholders resolved, the start time checked against the
time of the run; differences named by report item. Also the texts --update
writes, with the machine's values turned back into placeholders."""

import datetime
import difflib
import re

from testbed.scenario import substitute

START_PATTERN = r"\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}"
START_LINE = "実行開始："
SEPARATOR = "=" * 49
ANNOUNCEMENT = "以下の結果ファイルを出力します。（既にファイルが有る場合は、後ろに結果を追加します。）"
# A failure line of the report; the console shows it on standard error, with another number.
FAILURE_LINE = re.compile(r"(レジストリ情報の|OS情報の?)取得に失敗しました。[A-Za-z]\w*?\d+")
JAPAN = datetime.timezone(datetime.timedelta(hours=9))


def console_text(report, argv0):
    """The console's standard output of a run that wrote `report`: the
    announcement and the result file's path (argv[0]'s folder, "." without a
    backslash, as CP932 shows it: "?" for a character it lacks), then the
    report's lines without separators and failure lines."""
    folder, backslash, _ = argv0.strip('"').rpartition("\\")
    shown = ((folder if backslash else ".") + "\\OrvexEnv.txt").encode("cp932", "replace").decode("cp932")
    lines = [line for line in report.split("\n") if line != SEPARATOR and not FAILURE_LINE.fullmatch(line)]
    return "\n".join([ANNOUNCEMENT, shown] + lines)


def expected_text(scenario, name, argv0):
    """The scenario's expected text of one output. A scenario keeps one
    golden: the report (expected.txt), whose console is derived from it; the
    console (stdout.txt) only where no report is written; stderr.txt where
    the tool writes to standard error."""
    report = scenario.text("expected.txt")
    if name == "stdout.txt" and report is not None and scenario.text(name) is None:
        return console_text(report, argv0)
    if name == "expected.txt" and scenario.config.get("result_file_writes_fail"):
        return None
    return scenario.text(name)


def output_problems(scenario, texts, facts, window, write_limit, clobbered, argv0, runs=1):
    """Problems of one run's output: texts holds (label, expected text's file
    name, bytes written or None) for standard output, standard error and the
    result file, in that order. The console comes first: a result file cut
    short by write_limit is compared with the start of its expected text,
    start time filled in from the console. A result file written by `runs`
    runs must hold that many whole copies of the expected text."""
    problems = []
    starts = set()
    for label, name, actual in texts:
        expected = expected_text(scenario, name, argv0)
        if write_limit and name == "expected.txt" and expected is not None:
            problems += cut_short_differences(label, expected, actual or b"", write_limit, facts, starts)
            continue
        if expected is None and name == "stdout.txt":
            problems.append("%s has no expected.txt or stdout.txt: run with --update to write it, then review it" %
                            scenario.name)
            continue
        if expected is None:
            if actual:
                what = "a result file" if name == "expected.txt" else "anything"
                problems.append("%s: expected no %s, got:\n  %s" % (
                    label, what, show(actual.decode("cp932", "backslashreplace"))))
            continue
        if actual is None:
            if not (clobbered and name == "expected.txt"):
                problems.append("%s: nothing was written" % label)
            continue
        found, start = compare(label, expected, actual, facts, window, runs if name == "expected.txt" else 1)
        problems += found
        if start:
            starts.add(start)
    if len(starts) > 1:
        problems.append("the start line differs between the console and the result file: %s" %
                        ", ".join(sorted(starts)))
    return problems


def to_windows_bytes(text):
    """Expected texts are UTF-8 with LF; the tool writes CP932 with CR LF."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")


def describe_line(text):
    match = re.match(r"^(\d+)．", text)
    if match:
        return "item " + match.group(1)
    if text.startswith(START_LINE):
        return "start line"
    if text.startswith("====="):
        return "separator"
    return None


def show(text):
    return "".join(c if c >= " " or c == "\t" else "\\x%02x" % ord(c) for c in text)


def compare(label, expected_text, actual, facts, window, runs=1):
    """Problems (a list of texts) between an expected text with placeholders
    and the bytes the tool wrote. Also returns the start time found, if any.
    With `runs` the bytes must be that many copies of the expected text one
    after the other, each whole, each with a start time of its own."""
    resolved = substitute(expected_text, {k: v for k, v in facts.items() if k != "START"}) * runs
    try:
        template = to_windows_bytes(resolved)
    except UnicodeEncodeError as e:
        return ["%s: the expected text has a character CP932 cannot hold: %s" % (label, e)], None
    pieces = template.split(b"{START}")
    pattern = b"(" + START_PATTERN.encode() + b")"
    regex = re.compile(pattern.join(re.escape(p) for p in pieces), re.S)
    match = regex.fullmatch(actual)
    if match:
        problems = []
        starts = set(match.groups())
        for start in starts:
            moment = datetime.datetime.strptime(start.decode(), "%Y/%m/%d %H:%M:%S").replace(tzinfo=JAPAN).timestamp()
            if not (int(window[0]) <= moment <= window[1]):
                problems.append("%s: start time %s is not the time of the run (%s to %s)" % (
                    label, start.decode(), japan_time(window[0]), japan_time(window[1])))
        if runs > 1:
            return problems, None
        if len(starts) > 1:
            problems.append("%s: the start line differs between its copies" % label)
        return problems, (starts.pop().decode() if starts else None)
    return [line_differences(label, resolved, actual)], None


def cut_short_differences(label, expected_text, actual, limit, facts, starts):
    """A result file whose writes failed after `limit` bytes of this run: it
    must hold exactly the first `limit` bytes of the expected text (with the
    start time the console showed)."""
    if len(starts) != 1:
        return ["%s: no start time from the console to compare the cut-short file with" % label]
    resolved = substitute(expected_text, dict(facts, START=next(iter(starts))))
    wanted = to_windows_bytes(resolved)[:limit]
    if actual == wanted:
        return []
    if len(actual) != len(wanted):
        head = "%s: %d bytes written, expected the first %d of the expected text" % (label, len(actual), len(wanted))
    else:
        head = "%s: the bytes written are not the start of the expected text" % label
    return [head + "\n" + line_differences(label, wanted.decode("cp932", "backslashreplace").replace("\r\n", "\n"),
                                           actual)]


def japan_time(stamp):
    return datetime.datetime.fromtimestamp(stamp, JAPAN).strftime("%Y/%m/%d %H:%M:%S")


def line_differences(label, expected, actual):
    exp_lines = expected.replace("\r\n", "\n").split("\n")
    act_text = actual.decode("cp932", "backslashreplace")
    act_lines = act_text.split("\r\n")
    # A {START} line matches any start line.
    start = re.compile("^" + re.escape(START_LINE) + START_PATTERN + "$")
    for i, line in enumerate(exp_lines):
        if "{START}" in line and i < len(act_lines):
            candidate = re.escape(line).replace(re.escape("{START}"), START_PATTERN)
            if re.fullmatch(candidate, act_lines[i]) and start.match(act_lines[i]):
                exp_lines[i] = act_lines[i]
    out = ["%s differs (expected, then actual, in UTF-8):" % label]
    matcher = difflib.SequenceMatcher(None, exp_lines, act_lines, autojunk=False)
    for op, a1, a2, b1, b2 in matcher.get_opcodes():
        if op == "equal":
            continue
        count = max(a2 - a1, b2 - b1)
        for k in range(count):
            e = exp_lines[a1 + k] if a1 + k < a2 else None
            a = act_lines[b1 + k] if b1 + k < b2 else None
            what = describe_line(e or "") or describe_line(a or "") or "line %d" % (a1 + k + 1)
            if (e, a) in ((None, ""), ("", None)) and max(a1 + k + 1, b1 + k + 1) >= max(len(exp_lines), len(act_lines)):
                what = "end of the text (a final line end)"
            out.append("  %s:" % what)
            out.append("    expected: %s" % ("(no line)" if e is None else show(e)))
            out.append("    actual:   %s" % ("(no line)" if a is None else show(a)))
    if len(out) == 1:
        out.append("  the lines agree but the bytes do not (line ends or characters outside CP932):")
        out.append("    expected: %r" % to_windows_bytes(expected)[:300])
        out.append("    actual:   %r" % actual[:300])
    return "\n".join(out)


def template_from(actual, old_template, facts, build_values=()):
    """The expected text --update writes: the actual text in UTF-8 with LF, with
    the machine's values turned back into placeholders, and the scenario's
    build values wherever they stand. Lines that the old expected text already
    matched are kept as they were written."""
    text = actual.decode("cp932", "backslashreplace").replace("\r\n", "\n")
    old_lines = old_template.split("\n") if old_template is not None else []
    lines = text.split("\n")
    out = []
    for i, line in enumerate(lines):
        if i < len(old_lines) and line_matches(old_lines[i], line, facts):
            out.append(old_lines[i])
            continue
        if line.startswith(START_LINE):
            line = re.sub("^" + re.escape(START_LINE) + START_PATTERN, START_LINE + "{START}", line)
        user = re.escape(facts["PREFIX_USER"])
        line = re.sub(r"(?i)(\\users\\)" + user + r"(?=\\|\.|$)", lambda m: m.group(1) + "{PREFIX_USER}", line)
        if facts.get("COMPUTER_NAME"):
            line = re.sub(r"\." + re.escape(facts["COMPUTER_NAME"]) + r"(?=\\|$)", ".{COMPUTER_NAME}", line)
        if re.match(r"^[1-4]．", line):
            for key in ("OS_CAPTION", "OS_SP", "BITNESS"):
                if facts.get(key):
                    line = line.replace(facts[key], "{%s}" % key)
            line = line.replace("%s.%s" % (facts["OS_MAJOR"], facts["OS_MINOR"]), "{OS_MAJOR}.{OS_MINOR}")
            if facts.get("OS_BUILD"):
                line = re.sub(r"(?<!\d)" + re.escape(facts["OS_BUILD"]) + r"(?!\d)", "{OS_BUILD}", line)
        for name in build_values:
            line = line.replace(facts[name], "{%s}" % name)
        if facts.get("PAUSE") and line.endswith(facts["PAUSE"]):
            line = line[:-len(facts["PAUSE"])] + "{PAUSE}"
        out.append(line)
    return "\n".join(out)


def line_matches(template_line, line, facts):
    resolved = substitute(template_line, {k: v for k, v in facts.items() if k != "START"})
    pattern = re.escape(resolved).replace(re.escape("{START}"), START_PATTERN)
    return re.fullmatch(pattern, line) is not None

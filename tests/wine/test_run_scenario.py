"""The driver's text handling, without Wine: placeholders, the byte-exact
comparison and its report, --update's templates, layer settings, the .reg
extensions, paths and file times; and which failed step runs once more."""

import contextlib
import datetime
import io
import json
import os
import shutil
import sys
import tempfile
import types
import unittest

sys.dont_write_bytecode = True  # the package lives in the source tree
from testbed import Failure  # noqa: E402
from testbed.compare import (ANNOUNCEMENT, JAPAN, compare, console_text, cut_short_differences,  # noqa: E402
                             template_from)
from testbed.machine import drive_c_parts, parse_utc  # noqa: E402
from testbed.regfiles import expand_reg_strings  # noqa: E402
from testbed.scenario import kind_setting, merged_settings, substitute  # noqa: E402
from testbed.wine import Wine  # noqa: E402

FACTS = {"PREFIX_USER": "root", "COMPUTER_NAME": "VM", "PAUSE": "続けるには何かキーを押して下さい... ",
         "OS_CAPTION": "Microsoft Windows 7 Professional", "OS_MAJOR": "6", "OS_MINOR": "1", "OS_BUILD": "7601",
         "OS_SP": "Service Pack 1", "BITNESS": "64bit(9)", "DATE": "2012/12/12 21:12:12.012"}
RUN = (datetime.datetime(2021, 5, 21, 9, 43, 10, tzinfo=JAPAN).timestamp(),
       datetime.datetime(2021, 5, 21, 9, 43, 12, tzinfo=JAPAN).timestamp())
START = "2021/05/21 09:43:11"


def cp932(text):
    return text.replace("\n", "\r\n").encode("cp932")


class Compare(unittest.TestCase):
    def test_placeholders_resolve_and_the_rest_compares_byte_for_byte(self):
        expected = "実行開始：{START}\n1．OS：{OS_CAPTION}\nC:\\users\\{PREFIX_USER}\\表\n"
        actual = cp932("実行開始：2021/05/21 09:43:11\n1．OS：Microsoft Windows 7 Professional\nC:\\users\\root\\表\n")
        self.assertEqual(compare("file", expected, actual, FACTS, RUN), ([], START))

    def test_a_start_time_outside_the_run_fails(self):
        problems, _ = compare("file", "実行開始：{START}\n", cp932("実行開始：2021/05/21 00:43:11\n"), FACTS, RUN)
        self.assertEqual(len(problems), 1)
        self.assertIn("is not the time of the run", problems[0])

    def test_a_differing_item_is_named_by_its_number_in_utf8(self):
        expected = "実行開始：{START}\n9．ラベル：a\n10．ラベル：b\n"
        actual = cp932("実行開始：2021/05/21 09:43:11\n9．ラベル：a\n10．ラベル：c\n")
        problems, _ = compare("file", expected, actual, FACTS, RUN)
        self.assertEqual(len(problems), 1)
        self.assertIn("item 10:", problems[0])
        self.assertIn("expected: 10．ラベル：b", problems[0])
        self.assertIn("actual:   10．ラベル：c", problems[0])
        self.assertNotIn("item 9", problems[0])

    def test_line_ends_and_the_final_line_end_count(self):
        self.assertNotEqual(compare("out", "a\n", b"a\n", FACTS, RUN)[0], [])
        for expected, actual in (("a", b"a\r\n"), ("a\n", b"a")):  # one too many, one missing
            problems, _ = compare("out", expected, actual, FACTS, RUN)
            self.assertIn("final line end", problems[0])
        self.assertEqual(compare("out", "{PAUSE}", cp932(FACTS["PAUSE"]), FACTS, RUN)[0], [])

    def test_the_console_is_the_report_announced_without_separators_and_failure_lines(self):
        report = "=" * 49 + "\n実行開始：{START}\n1．OS：x\nレジストリ情報の取得に失敗しました。main726\n"
        for argv0, shown in [("C:\\OrvexEnv\\OrvexEnv.exe", "C:\\OrvexEnv\\OrvexEnv.txt"),
                             ("OrvexEnv.exe", ".\\OrvexEnv.txt"), ("C:/ソフト/OrvexEnv.exe", ".\\OrvexEnv.txt"),
                             ('"C:\\한국어\\OrvexEnv.exe"', "C:\\???\\OrvexEnv.txt"),
                             ("C:\\Café\\ソ.exe", "C:\\Caf?\\OrvexEnv.txt")]:
            self.assertEqual(console_text(report, argv0).split("\n"),
                             [ANNOUNCEMENT, shown, "実行開始：{START}", "1．OS：x", ""], argv0)

    def test_unknown_braces_stay_text(self):
        self.assertEqual(substitute("{CLSID} {PREFIX_USER} {NOPE}", FACTS), "{CLSID} root {NOPE}")


class Update(unittest.TestCase):
    def test_machine_values_become_placeholders_again(self):
        actual = cp932("実行開始：2021/05/21 09:43:11\n1．OS：Microsoft Windows 7 Professional\n"
                       "2．版：6.1\n3．ビルド：7601 Service Pack 1\n4．bit数：64bit(9)\n"
                       "7．更新日付：2012/12/12 21:12:12.012\n31．C:\\users\\root.VM\\AppData\n41．版：6.1.7601\n")
        template = template_from(actual, None, FACTS, ["DATE"])
        self.assertEqual(template, "実行開始：{START}\n1．OS：{OS_CAPTION}\n2．版：{OS_MAJOR}.{OS_MINOR}\n"
                                   "3．ビルド：{OS_BUILD} {OS_SP}\n4．bit数：{BITNESS}\n7．更新日付：{DATE}\n"
                                   "31．C:\\users\\{PREFIX_USER}.{COMPUTER_NAME}\\AppData\n41．版：6.1.7601\n")
        self.assertEqual(compare("file", template, actual, FACTS, RUN)[0], [])

    def test_lines_the_old_text_still_matches_are_kept_as_written(self):
        old = "1．OS：Microsoft {OS_MAJOR}\n2．x：a\n"
        actual = cp932("1．OS：Microsoft 6\n2．x：b\n")
        self.assertEqual(template_from(actual, old, FACTS), "1．OS：Microsoft {OS_MAJOR}\n2．x：b\n")


class CutShort(unittest.TestCase):
    """write_limit: a result file whose writes failed part-way."""
    EXPECTED = "====\n実行開始：{START}\n1．OS：{OS_CAPTION}\n2．ソ表：x\n"
    FULL = cp932("====\n実行開始：2021/05/21 09:43:11\n1．OS：Microsoft Windows 7 Professional\n2．ソ表：x\n")

    def cut_short(self, actual, limit, starts=(START,)):
        return cut_short_differences("file", self.EXPECTED, actual, limit, FACTS, set(starts))

    def test_exactly_the_first_bytes_pass_also_cut_inside_a_double_byte_character(self):
        for limit in (5, len(self.FULL) - 4, len(self.FULL) - 5, len(self.FULL), len(self.FULL) + 10):
            self.assertEqual(self.cut_short(self.FULL[:limit], limit), [], limit)

    def test_too_few_or_wrong_bytes_fail(self):
        self.assertIn("20 bytes written, expected the first 30", self.cut_short(self.FULL[:20], 30)[0])
        problems = self.cut_short(self.FULL[:60].replace(b"Microsoft", b"Macrosoft"), 60)
        self.assertIn("not the start of the expected text", problems[0])
        self.assertIn("item 1", problems[0])

    def test_the_start_time_comes_from_the_console(self):
        self.assertIn("no start time", self.cut_short(self.FULL, 999, starts=())[0])


class Settings(unittest.TestCase):
    """layer.json settings, and KEY.win64 / KEY.win32 for one prefix."""

    def merged(self, layers, own):
        with tempfile.TemporaryDirectory() as top:
            directories = [os.path.join(top, str(i)) for i in range(len(layers))]
            for directory, settings in zip(directories, layers):
                os.mkdir(directory)
                with open(os.path.join(directory, "layer.json"), "w") as f:
                    json.dump(settings, f)
            return merged_settings(directories, own)

    def test_layers_add_up_and_the_scenario_comes_last(self):
        merged = self.merged([{"description": "x", "dirs": ["a"], "services": {"S": "stopped", "T": "running"},
                               "file_times.win64": {"p": "t1"}},
                              {"dirs": ["b"], "file_times.win64": {"q": "t2"}}],
                             {"dirs": ["c"], "services": {"S": "running"}, "exe": "C:\\x.exe"})
        self.assertEqual(merged["dirs"], ["a", "b", "c"])
        self.assertEqual(merged["services"], {"S": "running", "T": "running"})
        self.assertEqual(merged["exe"], "C:\\x.exe")
        self.assertNotIn("description", merged)
        self.assertEqual(kind_setting(merged, "file_times", "win64", {}), {"p": "t1", "q": "t2"})
        self.assertEqual(kind_setting(merged, "file_times", "win32", {}), {})
        self.assertEqual(kind_setting({"dirs": ["a"], "dirs.win32": ["b"]}, "dirs", "win32", []), ["a", "b"])

    def test_a_layer_sets_no_scenario_keys_for_any_prefix(self):
        with self.assertRaises(Failure):
            self.merged([{"exe.win64": "C:\\x.exe"}], {})


class RegFiles(unittest.TestCase):
    def test_expand_and_multi_strings_become_hex(self):
        text = '"E"=str(2):"%A%\\\\b"\n"M"=str(7):"x","y"\n"S"="str(2):kept"\n'
        self.assertEqual(expand_reg_strings(text, "t").split("\n"), [
            '"E"=hex(2):25,00,41,00,25,00,5c,00,62,00,00,00',
            '"M"=hex(7):78,00,00,00,79,00,00,00,00,00',
            '"S"="str(2):kept"', ""])


class Paths(unittest.TestCase):
    def test_windows_and_drive_c_relative_paths(self):
        self.assertEqual(drive_c_parts("C:\\a\\ソ表\\b.txt"), ["a", "ソ表", "b.txt"])
        self.assertEqual(drive_c_parts("c:/a/b"), ["a", "b"])
        self.assertEqual(drive_c_parts("a/b"), ["a", "b"])
        with self.assertRaises(Failure):
            drive_c_parts("D:\\a")

    def test_file_times_are_utc(self):
        self.assertEqual(parse_utc("1970-01-01 00:00:01.5 UTC"), 1_500_000_000)
        self.assertEqual(parse_utc("2021-03-03 20:06:07.089 UTC") % 1_000_000_000, 89_000_000)
        with self.assertRaises(Failure):
            parse_utc("2021-03-03 20:06:07")


class OnceMore(unittest.TestCase):
    """Which failed step Wine.run runs once more: a shell script stands in
    for Wine and its program, failing as the case says on the first try
    only (the tries are counted in a file)."""
    FIRST_TRY = 'n=$(cat tries 2>/dev/null || echo 0); echo $((n + 1)) >tries; [ "$n" -gt 0 ] && exit 0; '
    CASES = [  # (what, the first try's failure, check, under_test, tries)
        ("a helper that must succeed fails (sc create under load)", "echo '[SC] failed' >&2; exit 1", True, False, 2),
        ("a helper whose failure is expected (sc delete)", "exit 1", False, False, 1),
        ("a helper crashes", "echo 'wine: Unhandled page fault' >&2; exit 1", False, False, 2),
        ("a helper ends well, Wine crashed in it (reg import)", "echo 'wine: Unhandled page fault' >&2", True, False, 2),
        ("the program under test ends well, a crash said", "echo 'wine: Unhandled page fault' >&2", False, True, 1),
        ("the program under test ran and failed", "echo report; exit 1", False, True, 1),
        ("the program under test crashed", "echo 'wine: Unhandled exception' >&2; exit 1", False, True, 1),
        ("the program under test never started", "echo 'wine: could not load x.exe' >&2; exit 1", False, True, 2),
        ("Wine died by a signal under the program under test", "echo all passed; kill -SEGV $$", False, True, 2),
    ]

    def test_a_step_that_wine_failed_runs_once_more_and_no_other(self):
        for what, failure, check, under_test, tries in self.CASES:
            with self.subTest(what), tempfile.TemporaryDirectory() as work:
                bed = types.SimpleNamespace(home=os.path.join(work, "home"),
                                            env=lambda prefix, kind, tmpdir: {"PATH": "/usr/bin:/bin"})
                wine = Wine(bed, work, "win64", work)
                undone = []
                printed = io.StringIO()
                with contextlib.redirect_stdout(printed), contextlib.suppress(Failure):
                    wine.run("/bin/sh", ["-c", self.FIRST_TRY + failure], "step", check=check,
                             under_test=under_test, undo=lambda: undone.append(True))
                shutil.rmtree(wine.tmpdir)
                with open(os.path.join(work, "tries")) as f:
                    self.assertEqual(int(f.read()), tries)
                self.assertEqual(undone, [True] if tries == 2 else [])
                self.assertEqual("step: Wine failed (" in printed.getvalue(), tries == 2)


if __name__ == "__main__":
    unittest.main()

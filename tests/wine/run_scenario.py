#!/usr/bin/env python3
"""The Wine test bed: runs the real OrvexEnv.exe in a Wine prefix laid out
as a Japanese Windows PC and checks what it writes.

Subcommands (all take --bed BED.json, written by CMake into the build tree):

  locale            make the ja_JP.UTF-8 locale in the bed (once)
  prefix KIND       make the pristine prefix KIND (win64 or win32) (once)
  run DIR --prefix KIND [--update] [--keep] [--exe EXE]
                    run the scenario in DIR and compare; --update rewrites
                    its expected texts from what the run wrote; --exe runs
                    another OrvexEnv.exe (the packed one)
  exec --prefix KIND [--layer DIR]... -- PROGRAM [ARGS]...
                    run a Windows test program in a copy of the prefix after
                    laying out the layers (the registry test uses this)
  sample DIR [--prefix KIND] [--check]
                    lay out DIR as a machine, run the tool there, print the
                    report in UTF-8 and where the result file is
  time DIR [--runs N] [--exe EXE]
                    lay out DIR, then run the tool and the floor program
                    (start-up and the WMI query alone) N times each, taking
                    turns; print the median times and their ratio
  cleanup           stop every wineserver still running for the bed

The scenario format is described in README.md beside this file. Python 3
standard library only.
"""

import argparse
import contextlib
import datetime
import difflib
import fcntl
import json
import os
import pwd
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

LOADERS = {"win64": "/usr/lib/wine/wine64", "win32": "/usr/lib/wine/wine"}
WINESERVER = "/usr/lib/wine/wineserver"

# Japan time for every Wine process. Not "Asia/Tokyo": Wine hands TZ on to the
# Windows environment, where the C runtime parses it in its own syntax and
# reads "Asia/Tokyo" as UTC. "JST-9" means UTC+9 to both glibc and msvcrt.
WINE_TZ = "JST-9"
JAPAN = datetime.timezone(datetime.timedelta(hours=9))

# Raise when the way prefixes are made changes, so old build trees remake them.
PREFIX_FORMAT = 1

PREFIX_USER_SID = "S-1-5-21-0-0-0-1000"
DEFAULT_EXE = "C:\\OrvexEnv\\OrvexEnv.exe"
RESULT_NAME = "OrvexEnv.txt"
START_PATTERN = r"\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}"
START_LINE = "実行開始："
HELPER_TIMEOUT = 120
EXE_TIMEOUT = 120

SCENARIO_KEYS = {
    "description", "prefix", "win64_build", "include", "exe", "cwd", "argv0", "result_file", "exit_code",
    "dirs", "file_times", "convert_to_cp932", "services", "hold_open", "symlinks", "write_limit",
}
# What a layer's layer.json may set; lists add up and maps merge, layer by
# layer, the scenario's own settings last.
LAYER_KEYS = {"description", "dirs", "file_times", "convert_to_cp932", "services", "symlinks"}
# Of these, "KEY.win64" and "KEY.win32" apply on that prefix only (on top of KEY).
KINDS = ("win64", "win32")
SERVICE_STATES = {"absent", "stopped", "running"}
HOLD_MODES = {"share", "deny-write"}

# Files of a fresh prefix that Wine rewrites; a copy gets private ones so that
# the hard-linked pristine prefix never changes.
PRIVATE_FILES = ("system.reg", "user.reg", "userdef.reg", ".update-timestamp")

# Differences the read-only check forgives because Wine itself makes them on
# every run, whatever the program does: (where, regular expression), where is
# "HKLM" or "HKU" (matched against the key path) or "drive_c" (matched against
# the path relative to drive_c). None are needed for Wine 8.0: the one thing
# Wine rewrites by itself (the display devices, once per session) regsnap
# settles before the first snapshot.
WINE_NOISE = []


class Failure(Exception):
    """A setup step that went wrong; the message says which."""


def log(message):
    print(message, flush=True)


# --------------------------------------------------------------------------
# Bed: the build tree's settings and directories


class Bed:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            config = json.load(f)
        self.build = config["build"]  # win32 or win64: the bitness of the built programs
        self.root = config["bed"]
        self.exe = config["exe"]
        self.launch = config["launch"]
        self.service = config["service"]
        self.regsnap = config["regsnap"]
        self.misbehave = config.get("misbehave")
        self.holdopen = config.get("holdopen")
        self.floor = config.get("floor")
        self.program_loader = LOADERS[self.build]
        self.locale_dir = os.path.join(self.root, "locale")
        self.prefixes = os.path.join(self.root, "prefixes")
        self.runs = os.path.join(self.root, "runs")
        self.home = os.path.join(self.root, "home")
        self.user = pwd.getpwuid(os.getuid()).pw_name

    def pristine(self, kind):
        return os.path.join(self.prefixes, kind)

    def facts(self, kind):
        with open(os.path.join(self.pristine(kind), ".orvex-facts.json"), encoding="utf-8") as f:
            return json.load(f)

    def env(self, prefix, kind, tmpdir):
        """The whole environment of a Wine process: nothing leaks in from the caller's."""
        env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": self.home,
            "USER": self.user,
            "LOGNAME": self.user,
            "LANG": "ja_JP.UTF-8",
            "LC_ALL": "ja_JP.UTF-8",
            "LOCPATH": self.locale_dir,
            "TZ": WINE_TZ,
            "TMPDIR": tmpdir,
            "WINEPREFIX": prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        }
        if kind == "win32":
            env["WINEARCH"] = "win32"
        return env


# --------------------------------------------------------------------------
# Wine processes


class Wine:
    """One prefix in use: its environment, its wineserver and a log directory.

    Output always goes to files: Wine's helper processes inherit the handles of
    the first program in a prefix, so a pipe would stay open after it ends.
    The wineserver's socket lives in a private temporary directory (Debian's
    Wine puts it under TMPDIR), removed with the server."""

    def __init__(self, bed, prefix, kind, logs):
        self.bed = bed
        self.prefix = prefix
        self.kind = kind
        self.logs = logs
        os.makedirs(logs, exist_ok=True)
        os.makedirs(bed.home, exist_ok=True)
        self.tmpdir = tempfile.mkdtemp(prefix="orvex-wine-")
        with open(os.path.join(logs, "tmpdir"), "w") as f:
            f.write(self.tmpdir)
        self.env = bed.env(prefix, kind, self.tmpdir)
        self.count = 0
        self.holders = []

    def start_server(self):
        """A persistent wineserver: other users' hives imported under
        HKEY_USERS live only as long as it does."""
        subprocess.run([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=HELPER_TIMEOUT)

    def stop(self):
        stop_wineserver(self.env)
        for holder in self.holders:
            with contextlib.suppress(subprocess.TimeoutExpired):
                holder.wait(timeout=10)
        shutil.rmtree(self.tmpdir, ignore_errors=True)

    def hold_open(self, path, mode):
        """Another program holding a file open for the whole run (holdopen.exe);
        the wineserver's end ends it."""
        self.count += 1
        base = os.path.join(self.logs, "%02d-holdopen" % self.count)
        ready = base + ".ready"
        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            holder = subprocess.Popen([self.bed.program_loader, self.bed.holdopen, path, mode, unix_to_windows(ready)],
                                      env=self.env, cwd=self.logs, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.holders.append(holder)
        deadline = time.time() + HELPER_TIMEOUT
        while not os.path.exists(ready):
            if holder.poll() is not None or time.time() > deadline:
                with open(base + ".err", "rb") as f:
                    raise Failure("holdopen %s %s failed: %s" % (path, mode, f.read().decode("cp932", "replace")))
            time.sleep(0.05)

    def run(self, loader, args, name, cwd=None, extra_env=None, timeout=HELPER_TIMEOUT, check=True, file_limit=None):
        """Runs a program; returns (exit code, stdout bytes, stderr bytes).
        With file_limit no file the program writes grows beyond that many
        bytes: further writes fail as on a full disk (RLIMIT_FSIZE, with
        SIGXFSZ ignored so that the write returns an error instead)."""
        self.count += 1
        base = os.path.join(self.logs, "%02d-%s" % (self.count, name))
        env = dict(self.env)
        env.update(extra_env or {})

        def limit_file_size():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))

        with open(base + ".out", "wb") as out, open(base + ".err", "wb") as err:
            try:
                rc = subprocess.run([loader] + list(args), env=env, cwd=cwd or self.logs, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err, timeout=timeout,
                                    preexec_fn=limit_file_size if file_limit is not None else None).returncode
            except subprocess.TimeoutExpired:
                raise Failure("%s did not end within %d s" % (name, timeout))
        with open(base + ".out", "rb") as f:
            stdout = f.read()
        with open(base + ".err", "rb") as f:
            stderr = f.read()
        if check and rc != 0:
            raise Failure("%s failed with exit code %d:\n%s%s" % (
                name, rc, stdout.decode("cp932", "replace"), stderr.decode("cp932", "replace")))
        return rc, stdout, stderr

    def native(self, args, name, **kwargs):
        """A Wine program (reg, sc, wmic, cmd) in the prefix's native bitness."""
        return self.run(LOADERS[self.kind], args, name, **kwargs)


def stop_wineserver(env):
    for flag in ("-k", "-w"):
        try:
            subprocess.run([WINESERVER, flag], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        except subprocess.TimeoutExpired:
            log("warning: wineserver %s did not return for %s" % (flag, env["WINEPREFIX"]))


def unix_to_windows(path):
    """A Unix path as Wine's Z: drive names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


@contextlib.contextmanager
def locked(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        fcntl.flock(f, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(f, fcntl.LOCK_UN)


# --------------------------------------------------------------------------
# Locale and pristine prefixes


def ensure_locale(bed):
    """ja_JP.UTF-8 in the bed, so that Wine's ANSI code page is 932 without
    touching the system's locales."""
    target = os.path.join(bed.locale_dir, "ja_JP.UTF-8")
    if os.path.exists(os.path.join(target, "LC_CTYPE")):
        return
    if not os.path.exists("/usr/share/i18n/locales/ja_JP"):
        raise Failure("the locale sources are missing: install the locales package (scripts/install-deps.sh)")
    with locked(os.path.join(bed.root, "locale.lock")):
        if os.path.exists(os.path.join(target, "LC_CTYPE")):
            return
        partial = target + ".new"
        shutil.rmtree(partial, ignore_errors=True)
        os.makedirs(bed.locale_dir, exist_ok=True)
        result = subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", partial], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        # localedef exits with 1 after warnings while still writing the locale.
        if result.returncode not in (0, 1) or not os.path.exists(os.path.join(partial, "LC_CTYPE")):
            raise Failure("localedef failed:\n" + result.stdout.decode("utf-8", "replace"))
        os.rename(partial, target)
    log("locale: made " + target)


def wine_version():
    return subprocess.run([LOADERS["win64"], "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL).stdout.decode().strip()


def ensure_prefix(bed, kind):
    """The pristine prefix of one kind, made once per build tree: a 64-bit
    prefix (the 32-bit exe runs there through WoW64) or a 32-bit one. Made in
    the Japanese locale and time, like a Japanese PC's first start."""
    ensure_locale(bed)
    target = bed.pristine(kind)
    stamp = json.dumps({"format": PREFIX_FORMAT, "wine": wine_version(), "user": bed.user, "tz": WINE_TZ})
    stamp_file = os.path.join(target, ".orvex-stamp")
    with locked(os.path.join(bed.prefixes, kind + ".lock")):
        if os.path.exists(stamp_file) and open(stamp_file).read() == stamp:
            log("prefix %s: up to date" % kind)
            return
        started = time.time()
        partial = target + ".new"
        shutil.rmtree(partial, ignore_errors=True)
        wine = Wine(bed, partial, kind, os.path.join(bed.prefixes, kind + ".logs"))
        try:
            wine.native(["wineboot", "-i"], "wineboot")
            stop_wineserver(wine.env)
            unlink_profile_folders(partial)
            facts = machine_facts(wine)
        finally:
            wine.stop()
        # Debian's Wine notes where the socket directory is; copies make their own.
        with contextlib.suppress(FileNotFoundError):
            os.unlink(os.path.join(partial, "wineserver"))
        with open(os.path.join(partial, ".orvex-facts.json"), "w", encoding="utf-8") as f:
            json.dump(facts, f, ensure_ascii=False, indent=1)
        with open(os.path.join(partial, ".orvex-stamp"), "w") as f:
            f.write(stamp)
        shutil.rmtree(target, ignore_errors=True)
        os.rename(partial, target)
        log("prefix %s: made in %.1f s (%s)" % (kind, time.time() - started, json.dumps(facts, ensure_ascii=False)))


def unlink_profile_folders(prefix):
    """Wine links the profile's Desktop, Documents, Music and so on to the Unix
    home directory; on Windows they are folders of the profile. Real folders
    keep every prefix copy to itself."""
    users = os.path.join(prefix, "drive_c", "users")
    for root, dirs, names in os.walk(users):
        for name in dirs + names:
            path = os.path.join(root, name)
            if os.path.islink(path):
                os.unlink(path)
                os.mkdir(path)


def machine_facts(wine):
    """What the machine decides and the expected texts name by placeholder."""
    users = [name for name in os.listdir(os.path.join(wine.prefix, "drive_c", "users")) if name != "Public"]
    if len(users) != 1:
        raise Failure("cannot tell the prefix's own user among %r" % users)
    facts = {"PREFIX_USER": users[0]}
    _, out, _ = wine.native(["cmd", "/c", "echo %COMPUTERNAME%"], "computername")
    facts["COMPUTER_NAME"] = out.decode("cp932").strip()
    # The command interpreter's pause prompt, as the tool's pause prints it.
    _, out, _ = wine.native(["cmd", "/c", "pause"], "pause")
    facts["PAUSE"] = out.decode("cp932")
    facts.update(os_facts(wine))
    return facts


def os_facts(wine):
    """Caption, version, build and service pack as WMI reports them."""
    columns = ["BuildNumber", "Caption", "CSDVersion", "Version"]
    _, out, _ = wine.native(["wmic", "os", "get", ",".join(columns)], "wmic")
    text = decode_console(out)
    lines = [line for line in text.splitlines() if line.strip()]
    if len(lines) < 2:
        raise Failure("wmic printed no values: %r" % text)
    header, values = lines[0], lines[1]
    starts = []
    for name in columns:
        match = re.search(r"(?<!\S)%s(?!\S)" % name, header)
        if not match:
            raise Failure("wmic printed no %s column: %r" % (name, text))
        starts.append(match.start())
    cells = {}
    for i, name in enumerate(columns):
        end = starts[i + 1] if i + 1 < len(columns) else len(values)
        cells[name] = values[starts[i]:end].strip()
    version = cells["Version"].split(".")
    if len(version) < 2:
        raise Failure("unexpected OS version from wmic: %r" % cells["Version"])
    return {"OS_CAPTION": cells["Caption"], "OS_MAJOR": version[0], "OS_MINOR": version[1],
            "OS_BUILD": cells["BuildNumber"], "OS_SP": cells["CSDVersion"]}


def decode_console(data):
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("cp932", "replace")


def copy_prefix(bed, kind, target):
    """A scenario's own prefix: hard links to the pristine one, except for the
    files Wine rewrites."""
    source = bed.pristine(kind)
    if not os.path.exists(os.path.join(source, ".orvex-stamp")):
        raise Failure("the %s prefix is missing: run the wine.prefix.%s test (or 'prefix %s') first" % (kind, kind, kind))
    subprocess.run(["cp", "-al", source, target], check=True)
    for name in PRIVATE_FILES:
        path = os.path.join(target, name)
        if os.path.exists(path):
            os.unlink(path)
            shutil.copy2(os.path.join(source, name), path)


# --------------------------------------------------------------------------
# Scenarios


def substitute(text, facts):
    """Replaces the known placeholders; other braces stay as they are."""
    def replace(match):
        name = match.group(1)
        return facts[name] if name in facts else match.group(0)
    return re.sub(r"\{([A-Z_]+)\}", replace, text)


class Scenario:
    def __init__(self, directory):
        self.dir = os.path.abspath(directory)
        self.name = os.path.basename(self.dir.rstrip("/"))
        path = os.path.join(self.dir, "scenario.json")
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                self.config = json.load(f)
        else:
            self.config = {}
        unknown = set(map(without_kind, self.config)) - SCENARIO_KEYS
        if unknown:
            raise Failure("%s: unknown keys %s" % (path, ", ".join(sorted(unknown))))
        self.prefix = self.config.get("prefix", "win64")
        if self.prefix not in ("win64", "win32", "both"):
            raise Failure("%s: prefix must be win64, win32 or both" % path)
        # Shared layers, laid out before the scenario's own files: tests/wine/layers/NAME.
        self.layers = []
        for name in self.config.get("include", []):
            layer = os.path.join(HERE, "layers", name)
            if not os.path.isdir(layer):
                raise Failure("%s: no layer %s" % (path, layer))
            self.layers.append(layer)
        self.config = merged_settings(self.layers, self.config)
        self.layers.append(self.dir)
        for state in [v for k in ("services", "services.win64", "services.win32")
                      for v in self.config.get(k, {}).values()]:
            if state not in SERVICE_STATES:
                raise Failure("%s: service state %r is not one of %s" % (path, state, sorted(SERVICE_STATES)))
        for mode in self.config.get("hold_open", {}).values():
            if mode not in HOLD_MODES:
                raise Failure("%s: hold_open mode %r is not one of %s" % (path, mode, sorted(HOLD_MODES)))

    def write_limit(self):
        limit = self.config.get("write_limit")
        if limit is not None and (not isinstance(limit, int) or limit <= 0):
            raise Failure("%s: write_limit must be a positive number of bytes" % self.name)
        return limit

    def kinds(self):
        return ["win64", "win32"] if self.prefix == "both" else [self.prefix]

    def text_name(self, name, kind):
        """NAME.KIND.txt where the scenario has one (the two prefixes differ,
        as in the bitness line), else NAME.txt."""
        own = name.replace(".txt", ".%s.txt" % kind)
        return own if os.path.exists(os.path.join(self.dir, own)) else name

    def text(self, name):
        path = os.path.join(self.dir, name)
        if not os.path.exists(path):
            return None
        with open(path, encoding="utf-8", newline="") as f:
            return f.read()

    def setting(self, key, facts, default=None):
        value = self.config.get(key, default)
        return substitute(value, facts) if isinstance(value, str) else value


def without_kind(key):
    """ "file_times.win64" -> "file_times" """
    base, _, kind = key.rpartition(".")
    return base if base in LAYER_KEYS and kind in KINDS else key


def combine(first, second):
    if isinstance(first, list):
        return first + second
    return {**first, **second}


def kind_setting(config, key, kind, default):
    """A laying-out setting on one prefix: KEY, then KEY.KIND on top."""
    value = config.get(key, default)
    own = config.get("%s.%s" % (key, kind))
    return combine(value, own) if own is not None else value


def merged_settings(layers, own):
    """The scenario's settings on top of those of its layers' layer.json."""
    merged = {}
    for layer in layers:
        path = os.path.join(layer, "layer.json")
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8") as f:
            settings = json.load(f)
        unknown = set(map(without_kind, settings)) - LAYER_KEYS
        if unknown:
            raise Failure("%s: unknown keys %s" % (path, ", ".join(sorted(unknown))))
        for key, value in settings.items():
            if key != "description":
                merged[key] = combine(merged[key], value) if key in merged else value
    for key, value in own.items():
        merged[key] = combine(merged[key], value) if key in merged and isinstance(value, (list, dict)) else value
    return merged


def drive_c_parts(path):
    """The components of a path on drive C: "C:\\a\\b", "C:/a/b" or "a/b"
    (relative to drive_c)."""
    if re.match(r"^[A-Za-z]:", path):
        if path[0].upper() != "C":
            raise Failure("only drive C is laid out: %r" % path)
        path = path[2:]
    return [part for part in re.split(r"[\\/]", path) if part]


def windows_path(parts):
    return "C:\\" + "\\".join(parts)


def resolve(drive_c, parts, make_dirs=False):
    """The Unix path of a drive C path. Windows names are not case-sensitive:
    an existing entry whose name differs only in case is reused, so a scenario
    that writes users/x lands in the prefix's own users directory."""
    current = drive_c
    for i, part in enumerate(parts):
        candidate = os.path.join(current, part)
        if not os.path.lexists(candidate) and os.path.isdir(current):
            for entry in os.listdir(current):
                if entry.lower() == part.lower():
                    candidate = os.path.join(current, entry)
                    break
        if make_dirs and i < len(parts) - 1 and not os.path.isdir(candidate):
            os.makedirs(candidate)
        current = candidate
    return current


def place_file(source, target):
    """Copies a file without writing through a hard link into the pristine prefix."""
    if os.path.lexists(target):
        if os.path.isdir(target) and not os.path.islink(target):
            raise Failure("cannot lay a file over the directory %s" % target)
        os.unlink(target)
    shutil.copyfile(source, target)


def make_private(path):
    """A file of the prefix copy that is about to change gets its own inode."""
    if os.path.isfile(path) and os.stat(path).st_nlink > 1:
        with tempfile.NamedTemporaryFile(dir=os.path.dirname(path), delete=False) as tmp:
            pass
        shutil.copy2(path, tmp.name)
        os.replace(tmp.name, path)


# .reg files -----------------------------------------------------------------


def read_reg_file(path):
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xff\xfe"):
        text = data[2:].decode("utf-16-le")
    else:
        text = data.decode("utf-8-sig")
    return text.replace("\r\n", "\n")


def parse_quoted_list(text, where):
    """ "a","b\\\\c" -> ["a", "b\\c"] with the .reg file escapes \\\\ and \\"."""
    items = []
    pos = 0
    while True:
        while pos < len(text) and text[pos] in " \t":
            pos += 1
        if pos >= len(text) or text[pos] != '"':
            raise Failure("%s: expected a quoted string" % where)
        pos += 1
        item = []
        while pos < len(text) and text[pos] != '"':
            if text[pos] == "\\" and pos + 1 < len(text):
                pos += 1
            item.append(text[pos])
            pos += 1
        if pos >= len(text):
            raise Failure("%s: unterminated string" % where)
        items.append("".join(item))
        pos += 1
        while pos < len(text) and text[pos] in " \t":
            pos += 1
        if pos >= len(text):
            return items
        if text[pos] != ",":
            raise Failure("%s: expected a comma" % where)
        pos += 1


def expand_reg_strings(text, where):
    """str(2):"text" (REG_EXPAND_SZ) and str(7):"a","b" (REG_MULTI_SZ) become
    the hex(2)/hex(7) forms that reg import understands."""
    out = []
    for number, line in enumerate(text.split("\n"), 1):
        match = re.match(r'^(.*?=)str\(([27])\):(.*)$', line)
        if match and not line.startswith("["):
            items = parse_quoted_list(match.group(3), "%s:%d" % (where, number))
            if match.group(2) == "2":
                if len(items) != 1:
                    raise Failure("%s:%d: str(2) takes one string" % (where, number))
                data = (items[0] + "\0").encode("utf-16-le")
            else:
                data = "".join(item + "\0" for item in items).encode("utf-16-le") + b"\0\0"
            line = "%shex(%s):%s" % (match.group(1), match.group(2), ",".join("%02x" % b for b in data))
        out.append(line)
    return "\n".join(out)


def registry_import_text(layers, kind, facts):
    """Every .reg file of the layers that applies to this prefix kind, as one
    import: NAME.reg everywhere, NAME.win64.reg and NAME.win32.reg only there."""
    parts = []
    for layer in layers:
        for name in sorted(os.listdir(layer)):
            if not name.endswith(".reg"):
                continue
            match = re.search(r"\.(win64|win32)\.reg$", name)
            if match and match.group(1) != kind:
                continue
            path = os.path.join(layer, name)
            text = substitute(read_reg_file(path), facts)
            lines = text.split("\n")
            if not lines or lines[0].strip() not in ("Windows Registry Editor Version 5.00", "REGEDIT4"):
                raise Failure("%s: must start with 'Windows Registry Editor Version 5.00'" % path)
            parts.append(expand_reg_strings("\n".join(lines[1:]), path))
    if not parts:
        return None
    return "Windows Registry Editor Version 5.00\n" + "\n".join(parts) + "\n"


# Laying out a machine ---------------------------------------------------------


def lay_out(wine, layers, scenario, facts):
    """Registry, files, times and services of the layers, in that order."""
    drive_c = os.path.join(wine.prefix, "drive_c")
    text = registry_import_text(layers, wine.kind, facts)
    if text is not None:
        path = os.path.join(wine.logs, "import.reg")
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))
        # The native reg.exe: the 32-bit one would move HKLM\Software keys
        # into WOW6432Node.
        # reg.exe reports a key it cannot import but still exits with 0.
        _, out, err = wine.native(["reg", "import", unix_to_windows(path)], "reg-import")
        if out.strip() or err.strip():
            raise Failure("reg import did not import everything (%s):\n%s%s" % (
                path, decode_console(out), decode_console(err)))
        if re.search(r"(?i)\\software\\wine\\", text):
            facts.update(os_facts(wine))  # the scenario chose another Windows version

    # files/ on every prefix, files.win64/ and files.win32/ on that one only.
    for files in [os.path.join(layer, name) for layer in layers for name in ("files", "files." + wine.kind)]:
        if not os.path.isdir(files):
            continue
        for root, dirs, names in os.walk(files):
            relative = os.path.relpath(root, files)
            parts = [] if relative == "." else relative.split(os.sep)
            parts = [substitute(p, facts) for p in parts]
            for d in dirs:
                target = resolve(drive_c, parts + [substitute(d, facts)], make_dirs=True)
                os.makedirs(target, exist_ok=True)
            for name in names:
                target = resolve(drive_c, parts + [substitute(name, facts)], make_dirs=True)
                place_file(os.path.join(root, name), target)

    if scenario is None:
        return
    for path in kind_setting(scenario.config, "dirs", wine.kind, []):
        os.makedirs(resolve(drive_c, drive_c_parts(substitute(path, facts)), make_dirs=True), exist_ok=True)
    for path in kind_setting(scenario.config, "convert_to_cp932", wine.kind, []):
        target = resolve(drive_c, drive_c_parts(substitute(path, facts)))
        with open(target, encoding="utf-8", newline="") as f:
            data = f.read().replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")
        os.unlink(target)
        with open(target, "wb") as f:
            f.write(data)
    for path, when in kind_setting(scenario.config, "file_times", wine.kind, {}).items():
        target = resolve(drive_c, drive_c_parts(substitute(path, facts)))
        if not os.path.lexists(target):
            raise Failure("file_times: %s does not exist" % path)
        make_private(target)
        stamp = parse_utc(when)
        os.utime(target, ns=(stamp, stamp), follow_symlinks=False)
    for path, target in kind_setting(scenario.config, "symlinks", wine.kind, {}).items():
        # A file of drive C that is a link to a Unix path, such as /dev/full.
        link = resolve(drive_c, drive_c_parts(substitute(path, facts)), make_dirs=True)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(target, link)
    for name, state in kind_setting(scenario.config, "services", wine.kind, {}).items():
        if state == "absent":
            wine.native(["sc", "delete", name], "sc-delete-" + name, check=False)
            continue
        wine.native(["sc", "create", name, "binpath=", unix_to_windows(wine.bed.service), "type=", "own",
                     "start=", "demand"], "sc-create-" + name)
        if state == "running":
            wine.native(["sc", "start", name], "sc-start-" + name)
            wait_for_service(wine, name)
    for path, mode in kind_setting(scenario.config, "hold_open", wine.kind, {}).items():
        parts = drive_c_parts(substitute(path, facts))
        if not os.path.lexists(resolve(drive_c, parts)):
            raise Failure("hold_open: %s does not exist" % path)
        wine.hold_open(windows_path(parts), mode)


def wait_for_service(wine, name):
    deadline = time.time() + 30
    while True:
        _, out, _ = wine.native(["sc", "query", name], "sc-query-" + name, check=False)
        match = re.search(rb"STATE\s*:\s*(\d+)", out)
        if match and match.group(1) == b"4":
            return
        if time.time() > deadline:
            raise Failure("service %s did not reach the running state: %s" % (name, out.decode("cp932", "replace")))
        time.sleep(0.2)


def parse_utc(text):
    """ "2021-03-03 20:06:07.089 UTC" -> nanoseconds since 1970."""
    match = re.fullmatch(r"(\d{4})-(\d\d)-(\d\d)[ T](\d\d):(\d\d):(\d\d)(?:\.(\d{1,7}))?\s*UTC", text.strip())
    if not match:
        raise Failure("file time %r is not like '2021-03-03 20:06:07.089 UTC'" % text)
    fields = [int(x) for x in match.groups()[:6]]
    fraction = (match.group(7) or "").ljust(9, "0")
    moment = datetime.datetime(*fields, tzinfo=datetime.timezone.utc)
    seconds = int((moment - datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)).total_seconds())
    return seconds * 1_000_000_000 + int(fraction)


# --------------------------------------------------------------------------
# The read-only check


def snapshot(wine, name):
    """The whole registry (through regsnap) and a listing of drive_c."""
    directory = os.path.join(wine.logs, name)
    os.makedirs(directory, exist_ok=True)
    wine.run(wine.bed.program_loader, [wine.bed.regsnap, unix_to_windows(directory)], "regsnap-" + name)
    registry = {}
    for hive in ("HKLM", "HKU"):
        with open(os.path.join(directory, hive + ".txt"), encoding="utf-8", errors="surrogateescape") as f:
            registry[hive] = registry_keys(f.read())
    with open(os.path.join(directory, "HKU-walk.txt"), encoding="utf-8", errors="surrogateescape") as f:
        registry["HKU-walk"] = walked_keys(f.read())
    return registry, list_tree(os.path.join(wine.prefix, "drive_c"))


def registry_keys(text):
    """Wine's saved registry as key path -> the key's lines (its header with
    the last-write time, then its values)."""
    keys = {}
    current = None
    for line in text.split("\n"):
        if line.startswith("["):
            current = line[1:line.rfind("]")]
            keys[current] = [line]
        elif current is not None and line:
            keys[current].append(line)
    return keys


def walked_keys(text):
    """regsnap's walk of HKEY_USERS (volatile keys included): key path ->
    (last-write time, number of values)."""
    keys = {}
    for line in text.split("\n"):
        if line.startswith("unreadable "):
            keys[line[len("unreadable "):]] = ("unreadable",)
        elif line:
            stamp, values, path = line.split(" ", 2)
            keys[path] = (stamp, values)
    return keys


def dos_attributes(path):
    """The Windows attributes Wine keeps beside the Unix mode (hidden, system,
    archive) in an extended attribute."""
    try:
        return os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False)
    except OSError:
        return None


def list_tree(top):
    """Relative path -> (kind, size, mtime in ns, link target, mode, Windows
    attributes) for everything under top. The mode holds the read-only
    attribute; the change time is left out, since copies of the pristine
    prefix made by parallel runs add links to the same inodes."""
    entries = {}

    def walk(directory, prefix):
        with os.scandir(directory) as it:
            for entry in it:
                relative = prefix + entry.name
                st = entry.stat(follow_symlinks=False)
                attributes = dos_attributes(entry.path)
                if entry.is_symlink():
                    entries[relative] = ("link", 0, st.st_mtime_ns, os.readlink(entry.path), st.st_mode, attributes)
                elif entry.is_dir(follow_symlinks=False):
                    entries[relative] = ("dir", 0, st.st_mtime_ns, None, st.st_mode, attributes)
                    walk(entry.path, relative + "/")
                else:
                    entries[relative] = ("file", st.st_size, st.st_mtime_ns, None, st.st_mode, attributes)

    walk(top, "")
    return entries


def is_noise(where, text):
    return any(where == w and re.search(pattern, text) for w, pattern in WINE_NOISE)


def registry_problems(hive, before, after):
    problems = []
    for key in sorted(set(before) | set(after)):
        old, new = before.get(key), after.get(key)
        if old == new or is_noise(hive, key):
            continue
        if old is None:
            problems.append("%s: key created: %s" % (hive, "\n    ".join(new)))
        elif new is None:
            problems.append("%s: key deleted: %s" % (hive, old[0]))
        else:
            lines = ["-" + line for line in old if line not in new] + ["+" + line for line in new if line not in old]
            problems.append("%s: key changed: [%s]\n    %s" % (hive, key, "\n    ".join(lines)))
    return problems


def read_only_problems(before, after, result_relative):
    """Everything that differs, except the result file itself (compared on its
    own) and the mtime of the directory in which it was created."""
    problems = []
    for hive in ("HKLM", "HKU"):
        problems += registry_problems(hive, before[0][hive], after[0][hive])
    # What the saved tree cannot show: volatile keys under HKEY_USERS. Keys
    # the saved tree holds were compared above (Wine writes their names with
    # doubled backslashes).
    saved = set(before[0]["HKU"]) | set(after[0]["HKU"])
    walk_before, walk_after = before[0]["HKU-walk"], after[0]["HKU-walk"]
    for key in sorted(set(walk_before) | set(walk_after)):
        old, new = walk_before.get(key), walk_after.get(key)
        if old == new or key.replace("\\", "\\\\") in saved or is_noise("HKU", key):
            continue
        what = "created" if old is None else "deleted" if new is None else "changed (time, values) %r -> %r" % (
            old, new)
        problems.append("HKU (volatile keys included): key %s: [%s]" % (what, key))
    files_before, files_after = before[1], after[1]
    result_dir = os.path.dirname(result_relative)
    created = result_relative not in files_before and result_relative in files_after
    for path in sorted(set(files_before) | set(files_after)):
        old, new = files_before.get(path), files_after.get(path)
        if old == new:
            continue
        if path == result_relative and (old is None or old[0] == "file") and (new is None or new[0] == "file"):
            continue
        if created and path == result_dir and old and new and old[0] == new[0] == "dir":
            continue
        if is_noise("drive_c", path):
            continue
        if old is None:
            problems.append("drive_c: %s was created %r" % (path, new))
        elif new is None:
            problems.append("drive_c: %s was removed" % path)
        else:
            problems.append("drive_c: %s changed from %r to %r" % (path, old, new))
    return problems


# --------------------------------------------------------------------------
# Comparing texts


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


def compare(label, expected_text, actual, facts, window):
    """Problems (a list of texts) between an expected text with placeholders
    and the bytes the tool wrote. Also returns the start time found, if any."""
    resolved = substitute(expected_text, {k: v for k, v in facts.items() if k != "START"})
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


def template_from(actual, old_template, facts):
    """The expected text --update writes: the actual text in UTF-8 with LF, with
    the machine's values turned back into placeholders. Lines that the old
    expected text already matched are kept as they were written."""
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
            for key in ("OS_CAPTION", "OS_SP"):
                if facts.get(key):
                    line = line.replace(facts[key], "{%s}" % key)
            line = line.replace("%s.%s" % (facts["OS_MAJOR"], facts["OS_MINOR"]), "{OS_MAJOR}.{OS_MINOR}")
            if facts.get("OS_BUILD"):
                line = re.sub(r"(?<!\d)" + re.escape(facts["OS_BUILD"]) + r"(?!\d)", "{OS_BUILD}", line)
        if facts.get("PAUSE") and line.endswith(facts["PAUSE"]):
            line = line[:-len(facts["PAUSE"])] + "{PAUSE}"
        out.append(line)
    return "\n".join(out)


def line_matches(template_line, line, facts):
    resolved = substitute(template_line, {k: v for k, v in facts.items() if k != "START"})
    pattern = re.escape(resolved).replace(re.escape("{START}"), START_PATTERN)
    return re.fullmatch(pattern, line) is not None


# --------------------------------------------------------------------------
# One run


class Run:
    """A prefix copy with a wineserver, removed again at the end."""

    def __init__(self, bed, name, kind, keep=False):
        self.bed = bed
        self.kind = kind
        self.keep = keep
        self.work = os.path.join(bed.runs, "%s.%s" % (name, kind))
        cleanup_work(self.work)
        os.makedirs(self.work)
        self.prefix = os.path.join(self.work, "prefix")
        copy_prefix(bed, kind, self.prefix)
        self.facts = dict(bed.facts(kind))
        self.wine = Wine(bed, self.prefix, kind, os.path.join(self.work, "logs"))
        self.ok = False

    def __enter__(self):
        self.wine.start_server()
        return self

    def __exit__(self, *exc):
        self.wine.stop()
        if not self.ok:
            log("kept for inspection: " + self.work)
        elif not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)
        return False


def cleanup_work(work):
    """Removes an earlier run's directory, stopping its wineserver if one is left."""
    if not os.path.exists(work):
        return
    prefix = os.path.join(work, "prefix")
    tmpfile = os.path.join(work, "logs", "tmpdir")
    if os.path.exists(os.path.join(prefix, "wineserver")) and os.path.exists(tmpfile):
        tmpdir = open(tmpfile).read().strip()
        if os.path.isdir(tmpdir):
            stop_wineserver({"PATH": "/usr/bin:/bin", "WINEPREFIX": prefix, "TMPDIR": tmpdir})
            shutil.rmtree(tmpdir, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)


def place_exe(run, scenario, facts, exe=None):
    """Copies the exe to where the scenario wants it and makes its current
    directory; returns the exe's Windows path, the current directory (Windows
    and Unix) and the parts of the result file's path on drive C."""
    drive_c = os.path.join(run.prefix, "drive_c")
    exe_parts = drive_c_parts(scenario.setting("exe", facts, DEFAULT_EXE) if scenario else DEFAULT_EXE)
    exe_unix = resolve(drive_c, exe_parts, make_dirs=True)
    place_file(exe or run.bed.exe, exe_unix)
    exe_windows = windows_path(exe_parts)
    cwd = scenario.setting("cwd", facts) if scenario else None
    cwd_parts = drive_c_parts(cwd) if cwd else exe_parts[:-1]
    cwd_unix = resolve(drive_c, cwd_parts, make_dirs=True)
    os.makedirs(cwd_unix, exist_ok=True)
    result = scenario.setting("result_file", facts) if scenario else None
    result_parts = drive_c_parts(result) if result else exe_parts[:-1] + [RESULT_NAME]
    return exe_windows, windows_path(cwd_parts), cwd_unix, result_parts


def run_exe(run, exe_windows, cwd_windows, cwd_unix, argv0, file_limit=None):
    """Starts the exe with stdin at /dev/null: directly, so that argv[0] is its
    Windows path, or through the launcher when argv[0] must be exactly argv0."""
    if argv0 is None:
        args, extra = [exe_windows], {}
    else:
        args = [run.bed.launch]
        extra = {"ORVEX_LAUNCH_APP": exe_windows, "ORVEX_LAUNCH_CMDLINE": argv0, "ORVEX_LAUNCH_CWD": cwd_windows}
    began = time.time()
    rc, out, err = run.wine.run(run.bed.program_loader, args, "OrvexEnv", cwd=cwd_unix, extra_env=extra,
                                timeout=EXE_TIMEOUT, check=False, file_limit=file_limit)
    return rc, out, err, began, time.time()


def cmd_run(bed, args):
    scenario = Scenario(args.scenario)
    if args.prefix not in scenario.kinds() and not args.any_prefix:
        raise Failure("%s does not run on the %s prefix" % (scenario.name, args.prefix))
    exe = os.path.abspath(args.exe) if args.exe else None
    name = scenario.name + (".other-exe" if exe else "")
    problems = run_scenario(bed, scenario, args.prefix, update=args.update, keep=args.keep, exe=exe, name=name)
    return 0 if not problems else 1


def run_scenario(bed, scenario, kind, update=False, keep=False, exe=None, quiet=False, name=None):
    """Lays out the scenario, runs the exe (or a stand-in), compares; returns
    the problems found."""
    started = time.time()
    with Run(bed, name or scenario.name, kind, keep=keep) as run:
        facts = run.facts
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, result_parts = place_exe(run, scenario, facts, exe)
        drive_c = os.path.join(run.prefix, "drive_c")
        result_unix = resolve(drive_c, result_parts)
        result_relative = os.path.relpath(result_unix, drive_c)
        old = None
        if os.path.isfile(result_unix):
            with open(result_unix, "rb") as f:
                old = f.read()
        write_limit = scenario.write_limit()
        file_limit = len(old or b"") + write_limit if write_limit else None
        before = snapshot(run.wine, "before")
        rc, out, err, began, ended = run_exe(run, exe_windows, cwd_windows, cwd_unix, scenario.setting("argv0", facts),
                                             file_limit)
        after = snapshot(run.wine, "after")

        problems = read_only_problems(before, after, result_relative)
        expected_rc = scenario.config.get("exit_code", 0) & 0xFF
        if rc != expected_rc:
            problems.append("exit code %d, expected %d" % (rc, expected_rc))

        written = None
        clobbered = False
        if os.path.isfile(result_unix):
            with open(result_unix, "rb") as f:
                data = f.read()
            if old is not None and not data.startswith(old):
                problems.append("the result file's earlier content changed")
                clobbered = True
            else:
                written = data[len(old):] if old is not None else data
        if written == b"":
            written = None

        # The console first: a result file cut short by write_limit is
        # compared with the start of its expected text, start time filled in.
        texts = [("standard output", scenario.text_name("stdout.txt", kind), out),
                 ("standard error", scenario.text_name("stderr.txt", kind), err),
                 ("result file " + windows_path(result_parts), scenario.text_name("expected.txt", kind), written)]
        if update and write_limit:
            problems.append("--update cannot write the expected text of a run cut short by write_limit")
        elif update:
            update_texts(scenario, texts, facts)
        else:
            starts = set()
            for label, name, actual in texts:
                if write_limit and name.startswith("expected.") and scenario.text(name) is not None:
                    problems += cut_short_differences(label, scenario.text(name), actual or b"", write_limit, facts,
                                                      starts)
                    continue
                expected = scenario.text(name)
                if expected is None and name.startswith("stdout."):
                    problems.append("%s has no stdout.txt: run with --update to write it, then review it" %
                                    scenario.name)
                    continue
                if expected is None:
                    if actual:
                        what = "a result file" if name.startswith("expected.") else "anything"
                        problems.append("%s: expected no %s, got:\n  %s" % (
                            label, what, show(actual.decode("cp932", "backslashreplace"))))
                    continue
                if actual is None:
                    if not (clobbered and name.startswith("expected.")):
                        problems.append("%s: nothing was written" % label)
                    continue
                found, start = compare(label, expected, actual, facts, (began, ended))
                problems += found
                if start:
                    starts.add(start)
            if len(starts) > 1:
                problems.append("the start line differs between the console and the result file: %s" %
                                ", ".join(sorted(starts)))
        run.ok = not problems or quiet
        if not quiet:
            status = "passed" if not problems else "FAILED"
            log("%s on the %s prefix: %s in %.1f s (the exe ran %.2f s)" % (
                scenario.name, kind, status, time.time() - started, ended - began))
            for problem in problems:
                log(problem)
        return problems


def update_texts(scenario, texts, facts):
    for label, name, actual in texts:
        path = os.path.join(scenario.dir, name)
        if not actual:
            if os.path.exists(path) and not name.startswith("stdout."):
                os.unlink(path)
                log("removed %s (nothing was written)" % path)
            continue
        text = template_from(actual, scenario.text(name), facts)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        log("wrote %s" % path)


# --------------------------------------------------------------------------
# Other subcommands


def cmd_exec(bed, args):
    """A Windows test program in a prepared prefix; its exit code is ours."""
    program = os.path.abspath(args.program[0])
    name = "exec-" + os.path.splitext(os.path.basename(program))[0]
    with Run(bed, name, args.prefix, keep=args.keep) as run:
        lay_out(run.wine, [os.path.abspath(layer) for layer in args.layer], None, run.facts)
        extra = {"ORVEX_PREFIX_KIND": args.prefix}
        rc, out, err = run.wine.run(bed.program_loader, [program] + args.program[1:], name, extra_env=extra,
                                    timeout=EXE_TIMEOUT, check=False)
        sys.stdout.write(out.decode("utf-8", "replace"))
        sys.stdout.write(err.decode("utf-8", "replace"))
        run.ok = rc == 0
        return rc


def cmd_sample(bed, args):
    """Lays out a sample machine, runs the tool and shows its report."""
    ensure_prefix(bed, args.prefix)
    scenario = Scenario(args.scenario)
    with Run(bed, "sample", args.prefix, keep=True) as run:
        # The sample's prefix stays for a look around; only its server stops.
        facts = run.facts
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, result_parts = place_exe(run, scenario, facts)
        rc, out, err, began, ended = run_exe(run, exe_windows, cwd_windows, cwd_unix, scenario.setting("argv0", facts))
        result_unix = resolve(os.path.join(run.prefix, "drive_c"), result_parts)
        run.ok = True
    if err:
        sys.stdout.write("-- standard error --\n" + err.decode("cp932", "replace").replace("\r\n", "\n"))
    if not os.path.isfile(result_unix):
        log("the tool wrote no result file (exit code %d); its console output:" % rc)
        sys.stdout.write(out.decode("cp932", "replace").replace("\r\n", "\n") + "\n")
        return 1
    with open(result_unix, "rb") as f:
        report = f.read()
    sys.stdout.write(report.decode("cp932", "replace").replace("\r\n", "\n"))
    log("")
    log("OrvexEnv ran in a Wine prefix as %s (exit code %d)." % (exe_windows, rc if rc != 255 else -1))
    log("Result file (CP932, CR LF): " + result_unix)
    if args.check and (rc != 0 or not report):
        return 1
    return 0


def cmd_time(bed, args):
    """Times whole runs of the tool on a machine against the floor program
    (process start-up and the same WMI query), in the same prefix, taking
    turns; prints the medians and their ratio."""
    ensure_prefix(bed, args.prefix)
    scenario = Scenario(args.scenario)
    floor = bed.floor
    if not floor or not os.path.exists(floor):
        raise Failure("the floor program is not built (target orvex_floor)")
    exe = os.path.abspath(args.exe) if args.exe else bed.exe
    with Run(bed, "time", args.prefix) as run:
        facts = run.facts
        lay_out(run.wine, scenario.layers, scenario, facts)
        exe_windows, cwd_windows, cwd_unix, _ = place_exe(run, scenario, facts, exe)
        floor_windows = exe_windows[:exe_windows.rfind("\\") + 1] + "orvex_floor.exe"
        place_file(floor, resolve(os.path.join(run.prefix, "drive_c"), drive_c_parts(floor_windows)))

        def timed(program, name):
            began = time.perf_counter()
            rc, _, _ = run.wine.run(bed.program_loader, [program], name, cwd=cwd_unix, timeout=EXE_TIMEOUT,
                                    check=False)
            if rc != 0:
                raise Failure("%s ended with exit code %d" % (program, rc))
            return time.perf_counter() - began

        timed(exe_windows, "warm-up-tool")  # neither side pays for the session's first start
        timed(floor_windows, "warm-up-floor")
        tool_times, floor_times = [], []
        for _ in range(args.runs):
            tool_times.append(timed(exe_windows, "tool"))
            floor_times.append(timed(floor_windows, "floor"))
        run.ok = True

    def median(values):
        ordered = sorted(values)
        middle = len(ordered) // 2
        return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2

    tool, base = median(tool_times), median(floor_times)
    log("%d runs each on %s (%s prefix), taking turns; wall time of the Wine process, start to end" % (
        args.runs, scenario.name, args.prefix))
    log("whole run (%s):  median %.3f s  (%s)" % (
        os.path.basename(exe), tool, " ".join("%.3f" % t for t in tool_times)))
    log("floor (start-up + WMI query):  median %.3f s  (%s)" % (base, " ".join("%.3f" % t for t in floor_times)))
    log("ratio whole run / floor:  %.2f" % (tool / base))
    return 0


def cmd_selftest(bed, args):
    """The checks themselves catch a program that writes: a stand-in for the
    tool that writes to the registry and the disk, rewrites the earlier result
    file and exits with 3 must fail the earlier-run scenario on every count."""
    scenario = Scenario(os.path.join(HERE, "scenarios", "earlier-run-appended"))
    problems = run_scenario(bed, scenario, args.prefix, exe=bed.misbehave, quiet=True, name="selftest")
    wanted = {
        "a key created in HKLM": lambda p: p.startswith("HKLM: key created: [") and "OrvexSelfTest]" in p,
        "a value set in the user's hive": lambda p: p.startswith("HKU: key ") and "[S-1-5-21-0-0-0-1000" in p and
        '"OrvexSelfTest"=' in p,
        "a key of HKEY_CLASSES_ROOT written": lambda p: p.startswith(
            "HKLM: key created: [Software\\\\Classes\\\\CLSID\\\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}"),
        "a key of HKEY_CLASSES_ROOT's 32-bit view written": lambda p: p.startswith(
            "HKLM: key created: [Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}"),
        "a volatile key in the user's hive": lambda p: p.startswith("HKU (volatile keys included): key created: [") and
        "\\Software\\OrvexSelfTestVolatile]" in p,
        "a file created": lambda p: p.startswith("drive_c: ") and "/stray.txt was created" in p,
        "the attributes of a file changed": lambda p: re.match(r"drive_c: .*\.exe changed from ", p, re.I) is not None,
        "the earlier content rewritten": lambda p: p.startswith("the result file's earlier content changed"),
        "the exit code": lambda p: p.startswith("exit code 3, expected 0"),
        "the console output": lambda p: p.startswith("standard output differs"),
    }
    missing = [what for what, test in wanted.items() if not any(test(p) for p in problems)]
    for problem in problems:
        log("found: " + problem)
    for what in missing:
        log("NOT CAUGHT: " + what)
    return 1 if missing else 0


def cmd_cleanup(bed, args):
    """Stops the wineservers that runs killed from outside may have left."""
    if os.path.isdir(bed.runs):
        for name in sorted(os.listdir(bed.runs)):
            work = os.path.join(bed.runs, name)
            tmpfile = os.path.join(work, "logs", "tmpdir")
            if os.path.exists(tmpfile):
                tmpdir = open(tmpfile).read().strip()
                if os.path.isdir(tmpdir):
                    log("stopping the wineserver of " + work)
                    stop_wineserver({"PATH": "/usr/bin:/bin", "WINEPREFIX": os.path.join(work, "prefix"),
                                     "TMPDIR": tmpdir})
                    shutil.rmtree(tmpdir, ignore_errors=True)
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bed", required=True, help="bed.json in the build tree")
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("locale")
    p = sub.add_parser("prefix")
    p.add_argument("kind", choices=["win64", "win32"])
    p = sub.add_parser("run")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=["win64", "win32"], required=True)
    p.add_argument("--update", action="store_true", help="rewrite the expected texts from this run")
    p.add_argument("--keep", action="store_true", help="keep the prefix copy")
    p.add_argument("--any-prefix", action="store_true", help="run even on a prefix the scenario does not name")
    p.add_argument("--exe", help="run this exe instead of the build's OrvexEnv.exe (the packed one)")
    p = sub.add_parser("exec")
    p.add_argument("--prefix", choices=["win64", "win32"], required=True)
    p.add_argument("--layer", action="append", default=[])
    p.add_argument("--keep", action="store_true")
    p.add_argument("program", nargs=argparse.REMAINDER)
    p = sub.add_parser("sample")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=["win64", "win32"], default="win64")
    p.add_argument("--check", action="store_true", help="fail unless the run completes")
    p = sub.add_parser("time")
    p.add_argument("scenario")
    p.add_argument("--prefix", choices=["win64", "win32"], default="win64")
    p.add_argument("--runs", type=int, default=10)
    p.add_argument("--exe", help="time this exe instead of the build's OrvexEnv.exe")
    p = sub.add_parser("selftest")
    p.add_argument("--prefix", choices=["win64", "win32"], default="win64")
    sub.add_parser("cleanup")
    args = parser.parse_args(argv)
    if args.command == "exec":
        if args.program and args.program[0] == "--":
            args.program = args.program[1:]
        if not args.program:
            parser.error("exec needs a program")

    # ctest stops a test with SIGTERM; the wineserver must still go.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    bed = Bed(args.bed)
    try:
        if args.command == "locale":
            ensure_locale(bed)
            return 0
        if args.command == "prefix":
            ensure_prefix(bed, args.kind)
            return 0
        return {"run": cmd_run, "exec": cmd_exec, "sample": cmd_sample, "selftest": cmd_selftest, "time": cmd_time,
                "cleanup": cmd_cleanup}[args.command](bed, args)
    except Failure as e:
        log("error: %s" % e)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

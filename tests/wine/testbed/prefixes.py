"""The Japanese locale, the pristine prefixes (made once per build tree), the
machine's facts read from them, and the copies each run works in."""

import contextlib
import fcntl
import json
import os
import re
import shutil
import subprocess
import time

from testbed import Failure, log
from testbed.wine import LOADERS, WINE_TZ, Wine, decode_console, stop_wineserver

# Raise when the way prefixes are made changes, so old build trees remake them.
PREFIX_FORMAT = 2

# Item 4's bitness text on each kind of prefix, whichever exe runs: the native
# processor architecture (9 is x64, 0 is x86).
BITNESS = {"win64": "64bit(9)", "win32": "32bit(0)"}

# Files of a fresh prefix that Wine rewrites; a copy gets private ones so that
# the hard-linked pristine prefix never changes.
PRIVATE_FILES = ("system.reg", "user.reg", "userdef.reg", ".update-timestamp")


@contextlib.contextmanager
def locked(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        fcntl.flock(f, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(f, fcntl.LOCK_UN)


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
    # A 64-bit prefix made before the 32-bit loader was installed lacks its
    # 32-bit half: the stamp names the loaders there were.
    loaders = [name for name, loader in sorted(LOADERS.items()) if os.path.exists(loader)]
    stamp = json.dumps({"format": PREFIX_FORMAT, "wine": wine_version(), "loaders": loaders, "user": bed.user,
                        "tz": WINE_TZ})
    stamp_file = os.path.join(target, ".orvex-stamp")
    with locked(os.path.join(bed.prefixes, kind + ".lock")):
        if os.path.exists(stamp_file) and open(stamp_file).read() == stamp:
            log("prefix %s: up to date" % kind)
            return
        started = time.time()
        partial = target + ".new"
        # Making a prefix runs nothing of ours: when Wine fails at it (seen on
        # a loaded machine: wineboot's first start failing with "ShellExecuteEx
        # failed"), the prefix is made once more from nothing.
        for attempt in (1, 2):
            try:
                facts = make_prefix(bed, kind, partial)
                break
            except Failure as failure:
                if attempt == 2:
                    raise
                log("prefix %s: Wine failed making it (%s); making it once more" %
                    (kind, str(failure).splitlines()[0]))
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


def make_prefix(bed, kind, partial):
    """A new prefix of that kind at `partial`; returns its machine's facts."""
    shutil.rmtree(partial, ignore_errors=True)
    wine = Wine(bed, partial, kind, os.path.join(bed.prefixes, kind + ".logs"))
    try:
        wine.native(["wineboot", "-i"], "wineboot")
        stop_wineserver(wine.env)
        unlink_profile_folders(partial)
        # One server for the commands that read the facts, as in a run.
        wine.start_server()
        return machine_facts(wine)
    finally:
        wine.stop()


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
    facts = {"PREFIX_USER": users[0], "BITNESS": BITNESS[wine.kind]}
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

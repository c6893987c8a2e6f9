"""Laying out a machine in a prefix copy: the layers' registry files and
files, then the scenario's directories, converted files, file times, links,
services and files held open. Paths are those of drive C."""

import datetime
import os
import re
import shutil
import tempfile
import time

from testbed import Failure
from testbed.prefixes import locked, os_facts
from testbed.regfiles import registry_import_text
from testbed.scenario import kind_setting, substitute
from testbed.wine import decode_console, unix_to_windows


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


def lay_out(wine, layers, scenario, facts):
    """Registry, files, times and services of the layers, in that order."""
    import_registry(wine, layers, facts)
    copy_files(wine, layers, facts)
    if scenario is not None:
        apply_settings(wine, scenario.config, facts)


def import_registry(wine, layers, facts):
    text = registry_import_text(layers, wine.kind, facts)
    if text is None:
        return
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


def copy_files(wine, layers, facts):
    """files/ on every prefix, files.win64/ and files.win32/ on that one only."""
    drive_c = os.path.join(wine.prefix, "drive_c")
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


def apply_settings(wine, config, facts):
    """The scenario's (and its layers') settings: directories first, then
    the files' contents and times, links, services, and last the files that
    another program holds open for the run."""
    drive_c = os.path.join(wine.prefix, "drive_c")

    def unix_path(path, make_dirs=False):
        return resolve(drive_c, drive_c_parts(substitute(path, facts)), make_dirs=make_dirs)

    for path in kind_setting(config, "dirs", wine.kind, []):
        os.makedirs(unix_path(path, make_dirs=True), exist_ok=True)
    for path, document in kind_setting(config, "large_documents", wine.kind, {}).items():
        place_large_documents(wine.bed, unix_path(path, make_dirs=True), document)
    for path in kind_setting(config, "convert_to_cp932", wine.kind, []):
        target = unix_path(path)
        with open(target, encoding="utf-8", newline="") as f:
            data = f.read().replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")
        os.unlink(target)
        with open(target, "wb") as f:
            f.write(data)
    for path, when in kind_setting(config, "file_times", wine.kind, {}).items():
        target = unix_path(path)
        if not os.path.lexists(target):
            raise Failure("file_times: %s does not exist" % path)
        make_private(target)
        stamp = parse_utc(when)
        os.utime(target, ns=(stamp, stamp), follow_symlinks=False)
    for path, target in kind_setting(config, "symlinks", wine.kind, {}).items():
        # A file of drive C that is a link to a Unix path, such as /dev/full.
        link = unix_path(path, make_dirs=True)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(target, link)
    for name, state in kind_setting(config, "services", wine.kind, {}).items():
        if state == "absent":
            wine.native(["sc", "delete", name], "sc-delete-" + name, check=False)
            continue
        # A step run once more (Wine failed under it) begins from no service, or a stopped one.
        wine.native(["sc", "create", name, "binpath=", unix_to_windows(wine.bed.service), "type=", "own",
                     "start=", "demand"], "sc-create-" + name,
                    undo=lambda: wine.native(["sc", "delete", name], "sc-delete-" + name, check=False))
        if state == "running":
            _, out, _ = wine.native(["sc", "start", name], "sc-start-" + name,
                                    undo=lambda: wine.native(["sc", "stop", name], "sc-stop-" + name, check=False))
            if not running(out):  # Wine's sc start says RUNNING once the service is
                wait_for_service(wine, name)
    for path, mode in kind_setting(config, "hold_open", wine.kind, {}).items():
        parts = drive_c_parts(substitute(path, facts))
        if not os.path.lexists(resolve(drive_c, parts)):
            raise Failure("hold_open: %s does not exist" % path)
        wine.hold_open(windows_path(parts), mode)


def place_large_documents(bed, local_app_data, document):
    """The four preference documents of the Default profile under a user's
    AppData\\Local, all one large generated document. It is generated once
    per bed (make_large_documents.py, the same bytes every time) and linked
    into each run's drive C."""
    import make_large_documents  # beside run_scenario.py

    shape = document["shape"]
    megabytes = document.get("megabytes", make_large_documents.DEFAULT_MEGABYTES[shape])
    version = document.get("version", "1.2.0")
    cached = os.path.join(bed.root, "large-documents", "%s-%s-%s.json" % (shape, megabytes, version))
    with locked(cached + ".lock"):
        if not os.path.exists(cached):
            make_large_documents.write_document(cached + ".tmp", shape, int(megabytes * 1024 * 1024), version)
            os.replace(cached + ".tmp", cached)
    for vendor, browser, name in make_large_documents.PROFILE_DOCUMENTS:
        target = resolve(local_app_data, [vendor, browser, "User Data", "Default", name], make_dirs=True)
        if os.path.lexists(target):
            os.unlink(target)
        os.link(cached, target)


def running(sc_output):
    match = re.search(rb"STATE\s*:\s*(\d+)", sc_output)
    return bool(match) and match.group(1) == b"4"


def wait_for_service(wine, name):
    deadline = time.time() + 30
    while True:
        _, out, _ = wine.native(["sc", "query", name], "sc-query-" + name, check=False)
        if running(out):
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

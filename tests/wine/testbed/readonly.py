"""The read-only check: the whole registry (through regsnap.exe) and a
listing of drive_c before and after a run, and everything that differs
between them but the result file."""

import os
import re

from testbed.wine import unix_to_windows

# Differences the read-only check forgives because Wine itself makes them on
# every run, whatever the program does: (where, regular expression), where is
# "HKLM" or "HKU" (matched against the key path) or "drive_c" (matched against
# the path relative to drive_c). None are needed for Wine 8.0: the one thing
# Wine rewrites by itself (the display devices, once per session) regsnap
# settles before the first snapshot.
WINE_NOISE = []


def snapshot(wine, name):
    """The whole registry (through regsnap) and a listing of drive_c."""
    directory = os.path.join(wine.logs, name)
    os.makedirs(directory, exist_ok=True)
    wine.run(wine.bed.program_loader, [wine.bed.regsnap, unix_to_windows(directory)], "regsnap-" + name)
    registry = {}
    for name in ("HKLM", "HKU", "HKU-walk"):
        with open(os.path.join(directory, name + ".txt"), encoding="utf-8", errors="surrogateescape") as f:
            registry[name] = f.read()
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
    # The saved trees are read key by key only where they differ (HKLM has
    # some 16000 keys).
    registry_before, registry_after = before[0], after[0]
    for hive in ("HKLM", "HKU"):
        if registry_before[hive] != registry_after[hive]:
            problems += registry_problems(hive, registry_keys(registry_before[hive]),
                                          registry_keys(registry_after[hive]))
    # What the saved tree cannot show: volatile keys under HKEY_USERS. Keys
    # the saved tree holds were compared above (Wine writes their names with
    # doubled backslashes).
    saved = set(registry_keys(registry_before["HKU"])) | set(registry_keys(registry_after["HKU"]))
    walk_before, walk_after = walked_keys(registry_before["HKU-walk"]), walked_keys(registry_after["HKU-walk"])
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

"""Registry files of layers and scenarios: read in UTF-8 or UTF-16LE, the
str(2)/str(7) forms turned into what reg import reads, and every file that
applies to a prefix kind joined into one import."""

import os
import re

from testbed import Failure
from testbed.scenario import substitute


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

"""A scenario directory (README.md beside run_scenario.py describes it): its
scenario.json on top of its layers' layer.json, its expected texts, and the
placeholders they share."""

import json
import os
import re

from testbed import Failure

# tests/wine: the shared layers and the scenarios live here.
WINE_TESTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

SCENARIO_KEYS = {
    "description", "prefix", "win64_build", "include", "exe", "cwd", "argv0", "result_file", "exit_code",
    "dirs", "file_times", "convert_to_cp932", "services", "hold_open", "symlinks", "write_limit", "large_documents",
    "runs_at_once", "turn_held", "build_values", "result_file_writes_fail",
}
# What a layer's layer.json may set; lists add up and maps merge, layer by
# layer, the scenario's own settings last.
LAYER_KEYS = {"description", "dirs", "file_times", "convert_to_cp932", "services", "symlinks"}
# Of these, "KEY.win64" and "KEY.win32" apply on that prefix only (on top of KEY).
KINDS = ("win64", "win32")
SERVICE_STATES = {"absent", "stopped", "running"}
HOLD_MODES = {"share", "deny-write"}


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
        if self.config.get("win64_build", True) is not True:
            raise Failure("%s: win64_build is true or absent: a value that differs between the builds is a "
                          "build value" % path)
        # Shared layers, laid out before the scenario's own files: tests/wine/layers/NAME.
        self.layers = []
        for name in self.config.get("include", []):
            layer = os.path.join(WINE_TESTS, "layers", name)
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

    def turn_held(self):
        """Seconds another run holds the result file's turn before this one starts; or None."""
        seconds = self.config.get("turn_held")
        if seconds is not None and (not isinstance(seconds, int) or seconds <= 0):
            raise Failure("%s: turn_held must be a positive number of seconds" % self.name)
        return seconds

    def runs_at_once(self):
        """(runs, rounds): start the exe this many times at once, round after round; or None."""
        setting = self.config.get("runs_at_once")
        if setting is None:
            return None
        if isinstance(setting, dict) and set(setting) <= {"runs", "rounds"}:
            counts = setting.get("runs"), setting.get("rounds", 1)
            if all(isinstance(n, int) and n > 0 for n in counts):
                return counts
        raise Failure('%s: runs_at_once must be {"runs": N, "rounds": M} with positive numbers' % self.name)

    def kinds(self):
        return ["win64", "win32"] if self.prefix == "both" else [self.prefix]

    def build_values(self, build):
        """The values of the placeholders that differ between the 32-bit and
        the 64-bit exe, for the build that runs: {"NAME": {"win32": ..., "win64": ...}}."""
        values = self.config.get("build_values", {})
        if not all(isinstance(v, dict) and set(v) == set(KINDS) for v in values.values()):
            raise Failure('%s: build_values must be {"NAME": {"win32": "...", "win64": "..."}}' % self.name)
        return {name: value[build] for name, value in values.items()}

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

"""The Wine test bed behind run_scenario.py, one module per concern:

  wine       the build tree's settings (bed.json); Wine processes in a prefix
  prefixes   the Japanese locale, the pristine prefixes and what they hold, copies
  scenario   a scenario directory, its layers and their settings; placeholders
  regfiles   .reg files: the str(2)/str(7) forms, one import per prefix kind
  machine    laying out a machine: registry, files, times, links, services
  readonly   snapshots before and after a run, and what differs between them
  compare    the tool's output against the expected texts; --update's texts
  runs       one run: a prefix copy, the exe placed and started, the checks
  cli        the subcommands

Python 3 standard library only.
"""


class Failure(Exception):
    """A setup step that went wrong; the message says which."""


def log(message):
    print(message, flush=True)

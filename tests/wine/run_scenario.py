#!/usr/bin/env python3
"""The Wine test bed's command line (CMake, scripts/run-sample.sh,
scripts/time-run.sh and the release checks call it); the work is done by the
package testbed beside it, and `--help` lists the subcommands."""

import sys

# The package lives in the source tree: no __pycache__ there.
sys.dont_write_bytecode = True

from testbed.cli import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

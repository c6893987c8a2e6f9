#!/usr/bin/env bash
# Fails on a merge's conflict markers in any file git tracks (text files;
# the report's own separator line is longer than a marker and never one).
# Every other check reads past them, so the lint asks this first.
#   scripts/check_markers.sh [CHECKOUT]   (default: this one)
#   scripts/check_markers.sh --self-test  (each marker planted in a scratch checkout must be found)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1-}" = --self-test ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  git -C "$scratch" init -q
  for marker in '<<<<<<< HEAD' '|||||||' '=======' '>>>>>>> other'; do
    printf '# Notes\n%s\n' "$marker" >"$scratch/notes.md"
    git -C "$scratch" add notes.md
    if "$0" "$scratch" >/dev/null 2>&1; then echo "markers: '$marker' planted in a tracked file was not found"; exit 1; fi
  done
  exec "$0" "$here/.."
fi
cd "${1:-$here/..}"
if found=$(git grep -n -I -E '^(<<<<<<<|\|\|\|\|\|\|\||>>>>>>>)( |$)|^=======$' -- .); then
  printf '%s\n' "$found"
  echo "markers: a merge's conflict markers are left in the files above: resolve them" >&2
  exit 1
fi

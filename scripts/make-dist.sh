#!/usr/bin/env bash
# make-dist.sh EXE README_UTF8 ZIP: packs the exe under its own name and its
# read-me as readme.txt (converted to CP932 with CR LF, as Notepad on Japanese
# Windows reads it). The dist target packs the tool and the desk's reader so.
# With ORVEXENV_SIGN_PKCS12 set, the packed exe is signed (scripts/sign-exe.sh);
# without it the same inputs give the same zip, byte for byte.
set -euo pipefail
exe=$1 readme=$2 zip=$3
name=$(basename "$exe")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
if [ -n "${ORVEXENV_SIGN_PKCS12:-}" ]; then
  "$(dirname "$0")/sign-exe.sh" "$exe" "$stage/$name"
else
  cp "$exe" "$stage/$name"
fi
iconv -f UTF-8 -t CP932 "$readme" | sed 's/$/\r/' > "$stage/readme.txt"
# Fixed times and no extra attributes: the same inputs give the same zip.
touch -d "2026-01-01 00:00:00 UTC" "$stage/$name" "$stage/readme.txt"
mkdir -p "$(dirname "$zip")"
rm -f "$zip"
(cd "$stage" && TZ=UTC zip -q -X "$zip.tmp" "$name" readme.txt)
mv "$zip.tmp" "$zip"
echo "$zip"

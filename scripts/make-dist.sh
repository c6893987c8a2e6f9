#!/usr/bin/env bash
# make-dist.sh ZIP README_UTF8 EXE...: packs each exe under its own name and
# the read-me as readme.txt (converted to CP932 with CR LF, as Notepad on
# Japanese Windows reads it). The dist target packs the taxpayer's zip (the
# tool and the reader) and the desk's (the reader) so.
# With ORVEXENV_SIGN_PKCS12 set, each packed exe is signed (scripts/sign-exe.sh);
# without it the same inputs give the same zip, byte for byte.
set -euo pipefail
zip=$1 readme=$2
shift 2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
names=()
for exe in "$@"; do
  names+=("$(basename "$exe")")
  if [ -n "${ORVEXENV_SIGN_PKCS12:-}" ]; then
    "$(dirname "$0")/sign-exe.sh" "$exe" "$stage/${names[-1]}"
  else
    cp "$exe" "$stage/${names[-1]}"
  fi
done
names+=(readme.txt)
iconv -f UTF-8 -t CP932 "$readme" | sed 's/$/\r/' > "$stage/readme.txt"
# Fixed times and no extra attributes: the same inputs give the same zip.
(cd "$stage" && touch -d "2026-01-01 00:00:00 UTC" "${names[@]}")
mkdir -p "$(dirname "$zip")"
rm -f "$zip"
(cd "$stage" && TZ=UTC zip -q -X "$zip.tmp" "${names[@]}")
mv "$zip.tmp" "$zip"
echo "$zip"

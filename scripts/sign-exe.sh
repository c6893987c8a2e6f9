#!/usr/bin/env bash
# sign-exe.sh IN OUT: writes OUT, the exe IN with an Authenticode signature
# (SHA-256, named after OUT without .exe) made with osslsigncode from the key
# and certificate chain of a PKCS#12 file:
#   ORVEXENV_SIGN_PKCS12         the PKCS#12 file (required)
#   ORVEXENV_SIGN_PASSWORD       its password (may be unset for a file without one)
#   ORVEXENV_SIGN_TIMESTAMP_URL  an RFC 3161 time stamp server; without it the
#                                signature carries only the signing time
# The password reaches osslsigncode through a private file, never its command line.
set -euo pipefail
in=$1 out=$2
: "${ORVEXENV_SIGN_PKCS12:?names no PKCS#12 file}"
[ -f "$ORVEXENV_SIGN_PKCS12" ] || { echo "sign-exe: no such file: $ORVEXENV_SIGN_PKCS12" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign-exe: osslsigncode is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

private=$(umask 077 && mktemp -d)
trap 'rm -rf "$private"' EXIT
options=(-pkcs12 "$ORVEXENV_SIGN_PKCS12" -h sha256 -n "$(basename "$out" .exe)")
if [ -n "${ORVEXENV_SIGN_PASSWORD:-}" ]; then
  printf '%s' "$ORVEXENV_SIGN_PASSWORD" > "$private/password"
  options+=(-readpass "$private/password")
fi
if [ -n "${ORVEXENV_SIGN_TIMESTAMP_URL:-}" ]; then
  options+=(-ts "$ORVEXENV_SIGN_TIMESTAMP_URL")
fi
rm -f "$out"
osslsigncode sign "${options[@]}" -in "$in" -out "$private/signed.exe" >&2
mv "$private/signed.exe" "$out"

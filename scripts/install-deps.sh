#!/usr/bin/env bash
# Installs the compilers, Wine and libraries the build and the tests need.
# Safe to run again: it installs only what is missing.
#
# A package index that is out of step with its release file (a mirror being
# synced) makes `apt-get update` fail for a while: the refresh is tried a few
# times with growing waits, and when it still fails the install is tried from
# the indexes that are there. ORVEX_APT_WAITS (seconds, space-separated) sets
# the waits between refreshes.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
[ -x /usr/lib/wine/wine ] || need+=(wine32:i386)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v python3 >/dev/null || need+=(python3)
[ -d /usr/src/googletest ] || need+=(googletest)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
command -v clang++ >/dev/null || need+=(clang)
ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
# localedef itself comes with libc-bin; the ja_JP sources and charmaps come with locales.
[ -f /usr/share/i18n/locales/ja_JP ] && [ -f /usr/share/i18n/charmaps/UTF-8.gz ] || need+=(locales)
command -v zip >/dev/null || need+=(zip)
command -v unzip >/dev/null || need+=(unzip)
[ -f /usr/share/zoneinfo/Asia/Tokyo ] || need+=(tzdata)
# Signing the release (and its test with a throw-away key).
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v openssl >/dev/null || need+=(openssl)
# The reader's page, rendered in a real browser by its test.
command -v chromium >/dev/null || need+=(chromium)
# Static analysis (scripts/lint.sh).
command -v clang-tidy >/dev/null || need+=(clang-tidy)

if [ ${#need[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

# apt-get update exits 0 even when some index could not be fetched ("Some
# index files failed to download"); its warnings on standard error tell.
refresh() {
  local log
  log=$(mktemp)
  if apt-get update -qq 2>"$log" && ! grep -q '^\(E\|W\): \(Failed to fetch\|Some index files failed\)' "$log"; then
    rm -f "$log"
    return 0
  fi
  sed 's/^/  /' "$log" >&2
  rm -f "$log"
  return 1
}

read -r -a waits <<<"${ORVEX_APT_WAITS-10 30 60}"
refreshed=0
for ((attempt = 0; ; attempt++)); do
  if refresh; then
    refreshed=1
    break
  fi
  [ "$attempt" -lt "${#waits[@]}" ] || break
  echo "install-deps: the package indexes could not all be refreshed; trying again in ${waits[$attempt]} s" >&2
  sleep "${waits[$attempt]}"
done
if [ $refreshed = 0 ]; then
  echo "install-deps: the package indexes are still not all fresh; installing from the ones that are there" >&2
fi

install() { apt-get install -y -qq --no-install-recommends "$@" </dev/null; }
if ! install "${need[@]}"; then
  # One package that cannot be installed (its dependencies in an index that
  # did not refresh, say) need not hold back the others.
  missing=()
  for package in "${need[@]}"; do
    install "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    echo "install-deps: could not install: ${missing[*]}" >&2
    if [ $refreshed = 0 ]; then
      echo "install-deps: a package index is out of step with its mirror (a sync in progress, most likely):" \
        "try again in a few minutes" >&2
    else
      echo "install-deps: see apt-get's messages above" >&2
    fi
    exit 1
  fi
fi

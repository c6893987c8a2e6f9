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

# Each package with what shows that it is installed: commands on the PATH and
# files (absolute paths, globs allowed), all of which must be there. Files are
# looked for under ORVEX_DEPS_ROOT (default: the root), which lets the
# script's own test stand in for a machine.
packages=(
  "g++-mingw-w64-i686    i686-w64-mingw32-g++-posix"
  "g++-mingw-w64-x86-64  x86_64-w64-mingw32-g++-posix"
  "wine64                /usr/lib/wine/wine64"
  "wine32:i386           /usr/lib/wine/wine"
  "cmake                 cmake"
  "g++                   g++"
  "python3               python3"
  "googletest            /usr/src/googletest"
  "libgtest-dev          /usr/include/gtest/gtest.h"
  "libbenchmark-dev      /usr/include/benchmark/benchmark.h"
  "clang                 clang++"
  "libclang-rt-14-dev    /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a"
  # localedef itself comes with libc-bin; the ja_JP sources and charmaps come with locales.
  "locales               /usr/share/i18n/locales/ja_JP /usr/share/i18n/charmaps/UTF-8.gz"
  "zip                   zip"
  "unzip                 unzip"
  "tzdata                /usr/share/zoneinfo/Asia/Tokyo"
  # Signing the release (and its test with a throw-away key).
  "osslsigncode          osslsigncode"
  "openssl               openssl"
  # The reader's page, rendered in a real browser by its test.
  "chromium              chromium"
  # Static analysis (scripts/lint.sh).
  "clang-tidy            clang-tidy"
)

installed() {
  local sign
  for sign in "$@"; do
    case $sign in
      /*) compgen -G "${ORVEX_DEPS_ROOT-}$sign" >/dev/null || return 1 ;;
      *) command -v "$sign" >/dev/null || return 1 ;;
    esac
  done
}

need=()
for entry in "${packages[@]}"; do
  read -r -a fields <<<"$entry"
  installed "${fields[@]:1}" || need+=("${fields[0]}")
done

# Wine's 32-bit loader needs a kernel that runs 32-bit programs; that of some
# virtual machines does not ("Exec format error").
check_32bit_wine() {
  local loader=${ORVEX_DEPS_ROOT-}/usr/lib/wine/wine
  if [ -x "$loader" ] && ! "$loader" --version >/dev/null 2>&1; then
    echo "install-deps: warning: $loader does not run: this machine's kernel runs no 32-bit programs," \
      "so the win32 preset's tests under Wine fail here" >&2
  fi
}

if [ ${#need[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  check_32bit_wine
  exit 0
fi

echo "install-deps: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

# Another apt run (a second checkout setting up at the same time) holds
# dpkg's lock for a while: wait for it rather than fail.
wait_for_lock=(-o DPkg::Lock::Timeout=600)

# apt-get update exits 0 even when some index could not be fetched ("Some
# index files failed to download"); its warnings on standard error tell.
refresh() {
  local log
  log=$(mktemp)
  if apt-get update -qq "${wait_for_lock[@]}" 2>"$log" &&
    ! grep -q '^\(E\|W\): \(Failed to fetch\|Some index files failed\)' "$log"; then
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

install() { apt-get install -y -qq --no-install-recommends "${wait_for_lock[@]}" "$@" </dev/null; }
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
check_32bit_wine

#!/usr/bin/env bash
# Installs the compilers, Wine and libraries the build and the tests need.
# Safe to run again: it installs only what is missing.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
[ -x /usr/lib/wine/wine ] || need+=(wine32:i386)
[ -f /usr/include/picojson.h ] || need+=(picojson-dev)
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
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null

#!/usr/bin/env bash
# Installs the compilers, Wine and libraries the build and the tests need,
# and the npm packages of the tests inside the project. Safe to run again: it
# installs only what is missing.
#
# A package index that is out of step with its release file (a mirror being
# synced) makes `apt-get update` fail for a while: the refresh is tried a few
# times with growing waits, and when it still fails the install is tried from
# the indexes that are there, then without the suites whose indexes failed.
# ORVEX_APT_WAITS (seconds, space-separated) sets the waits between refreshes.
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
  # A Japanese font, so that the page's screenshot can be read.
  "fonts-ipafont-gothic  /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
  # A real terminal for the reader under Wine (its test reads the screen).
  "tmux                  tmux"
  # Static analysis (scripts/lint.sh).
  "clang-tidy            clang-tidy"
  # The reader's records, checked against docs/record.schema.json and loaded
  # into DuckDB through Node.js (tests/reader/run_cases.py).
  "python3-jsonschema    /usr/lib/python3/dist-packages/jsonschema/__init__.py"
  "nodejs                node"
  "npm                   npm"
)

# Folders of the project (from its root) whose npm packages `npm ci` installs
# there, at the exact versions of the folder's package-lock.json. A folder is
# done when npm's record of what it installed (node_modules/.package-lock.json,
# looked for under ORVEX_DEPS_ROOT) is there and no older than the lock file.
npm_folders=(
  # DuckDB, its engine inside the package, for tests/reader/run_cases.py.
  "tests/reader/duckdb"
)
project=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

installed() {
  local sign
  for sign in "$@"; do
    case $sign in
      /*) compgen -G "${ORVEX_DEPS_ROOT-}$sign" >/dev/null || return 1 ;;
      *) command -v "$sign" >/dev/null || return 1 ;;
    esac
  done
}

npm_installed() {
  local record=${ORVEX_DEPS_ROOT-}$project/$1/node_modules/.package-lock.json
  [ -f "$record" ] && ! [ "$project/$1/package-lock.json" -nt "$record" ]
}

# The packages of the table that are not installed, in `need`; the npm
# folders not installed, in `npm_need`.
find_needed() {
  need=() npm_need=()
  local entry fields
  for entry in "${packages[@]}"; do
    read -r -a fields <<<"$entry"
    installed "${fields[@]:1}" || need+=("${fields[0]}")
  done
  for entry in "${npm_folders[@]}"; do
    npm_installed "$entry" || npm_need+=("$entry")
  done
}
find_needed

# Wine's 32-bit loader needs a kernel that runs 32-bit programs; that of some
# virtual machines does not ("Exec format error").
check_32bit_wine() {
  local loader=${ORVEX_DEPS_ROOT-}/usr/lib/wine/wine
  if [ -x "$loader" ] && ! "$loader" --version >/dev/null 2>&1; then
    echo "install-deps: warning: $loader does not run: this machine's kernel runs no 32-bit programs," \
      "so the win32 preset's tests under Wine fail here" >&2
  fi
}

# The npm folders, once the Debian packages (node and npm among them) are in;
# then the end, with exit code 1 when anything could not be installed.
finish() {
  local status=$1 folder
  for folder in "${npm_need[@]}"; do
    echo "install-deps: installing the npm packages of $folder (npm ci)"
    if ! (cd "$project/$folder" && npm ci </dev/null) || ! npm_installed "$folder"; then
      echo "install-deps: could not install the npm packages of $folder: see npm's messages above" >&2
      status=1
    fi
  done
  check_32bit_wine
  exit "$status"
}

if [ ${#need[@]} -eq 0 ]; then
  [ ${#npm_need[@]} -ne 0 ] || echo "install-deps: everything is installed"
  finish 0
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
# The suites whose indexes failed are kept in `stale`, one "URI SUITE" a line.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stale=$work/stale
refresh() {
  local log=$work/update.log
  if apt-get update -qq "${wait_for_lock[@]}" 2>"$log" &&
    ! grep -q '^\(E\|W\): \(Failed to fetch\|Some index files failed\)' "$log"; then
    : >"$stale"
    return 0
  fi
  sed 's/^/  /' "$log" >&2
  sed -n 's|^[EW]: Failed to fetch \([^ ]*\)/dists/\([^/ ]*\)/.*|\1 \2|p' "$log" | sort -u >"$stale"
  return 1
}

# The sources of apt without the stale suites, written to $work/sources. A
# suite whose index for one architecture failed offers the other architecture
# versions that the packages of the first cannot match (wine32:i386 beside
# the amd64 libraries of a security update), so leaving it out for this one
# install gives a consistent set from the suites that did refresh.
without_stale_suites() {
  local etc=${ORVEX_DEPS_ROOT-}/etc/apt file
  mkdir -p "$work/sources/parts"
  : >"$work/sources/sources.list"
  for file in "$etc/sources.list" "$etc"/sources.list.d/*.list "$etc"/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    case $file in
      */sources.list) out=$work/sources/sources.list ;;
      *) out=$work/sources/parts/${file##*/} ;;
    esac
    awk -v stale="$stale" '
      BEGIN { while ((getline line < stale) > 0) { split(line, f, " "); gone[f[1] "/ " f[2]] = 1 } }
      function key(uri, suite) { sub(/\/+$/, "", uri); return uri "/ " suite }
      # One-line form: deb [options] URI SUITE COMPONENT...
      FILENAME ~ /\.list$/ {
        if ($1 !~ /^deb/) { print; next }
        n = 2
        if ($2 ~ /^\[/) { while ($n !~ /\]$/ && n < NF) n++; n++ }
        if (!(key($n, $(n + 1)) in gone)) print
        next
      }
      # deb822 form: stanzas apart by empty lines; the stale suites leave the
      # Suites field, and a stanza left with none is dropped.
      { stanza = stanza $0 "\n" }
      /^[ \t]*$/ { flush(); next }
      END { flush() }
      function flush(   lines, count, i, uris, suites, kept, j, k, u, s, nu, ns, text) {
        count = split(stanza, lines, "\n"); stanza = ""
        for (i = 1; i <= count; i++) {
          if (lines[i] ~ /^URIs:/) uris = substr(lines[i], 6)
          if (lines[i] ~ /^Suites:/) suites = substr(lines[i], 8)
        }
        nu = split(uris, u, " "); ns = split(suites, s, " "); kept = ""
        for (j = 1; j <= ns; j++) {
          for (k = 1; k <= nu; k++) if (key(u[k], s[j]) in gone) break
          if (k > nu) kept = kept " " s[j]
        }
        for (i = 1; i < count; i++) {
          if (lines[i] ~ /^Suites:/) {
            if (kept == "") { text = ""; break }
            lines[i] = "Suites:" kept
          }
          text = text lines[i] "\n"
        }
        printf "%s", text
      }
    ' "$file" >"$out"
  done
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

install() { apt-get install -y -qq --no-install-recommends "${wait_for_lock[@]}" "${from[@]}" "$@" </dev/null; }
from=()
install_needed() {
  install "${need[@]}" && return
  [ -s "$stale" ] && [ ${#from[@]} -eq 0 ] || return 0
  echo "install-deps: installing again without the suites whose indexes did not refresh:" $(cut -d' ' -f2 "$stale") >&2
  without_stale_suites
  from=(-o "Dir::Etc::SourceList=$work/sources/sources.list" -o "Dir::Etc::SourceParts=$work/sources/parts")
  install "${need[@]}" || true
}

# An install from fewer suites can take back a newer library that an
# installed package of the table needs, and so remove that package: whatever
# the table still misses after a round is installed again.
for round in 1 2 3; do
  install_needed
  find_needed
  [ ${#need[@]} -ne 0 ] || break
done
if [ ${#need[@]} -ne 0 ]; then
  # One package that cannot be installed (its dependencies in an index that
  # did not refresh, say) need not hold back the others.
  for package in "${need[@]}"; do
    install "$package" >/dev/null 2>&1 || true
  done
  find_needed
  if [ ${#need[@]} -ne 0 ]; then
    echo "install-deps: could not install: ${need[*]}" >&2
    if [ $refreshed = 0 ]; then
      echo "install-deps: a package index is out of step with its mirror (a sync in progress, most likely):" \
        "try again in a few minutes" >&2
    else
      echo "install-deps: see apt-get's messages above" >&2
    fi
    finish 1
  fi
fi
finish 0

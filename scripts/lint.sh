#!/usr/bin/env bash
# Static analysis: no merge's conflict markers anywhere in the tree, then
# clang-tidy with the checks of .clang-tidy over every .cpp
# of src/, each analysed with the flags it is built with: the portable code
# with the native build's, the Windows-only files with the 32-bit Windows
# build's. Any finding fails. Needs no build, only the two configured trees
# (build/lint/native, build/lint/win32) that it makes itself.
#   scripts/lint.sh [FILE.cpp...]     (default: every .cpp of src/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# A merge's conflict markers first: every check below would read past them.
bash scripts/check_markers.sh
command -v clang-tidy >/dev/null || { echo "lint: clang-tidy is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

# Every check left out of .clang-tidy has its reason in the comment above the list.
for check in $(sed -n '/^Checks:/,/^[A-Za-z]/p' .clang-tidy | tr ', ' '\n\n' | grep -x -- '-[a-z][a-z0-9.-]*'); do
  grep -q "^#   ${check#-} " .clang-tidy || { echo "lint: .clang-tidy leaves out ${check#-} without a reason" >&2; exit 1; }
done

# Compile databases: the presets configured (not built) into trees of their own.
for preset in native win32; do
  cmake --preset "$preset" -B "build/lint/$preset" -DORVEX_TESTS=OFF -DORVEX_UNITY=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DCMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES=OFF >/dev/null
done
database_files() {
  python3 -c 'import json, sys; print("\n".join({e["file"] for e in json.load(open(sys.argv[1]))}))' "$1"
}
native_files=$(database_files build/lint/native/compile_commands.json)
windows_files=$(database_files build/lint/win32/compile_commands.json)
native=() windows=()
while read -r file; do
  if grep -Fxq "$root/$file" <<<"$native_files"; then
    native+=("$file")
  elif grep -Fxq "$root/$file" <<<"$windows_files"; then
    windows+=("$file")
  else
    echo "lint: $file is built by neither the native nor the win32 preset" >&2
    exit 1
  fi
done < <(if [ $# -gt 0 ]; then printf '%s\n' "$@"; else find src -name '*.cpp' | sort; fi)

# clang accepts no execution character set but UTF-8: the build's
# -fexec-charset=CP932 is overridden for analysis (the last one counts), which
# changes nothing but the bytes of the Japanese string literals.
#
# The static analyzer follows a function's paths until it has taken
# max-nodes steps (225000 by default), then leaves the rest of them. Some
# twenty functions of about 190 go past 100000, most of them past 225000 too:
# the standard library and picojson inlined into them. They take three
# quarters of the analysis' time. With a budget of 100000 the analysis takes
# half the time, the other functions are analysed as before, and faults
# planted at the end of the costliest of them are still found.
common=(--quiet "--header-filter=^$(printf '%s' "$root" | sed 's/[]\.[*^$+?(){}|]/\\&/g')/src/"
        --extra-arg=-fexec-charset=UTF-8
        --extra-arg=-Xclang --extra-arg=-analyzer-config --extra-arg=-Xclang --extra-arg=max-nodes=100000)
# The mingw cross compiler's target and headers: clang finds no GCC of its own
# for it, so the compiler's C++ library directories come first and its C
# headers after clang's built-in ones, as in a native clang.
cxx=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[0]["command"].split()[0])' \
  build/lint/win32/compile_commands.json)
mingw=(--extra-arg=--target="$($cxx -dumpmachine)" --extra-arg=-nostdlibinc)
while read -r dir; do
  dir=$(realpath "$dir")
  case $dir in
    */include/c++*) mingw+=(--extra-arg=-isystem"$dir") ;;
    /usr/lib/gcc/*) ;;  # GCC's own built-in headers: clang has its own
    *) mingw+=(--extra-arg=-idirafter"$dir") ;;
  esac
done < <($cxx -v -E -x c++ /dev/null 2>&1 </dev/null | sed -n '/<\.\.\.> search starts/,/^End of search/{/^ /p}')

log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
{
  status=0
  # The portable sources a batch at a time (scripts/lint_batches.py); each
  # stands alone in the native build, which compiles them one at a time.
  rm -rf build/lint/batches
  [ ${#native[@]} -eq 0 ] || python3 scripts/lint_batches.py make build/lint/native/compile_commands.json \
    build/lint/batches "${native[@]}" | xargs -r -n 1 -P 2 clang-tidy -p build/lint/batches "${common[@]}" 2>&1 \
    | python3 scripts/lint_batches.py map build/lint/batches || status=1
  printf '%s\n' "${windows[@]}" | xargs -r -n 1 -P 2 clang-tidy -p build/lint/win32 "${common[@]}" "${mingw[@]}" \
    || status=1
  exit $status
} 2>&1 | grep -v -E '^[0-9]+ (warning|error)s? (and [0-9]+ (warning|error)s? )?generated\.$' | tee "$log"
status=${PIPESTATUS[0]}
set -e
# A finding in a header shows once for each file that includes it: count it once.
findings=$({ grep -E '^[^ ].*: (warning|error): .*\[[^]]+\]$' "$log" || true; } | sort -u | wc -l)
files="${#native[@]} portable and ${#windows[@]} Windows-only files"
if [ "$findings" -ne 0 ]; then
  echo "lint: $findings findings in $files"
  exit 1
elif [ "$status" -ne 0 ]; then
  echo "lint: clang-tidy failed on $files"
  exit 1
fi
echo "lint: no findings in $files"

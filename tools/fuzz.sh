#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the fuzz targets with clang into build-fuzz
# and runs each for SECONDS (default 60) over a fresh copy of its seed corpus.
# Exits 1 when a target crashes, leaks, hangs or runs out of memory; the input
# that did it stays in build-fuzz/findings/<target>/ (kept across runs). Needs
# clang and its libFuzzer runtime, of whichever release this is (Debian
# packages clang libclang-rt-dev llvm).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || [ $# -gt 1 ]; then
  echo "usage: tools/fuzz.sh [SECONDS]" >&2
  exit 2
fi

# NAME itself, else the newest NAME-N on PATH (clang-19, clang-14, ...).
newest() {
  local found
  found=$(command -v "$1") ||
    found=$(compgen -c "$1-" | while read -r c; do
      [[ ${c#"$1"-} =~ ^[0-9]+$ ]] && echo "$c"
    done | sort -t- -k2,2n | tail -n 1)
  [ -n "$found" ] && command -v "$found"
}

tools/deps.sh test
cc=${CC:-$(newest clang)}
cxx=${CXX:-$(newest clang++)}
if [ -z "$cc" ] || [ -z "$cxx" ]; then
  echo "fuzz.sh: clang is missing (Debian packages clang libclang-rt-dev llvm)" >&2
  exit 2
fi
# Whichever release this is, the compiler must link libFuzzer itself.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log"; then
  cat "$probe/log" >&2
  echo "fuzz.sh: $cxx cannot link libFuzzer (Debian package libclang-rt-dev)" >&2
  exit 2
fi
# Stacks name functions and lines only with a symbolizer: the one that came
# with this clang.
symbolizer=$("$cxx" -print-prog-name=llvm-symbolizer)
if [ -x "$symbolizer" ] || symbolizer=$(command -v "$symbolizer"); then
  export ASAN_SYMBOLIZER_PATH="$symbolizer"
fi
export UBSAN_OPTIONS=print_stacktrace=1

build="build-fuzz"
CC="$cc" CXX="$cxx" cmake -S fuzz -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"
# The targets' own checks and each seed run once, before any fuzzing.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The visible entries of a folder, as ls lists them.
entries() { find "$1" -mindepth 1 -maxdepth 1 ! -name '.*' | wc -l; }

status=0
for target in document render; do
  name=fuzz_$target
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/$name.log
  rm -rf "$corpus"
  mkdir -p "$corpus" "$findings"
  cp -R "fuzz/corpus/$target/." "$corpus"
  touch "$build/$name.start"
  echo "== $name: ${seconds}s over $(entries "$corpus") seeds, log in $log"
  set +e
  "$build/$name" "$corpus" -dict=fuzz/vlx.dict -max_total_time="$seconds" \
    -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$name: ${runs:-unknown} executions, corpus $(entries "$corpus") inputs, exit $rc"
  if [ $rc -ne 0 ]; then
    status=1
    grep -E -A40 '^(FAILED|==[0-9]+==ERROR|SUMMARY)|runtime error' "$log" | head -n 80 || true
    echo "$name: failed; the input is kept in $findings:"
    find "$findings" -type f -newer "$build/$name.start" -exec ls -l {} +
  fi
done
exit $status

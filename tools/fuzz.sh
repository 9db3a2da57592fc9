#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the fuzz targets with clang into build-fuzz
# and runs each for SECONDS (default 60) over a fresh copy of its seed corpus.
# Exits 1 when a target crashes, leaks, hangs or runs out of memory; the input
# that did it stays in build-fuzz/findings/<target>/ (kept across runs). Needs clang and its
# libFuzzer runtime (Debian 12: clang-14 libclang-rt-14-dev llvm-14).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || [ $# -gt 1 ]; then
  echo "usage: tools/fuzz.sh [SECONDS]" >&2
  exit 2
fi

first_found() {
  for c in "$@"; do
    if command -v "$c" >/dev/null 2>&1; then
      command -v "$c"
      return
    fi
  done
}

tools/deps.sh test
cc=${CC:-$(first_found clang clang-14)}
cxx=${CXX:-$(first_found clang++ clang++-14)}
if [ -z "$cc" ] || [ -z "$cxx" ]; then
  echo "fuzz.sh: clang is missing; on Debian 12 install clang-14 libclang-rt-14-dev llvm-14" >&2
  exit 2
fi
runtime="$("$cxx" -print-resource-dir)/lib/linux/libclang_rt.fuzzer-$(uname -m).a"
if [ ! -f "$runtime" ]; then
  echo "fuzz.sh: $runtime is missing; on Debian 12 install libclang-rt-14-dev" >&2
  exit 2
fi
# Stacks name functions and lines only with a symbolizer.
symbolizer=$(first_found llvm-symbolizer llvm-symbolizer-14)
if [ -n "$symbolizer" ]; then
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

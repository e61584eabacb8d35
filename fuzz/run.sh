#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for SECONDS (default 60) on its seed corpus.
# Fails on any crash, leak, sanitizer report or input that takes too long; the input at fault is
# kept under the build folder's fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFD_BUILD_FUZZ=ON -DFD_BUILD_UI=OFF -DFD_BUILD_TESTS=OFF -DFD_WERROR="${FD_WERROR:-OFF}" >/dev/null
cmake --build "$build" --target fuzzers

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/fuzz-artifacts"
failed=()
for seeds in fuzz/corpus/*/; do
  name=$(basename "$seeds")
  # New inputs go to a working corpus in the build folder; the committed seeds stay as they are.
  work="$build/fuzz-corpus/$name"
  mkdir -p "$work"
  output="$build/fuzz-artifacts/$name.log"
  echo "fuzz_$name: ${seconds} s"
  if "$build/fuzz/fuzz_$name" "$work" "$seeds" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-artifacts/$name-" >"$output" 2>&1; then
    grep -E "^#[0-9]+[[:space:]]+DONE" "$output" | tail -1 || true
  else
    failed+=("$name")
    tail -n 60 "$output"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzers that failed: ${failed[*]} (inputs and logs in $build/fuzz-artifacts/)" >&2
  exit 1
fi

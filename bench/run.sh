#!/bin/bash
# Builds the benchmarks in Release (build/bench), runs the in-process benchmarks and the
# whole-process comparisons, and prints every ratio and figure against its target.
#
#   bench/run.sh                 everything
#   bench/run.sh --quick         one repetition of each in-process benchmark
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
# Google Benchmark, and bsdtar for the extractor comparison.
"$repo/scripts/install-deps.sh" libbenchmark-dev libarchive-tools
build=$repo/build/bench
repetitions=5
[[ ${1:-} == --quick ]] && repetitions=1

# GCC 12 reports -Wrestrict and -Wmaybe-uninitialized falsely in optimised builds (inlined
# std::string concatenation, std::optional); they stay warnings here instead of failing it.
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFD_BUILD_UI=OFF \
  -DFD_BUILD_BENCH=ON "-DCMAKE_CXX_FLAGS=-Wno-error=restrict -Wno-error=maybe-uninitialized" >/dev/null
ninja -C "$build" updater_bench mkrar winrar >/dev/null

echo "== Machine"
echo "$(nproc) processors: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "$(free -g | awk '/Mem:/ {print $2}') GB; load average now: $(cut -d' ' -f1-3 /proc/loadavg)"
if (exec 3<>/dev/tcp/127.0.0.1/1433) 2>/dev/null; then
  echo "warning: something listens on 127.0.0.1:1433; start-up is not measured with the server down"
fi

echo "== In-process benchmarks (median of $repetitions, interleaved)"
"$build/bench/updater_bench" --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_counters_tabular=true

echo
echo "== Whole-process comparisons (median of $repetitions, alternating)"
work=$(mktemp -d /tmp/fd-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Seconds, with nanoseconds, that a command takes.
elapsed() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000))e-6"
}

median() {
  sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# One extraction into a folder never used before (ext4 without a journal passes over inodes freed
# seconds ago, so reusing a just-emptied folder would charge one tool for the other's deletions).
extract_once() {  # tool archive folder
  mkdir -p "$3"
  sync
  if [[ $1 == winrar ]]; then
    elapsed "$build/bin/Winrar95.exe" e -o+ "$2" "$3/"
  else
    elapsed bsdtar -xf "$2" -C "$3"
  fi
}

sum() { awk -v a="$1" -v b="$2" 'BEGIN {print a + b}'; }

compare() {  # label archive repeat-each limit
  local label=$1 archive=$2 each=$3 limit=$4 w=() b=() i j t
  for ((i = 0; i < repetitions; i++)); do
    t=0
    for ((j = 0; j < each; j++)); do t=$(sum "$t" "$(extract_once winrar "$archive" "$work/out/w$i-$j")"); done
    w+=("$t")
    t=0
    for ((j = 0; j < each; j++)); do t=$(sum "$t" "$(extract_once bsdtar "$archive" "$work/out/b$i-$j")"); done
    b+=("$t")
  done
  rm -rf "$work/out"
  local wm bm
  wm=$(printf '%s\n' "${w[@]}" | median)
  bm=$(printf '%s\n' "${b[@]}" | median)
  awk -v l="$label" -v w="$wm" -v b="$bm" -v lim="$limit" 'BEGIN {
    r = w / b
    printf "%-60s Winrar95.exe %.3f s, bsdtar %.3f s: ratio %.3f", l, w, b, r
    if (lim > 0) printf " (at most %.2f: %s)", lim, (r <= lim ? "met" : "MISSED")
    printf "\n" }'
}

# 2,000 files of 100 KB that do not compress, in one RAR 5.0 archive written by mkrar.
mkdir -p "$work/files"
head -c $((2000 * 102400)) /dev/urandom | split -b 102400 -d -a 4 - "$work/files/Modulo"
(cd "$work/files" && "$build/bin/mkrar" "$work/stored.rar" Modulo*)
rm -rf "$work/files"
compare "2,000 x 100 KB stored (mkrar, 200 MB), one extraction" "$work/stored.rar" 1 1.2
# A small archive made by RAR itself with compression, 100 extractions in a row.
compare "RAR-compressed 14 KB archive (tests/data), 100 extractions" \
  "$repo/tests/data/rar/test_read_format_rar_compress_normal.rar" 100 0

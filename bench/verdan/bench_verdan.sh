#!/bin/sh
# Benchmark of verdan on generated data: RHS per second, peak RSS, and the
# ratio of verdan's time to copying the input file twice with cp in the same
# run (absolute times drift on shared machines; the ratio travels better).
#
# Usage: bench/verdan/bench_verdan.sh [--count N] [--runs R] [--seed S]
#                                     [--build-dir DIR] [--keep]
#   --count N       RHS lines to generate (default 1000000), all six formats
#   --runs R        timed runs of each command; the best is kept (default 3)
#   --build-dir DIR a release build to use (default: build/release, configured
#                   and built here with the release preset)
#   --keep          keep the temporary program directory
set -eu

count=1000000
runs=3
seed=2003
build_dir=
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --count) count=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "bench_verdan: error: unknown option '$1'" >&2; exit 2 ;;
  esac
done

src=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "$build_dir" ]; then
  build_dir=$src/build/release
  (cd "$src" && cmake --preset release >/dev/null && cmake --build build/release -j2 >/dev/null)
fi
prog=$build_dir/prog
for f in verdan rhsgen; do
  if [ ! -x "$prog/$f" ]; then
    echo "bench_verdan: error: '$prog/$f' not built" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "bench_verdan: error: /usr/bin/time missing (Debian package 'time')" >&2
  exit 1
fi

# A program directory of its own: verdan, its tables, and wks/.
dir=$(mktemp -d "${TMPDIR:-/tmp}/bench_verdan.XXXXXX")
[ "$keep" = 1 ] || trap 'rm -rf "$dir"' EXIT INT TERM
cp "$prog/verdan" "$dir/"
found_tables=0
for t in "$prog"/*.tab; do
  [ -e "$t" ] || continue
  cp "$t" "$dir/"
  found_tables=1
done
[ "$found_tables" = 1 ] || echo "bench_verdan: warning: no table files in '$prog'" >&2
mkdir "$dir/wks"
input=$dir/wks/'$$$in.srt'

"$prog/rhsgen" --seed "$seed" --count "$count" --semester 1 --year 2003 \
  --format-errors 0.005 --blocking 0.01 --non-blocking 0.02 --sequence 0.02 \
  --out-of-period 0.01 --ccam-v0 0.01 --output "$input"
bytes=$(wc -c < "$input")

now() { date +%s.%N; }
best=
# best_of CMD...: runs CMD $runs times, prints the shortest wall time.
best_of() {
  best=
  i=0
  while [ $i -lt "$runs" ]; do
    t0=$(now)
    "$@"
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    i=$((i + 1))
  done
  echo "$best"
}

cat "$input" > /dev/null  # warm the page cache for both measurements
copy_twice() {
  cp "$input" "$dir/copy1"
  cp "$input" "$dir/copy2"
  rm -f "$dir/copy1" "$dir/copy2"
}
t_cp=$(best_of copy_twice)

run_verdan() {
  (cd "$dir" && ./verdan RHS.TXT bench 1 2003 0 > /dev/null 2>&1) || status=$?
}
status=0
t_verdan=$(best_of run_verdan)
# Peak memory, from one more run under /usr/bin/time -v.
(cd "$dir" && /usr/bin/time -v ./verdan RHS.TXT bench 1 2003 0 > /dev/null 2> "$dir/time.txt") || status=$?
rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): *//p' "$dir/time.txt")
exit_code=$(sed -n 's/.*Exit status: *//p' "$dir/time.txt")

rate=$(echo "$count / $t_verdan" | bc -l)
ratio=$(echo "$t_verdan / $t_cp" | bc -l)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo 2>/dev/null | head -1)
printf 'machine        : %s, %s cores\n' "${cpu:-unknown}" "$(nproc)"
printf 'input          : %s RHS, %s bytes (seed %s, six formats)\n' "$count" "$bytes" "$seed"
printf 'verdan         : %.3f s (best of %s), exit code %s\n' "$t_verdan" "$runs" "$exit_code"
printf 'RHS per second : %.0f\n' "$rate"
printf 'peak RSS       : %s kB\n' "$rss_kb"
printf 'cp twice       : %.3f s (best of %s)\n' "$t_cp" "$runs"
printf 'verdan / cp x2 : %.2f\n' "$ratio"
if [ "$exit_code" != 0 ]; then
  echo "bench_verdan: error: verdan ended with exit code $exit_code; the figures above do not measure a full run. End of its log:" >&2
  tail -n 5 "$dir/wks/bench.log" 2>/dev/null | iconv -f WINDOWS-1252 -t UTF-8 | tr -d '\r' >&2 || true
  echo >&2
  exit 1
fi

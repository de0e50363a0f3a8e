#!/bin/bash
# sortsol against GNU sort on generated RHS files (M01, CR LF), with the keys
# of the front end's RHS job:
#   KEY(String,ASC,0,12,7) KEY(String,ASC,0,76,4) KEY(UIntS,ASC,0,74,2)
#   KEY(Date,ASC,0,54,"DDMMYYYY") KEY(Date,ASC,0,64,"DDMMYYYY")
# GNU sort gets the same order with `LC_ALL=C sort -s -t TAB` (no tab in the
# records, so the whole line is field 1 and blanks are plain bytes) and
# character positions counted from 1. A DDMMYYYY date becomes three keys,
# year, month, day: the generated dates are valid or all blank, and a blank
# part sorts before any digit as bytes, as a blank date sorts before every
# date in sortsol. The week number is compared numerically (n) as UIntS does.
#
# Usage: run_bench.sh [BUILD_DIR] [WORK_DIR]   (BUILD_DIR: build/bench)
# Env: SIZES="1000000" sizes compared with GNU sort; BIG=10000000 the size
# sorted with a 64 MB budget (BIG=0 skips it); GNU_BIG=1 also runs GNU sort
# on it.
set -euo pipefail
build=${1:-build/bench}
work=${2:-${TMPDIR:-/tmp}/sortsol-bench}
gen=$build/bench/sortsol/sortsol_bench_rhs
tool=$build/prog/sortsol
mkdir -p "$work"

keys_gnu=(-k1.13,1.19 -k1.77,1.80 -k1.75,1.76n -k1.59,1.62 -k1.57,1.58 -k1.55,1.56 -k1.69,1.72 -k1.67,1.68 -k1.65,1.66)

write_job_file() {  # write_job_file INPUT OUTPUT > file: the RHS job's statements
  printf 'INPUTFILE(%s)\r\nOUTPUTFILE(%s )\r\nFILETYPE(DELIMITED,"0x00" ,"0x0D,0x0A")\r\n' "$1" "$2"
  printf 'KEY(String,ASC,0,12,7)\r\nKEY(String,ASC,0,76,4)\r\nKEY(UIntS,ASC,0,74,2)\r\n'
  printf 'KEY(Date,ASC,0,54,"DDMMYYYY")\r\nKEY(Date,ASC,0,64,"DDMMYYYY")\r\n'
}

# measure LOG CMD...: runs CMD under /usr/bin/time -v; prints "seconds peak_kib"
measure() {
  local log=$1
  shift
  /usr/bin/time -v "$@" >"$log.out" 2>"$log"
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$log")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  echo "$wall $rss"
}

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {print int($2/1024) " MiB"}' /proc/meminfo); $(sort --version | head -1)"
for n in ${SIZES:-1000000}; do
  in=$work/rhs_$n.txt
  [ -s "$in" ] || "$gen" "$n" >"$in"
  write_job_file "$in" "$work/sortsol_$n.srt" >"$work/job1_$n.ssp"
  cp_time=$(measure "$work/cp.log" cp "$in" "$work/copy_$n.txt" | cut -d' ' -f1)
  read -r ours ours_rss < <(measure "$work/ours.log" env SORTSOL_MEMORY_MB=256 "$tool" "$work/job1_$n.ssp")
  read -r gnu gnu_rss < <(measure "$work/gnu.log" env LC_ALL=C sort -s -t $'\t' "${keys_gnu[@]}" -o "$work/gnu_$n.srt" "$in")
  read -r gnu1 gnu1_rss < <(measure "$work/gnu1.log" env LC_ALL=C sort --parallel=1 -s -t $'\t' "${keys_gnu[@]}" -o "$work/gnu1_$n.srt" "$in")
  cmp "$work/sortsol_$n.srt" "$work/gnu_$n.srt" && same=identical || same=DIFFERENT
  cmp -s "$work/gnu_$n.srt" "$work/gnu1_$n.srt" || same="$same (gnu runs differ!)"
  echo "$n records, $(($(stat -c %s "$in") / 1048576)) MiB: outputs $same"
  cat "$work/ours.log.out"
  printf '  copy (cp)                    %6.2f s\n' "$cp_time"
  printf '  sortsol, 256 MB budget       %6.2f s  peak %6d MiB\n' "$ours" $((ours_rss / 1024))
  printf '  GNU sort -s (2 threads)      %6.2f s  peak %6d MiB\n' "$gnu" $((gnu_rss / 1024))
  printf '  GNU sort -s --parallel=1     %6.2f s  peak %6d MiB\n' "$gnu1" $((gnu1_rss / 1024))
  awk -v a="$ours" -v b="$gnu" -v c="$gnu1" -v d="$cp_time" 'BEGIN {
    printf "  ratio sortsol / GNU sort: %.2f (2 threads), %.2f (1 thread); sortsol / cp: %.1f\n", a / b, a / c, a / d }'
  rm -f "$work/copy_$n.txt" "$work/gnu1_$n.srt"
done

big=${BIG:-10000000}
if [ "$big" != 0 ]; then
  in=$work/rhs_$big.txt
  [ -s "$in" ] || "$gen" "$big" >"$in"
  write_job_file "$in" "$work/sortsol_$big.srt" >"$work/job1_$big.ssp"
  read -r ours ours_rss < <(measure "$work/big.log" env SORTSOL_MEMORY_MB=64 "$tool" "$work/job1_$big.ssp")
  echo "$big records, $(($(stat -c %s "$in") / 1048576)) MiB, SORTSOL_MEMORY_MB=64:"
  cat "$work/big.log.out"
  printf '  sortsol                      %6.2f s  peak %6d MiB\n' "$ours" $((ours_rss / 1024))
  if [ "${GNU_BIG:-0}" = 1 ]; then
    read -r gnu gnu_rss < <(measure "$work/gnubig.log" env LC_ALL=C sort -S 64M -s -t $'\t' "${keys_gnu[@]}" -o "$work/gnu_$big.srt" "$in")
    cmp "$work/sortsol_$big.srt" "$work/gnu_$big.srt" && same=identical || same=DIFFERENT
    printf '  GNU sort -S 64M              %6.2f s  peak %6d MiB  outputs %s\n' "$gnu" $((gnu_rss / 1024)) "$same"
  fi
fi

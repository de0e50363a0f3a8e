#!/usr/bin/env python3
"""Whole-program timings of etape1 and etape2 at a large size.

Makes N stays (default 1,000,000): a link file and an SRHA chaining file
(srhab.$$$.srt, in stay order) of N lines, then with chaingen the ANO-HOSP and
HOSP-PMSI files of N records each. Times etape1 on those, sorts its ANO-PMSI
file on the stay number as sort job 6 would, times etape2, and gives each time
as a ratio to copying the same program's inputs with cp in the same run (best
of --runs). Usage: bench_chaining.py PROGRAM_DIR [--stays N] [--runs R] [--keep DIR]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time


def best_of(runs, argv, cwd=None, before=None):
    best = None
    for _ in range(runs):
        if before:
            before()
        t = time.perf_counter()
        subprocess.run(argv, cwd=cwd, check=True)
        t = time.perf_counter() - t
        best = t if best is None else min(best, t)
    return best


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write(b"\r\n".join(lines) + b"\r\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program_dir")
    ap.add_argument("--stays", type=int, default=1_000_000)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--keep")
    a = ap.parse_args()
    prog = os.path.abspath(a.program_dir)
    root = a.keep or tempfile.mkdtemp(prefix="bench_chaining_")
    wks = os.path.join(root, "wks")
    copy_dir = os.path.join(root, "copy")
    os.makedirs(wks, exist_ok=True)
    os.makedirs(copy_dir, exist_ok=True)
    for name in ("etape1", "etape2", "libcrclavix.so"):
        shutil.copy(os.path.join(prog, name), root)

    rng = random.Random(1)
    n = a.stays
    link, srha, rha = [], [], []
    for i in range(n):
        stay = b"%07d" % (i + 1)
        link.append(stay + (b"%014d" % rng.randrange(10**14)).ljust(20))
        days = rng.randrange(1, 200)
        monday = b"%02d%02d%04d" % (rng.randrange(1, 29), rng.randrange(1, 13), rng.choice((2009, 2010)))
        srha.append(stay + monday + b"012010" + b"750712184M31240" + b"%07d" % (i + 1) + b"1" +
                    b"%03d" % days + b"8687101010101" + b"%03d" % days + b"01" + b"%03d" % days + b"014")
        rha.append(b"750712184M3124" + b"%07d" % (i + 1) + b"0" * 60)
    write_lines(os.path.join(root, "link.txt"), link)
    write_lines(os.path.join(wks, "srhab.$$$.srt"), srha)
    write_lines(os.path.join(wks, "bench.rha.orig"), rha)
    del link, srha, rha
    subprocess.run([os.path.join(prog, "chaingen"), "--link", os.path.join(root, "link.txt"),
                    "--ano-hosp", os.path.join(wks, "anohosp1.srt"),
                    "--hosp-pmsi", os.path.join(wks, "hospmsi1.srt")], check=True)

    ano_hosp, hosp_pmsi = os.path.join(wks, "anohosp1.srt"), os.path.join(wks, "hospmsi1.srt")
    cp1 = best_of(a.runs, ["cp", ano_hosp, hosp_pmsi, copy_dir])
    e1 = best_of(a.runs, [os.path.join(root, "etape1"), ano_hosp, hosp_pmsi], cwd=root)

    # Sort job 6: ANO-PMSI on the stay number (positions 22-28).
    with open(os.path.join(wks, "ANO-PMSI.$$$"), "rb") as f:
        lines = f.read().split(b"\r\n")[:-1]
    lines.sort(key=lambda l: l[22:29])
    write_lines(os.path.join(wks, "ano-pmsi.$$$.srt"), lines)
    del lines

    rha = os.path.join(wks, "bench.rha")
    fresh_rha = lambda: shutil.copy(os.path.join(wks, "bench.rha.orig"), rha)
    fresh_rha()
    inputs2 = [os.path.join(wks, "ano-pmsi.$$$.srt"), os.path.join(wks, "srhab.$$$.srt"), rha]
    cp2 = best_of(a.runs, ["cp"] + inputs2 + [copy_dir])
    e2 = best_of(a.runs, [os.path.join(root, "etape2"), "bench"], cwd=root, before=fresh_rha)

    size = lambda paths: sum(os.path.getsize(p) for p in paths) / 1e6
    print(f"stays: {n}   machine: {os.cpu_count()} cores, {os.uname().sysname} {os.uname().release}")
    print(f"etape1: {e1:.3f} s   cp of its inputs ({size([ano_hosp, hosp_pmsi]):.0f} MB): {cp1:.3f} s   ratio {e1 / cp1:.2f}")
    print(f"etape2: {e2:.3f} s   cp of its inputs ({size(inputs2):.0f} MB): {cp2:.3f} s   ratio {e2 / cp2:.2f}")
    if not a.keep:
        shutil.rmtree(root)


if __name__ == "__main__":
    sys.exit(main())

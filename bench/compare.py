#!/usr/bin/env python3
"""Times Tessarim against peer tools on the same input, in one run.

    bench/compare.py [--build build] [--runs 7] [--only NAME ...]

Each scenario builds its input from the bundled samples, then runs Tessarim
and the peer alternately (so both see the same machine state), file to file,
and reports the median wall time of each, their ratio and Tessarim's peak
memory (maximum resident set size of the process).
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
MB = 1000 * 1000


def run(command, stdout_path=None):
    """Runs a command; returns (seconds, peak memory in KiB)."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    finally:
        if stdout_path:
            out.close()
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode not in (0,):
        sys.exit(f"{command[0]} failed ({process.returncode}): {process.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss


def repeat_to(sample_bytes, size):
    """The sample repeated to at least size bytes."""
    count = -(-size // len(sample_bytes))
    return sample_bytes * count


def sample_text():
    with open(os.path.join(ROOT, "samples", "sample_gbk.txt"), "rb") as f:
        return f.read().decode("cp936")


def compare(name, ours, peer, runs, ours_out=None, peer_out=None, target=None):
    """Alternates the two commands; prints medians, ratio and peak memory."""
    ours_times, peer_times, peaks = [], [], []
    run(ours, ours_out)  # warm the page cache for both
    run(peer, peer_out)
    for _ in range(runs):
        t, peak = run(ours, ours_out)
        ours_times.append(t)
        peaks.append(peak)
        t, _ = run(peer, peer_out)
        peer_times.append(t)
    ours_median = statistics.median(ours_times)
    peer_median = statistics.median(peer_times)
    ratio = peer_median / ours_median
    verdict = ""
    if target:
        verdict = "  target >= %gx: %s" % (target, "met" if ratio >= target else "MISSED")
    print(f"{name}")
    print(f"  tessarim  median {ours_median * 1000:9.1f} ms   peak memory {max(peaks) / 1024:6.1f} MiB")
    print(f"  {peer[0]:<9} median {peer_median * 1000:9.1f} ms")
    print(f"  ratio {ratio:.1f}x{verdict}")
    return ratio


def scenario_gbk_to_big5(tessarim, work, runs):
    source = os.path.join(work, "gbk40.txt")
    with open(source, "wb") as f:
        f.write(repeat_to(sample_text().encode("cp936"), 40 * MB))
    compare("GBK -> Big5, 40 MB file (tessarim /i:gbk /o:big5 vs iconv -c -f GBK -t BIG5)",
            [tessarim, "/i:gbk", "/o:big5", source, os.path.join(work, "ours.b5")],
            ["iconv", "-c", "-f", "GBK", "-t", "BIG5", source], runs,
            peer_out=os.path.join(work, "peer.b5"), target=3)


SCENARIOS = {
    "gbk-big5": scenario_gbk_to_big5,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--only", nargs="*", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    tessarim = os.path.join(os.path.abspath(args.build), "tessarim")
    with tempfile.TemporaryDirectory(prefix="tessarim-bench-") as work:
        home = os.path.join(work, "home")
        os.makedirs(home)
        os.environ["TESSARIM_HOME"] = home
        for name in args.only or SCENARIOS:
            SCENARIOS[name](tessarim, work, args.runs)
            print()


if __name__ == "__main__":
    main()

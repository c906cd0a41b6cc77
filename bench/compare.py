#!/usr/bin/env python3
"""Times Tessarim against peer tools on the same input, in one run.

    bench/compare.py [--build build] [--runs 7] [--only NAME ...]

Each scenario builds its input from the bundled samples, then runs Tessarim
and the peer alternately (so both see the same machine state), file to file,
every run writing a new output file, and reports the median wall time of
each, their ratio and Tessarim's peak memory (maximum resident set size).
"""
import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
MB = 1000 * 1000
MEMORY_LIMIT_KIB = 16 * 1024


def remove(path):
    if os.path.exists(path):
        os.remove(path)


def run(command, output):
    """Runs a command that writes output (removed first); returns the seconds taken."""
    remove(output)
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed ({result.returncode}): {result.stderr.decode()}")
    return elapsed


def peak_memory(command, output):
    """The process's own maximum resident set size in KiB, as /usr/bin/time reports it."""
    remove(output)
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    return int(result.stderr.decode().strip().splitlines()[-1])


def repeat_to(sample, size):
    """The sample repeated to at least size bytes."""
    return sample * -(-size // len(sample))


def sample_text():
    with open(os.path.join(ROOT, "samples", "sample_gbk.txt"), "rb") as f:
        simplified = f.read().decode("cp936")
    with open(os.path.join(ROOT, "samples", "sample_big5.txt"), "rb") as f:
        traditional = f.read().decode("cp950")
    return simplified, traditional


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def compare(title, ours, ours_out, peer, peer_out, runs, target):
    """Alternates the two commands; prints medians, ratio and peak memory."""
    run(ours, ours_out)  # warm the page cache for both
    run(peer, peer_out)
    ours_times, peer_times = [], []
    for _ in range(runs):
        ours_times.append(run(ours, ours_out))
        peer_times.append(run(peer, peer_out))
    ours_median = statistics.median(ours_times)
    peer_median = statistics.median(peer_times)
    ratio = peer_median / ours_median
    memory = peak_memory(ours, ours_out)
    print(title)
    print(f"  tessarim   median {ours_median * 1000:9.2f} ms   peak memory {memory / 1024:5.1f} MiB")
    print(f"  {os.path.basename(peer[0]):<10} median {peer_median * 1000:9.2f} ms")
    print(f"  ratio {ratio:.2f}x   target >= {target}x: {'met' if ratio >= target else 'MISSED'}")
    return ratio >= target


def scenario_gbk_to_big5(ctx):
    ctx.without_tables()
    simplified, _ = sample_text()
    source = write(ctx.path("gbk40.txt"), repeat_to(simplified.encode("cp936"), 40 * MB))
    return compare(
        "GBK -> Big5, 40 MB (tessarim /i:gbk /o:big5 vs iconv -c -f GBK -t BIG5)",
        [ctx.tessarim, "/i:gbk", "/o:big5", source, ctx.path("ours.b5")], ctx.path("ours.b5"),
        ["iconv", "-c", "-f", "GBK", "-t", "BIG5", source, "-o", ctx.path("peer.b5")],
        ctx.path("peer.b5"), ctx.runs, 3)


def make_big5_fix_table(path, simplified, traditional, entries=20000, seed=1):
    """A realistic user table: keys of two to four characters drawn from the
    sample text (in Big5, as the table road writes it), each replaced by the
    same characters in another order."""
    rng = random.Random(seed)
    chars = sorted({c for c in traditional + simplified.encode("cp936").decode("cp936")
                    if "\u4e00" <= c <= "\u9fff"} & set(traditional))
    text = [c for c in traditional if c in chars]
    keys = set()
    while len(keys) < entries:
        length = rng.randint(2, 4)
        if rng.random() < 0.5:
            start = rng.randrange(len(text) - length)
            key = "".join(text[start:start + length])
        else:
            key = "".join(rng.choice(chars) for _ in range(length))
        keys.add(key)
    lines = ["Tessarim fix table", "Find,Replace"]
    for key in sorted(keys):
        lines.append(key + "," + key[::-1])
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp950"))


def compare_with_opencc(ctx, tables):
    """GBK to Big5 of 40 MB against opencc -c s2tw on the same text in UTF-8.
    compare()'s warm-up run builds the table's index (writing the default table
    first when the settings folder has none), so the timed runs load a current
    one."""
    simplified, _ = sample_text()
    gbk = repeat_to(simplified.encode("cp936"), 40 * MB)
    source = write(ctx.path("gbk40.txt"), gbk)
    utf8 = write(ctx.path("utf8-40.txt"), gbk.decode("cp936").encode("utf-8"))
    return compare(
        f"GBK -> Big5 with {tables}, 40 MB (vs opencc -c s2tw on the same text in UTF-8)",
        [ctx.tessarim, "/i:gbk", "/o:big5", source, ctx.path("ours.b5")], ctx.path("ours.b5"),
        ["opencc", "-c", "s2tw", "-i", utf8, "-o", ctx.path("peer.txt")],
        ctx.path("peer.txt"), max(3, ctx.runs // 2), 10)


def scenario_fix_table(ctx):
    simplified, traditional = sample_text()
    make_big5_fix_table(os.path.join(ctx.home, "b5fix.dat"), simplified, traditional)
    return compare_with_opencc(ctx, "a 20,000-entry Big5 fix table")


def scenario_shipped_tables(ctx):
    return compare_with_opencc(ctx, "the shipped correction tables")


def scenario_gbk_to_utf8(ctx):
    ctx.without_tables()
    simplified, _ = sample_text()
    source = write(ctx.path("gbk40.txt"), repeat_to(simplified.encode("cp936"), 40 * MB))
    return compare(
        "GBK -> UTF-8, typeface D, 40 MB (vs iconv -f GBK -t UTF-8)",
        [ctx.tessarim, "/i:gbk", "/o:utf8", "/f:d", source, ctx.path("ours.u8")],
        ctx.path("ours.u8"),
        ["iconv", "-f", "GBK", "-t", "UTF-8", source, "-o", ctx.path("peer.u8")],
        ctx.path("peer.u8"), ctx.runs, 2)


def scenario_utf8_traditional(ctx):
    simplified, _ = sample_text()
    source = write(ctx.path("utf8-50.txt"), repeat_to(simplified.encode("utf-8"), 50 * MB))
    return compare(
        "UTF-8 -> UTF-8 Traditional, 50 MB (tessarim /i:utf8 /o:utf8 /f:t vs opencc -c s2tw)",
        [ctx.tessarim, "/i:utf8", "/o:utf8", "/f:t", source, ctx.path("ours.u8")],
        ctx.path("ours.u8"),
        ["opencc", "-c", "s2tw", "-i", source, "-o", ctx.path("peer.u8")],
        ctx.path("peer.u8"), 3, 20)


def scenario_small_file(ctx):
    ctx.without_tables()
    simplified, _ = sample_text()
    source = write(ctx.path("small.txt"), simplified.encode("cp936")[:2048].rsplit(b"\n", 1)[0])
    return compare(
        "GBK -> Big5, one 2 KB file, whole process (vs iconv)",
        [ctx.tessarim, "/i:gbk", "/o:big5", source, ctx.path("small.b5")], ctx.path("small.b5"),
        ["iconv", "-c", "-f", "GBK", "-t", "BIG5", source, "-o", ctx.path("small-peer.b5")],
        ctx.path("small-peer.b5"), max(41, ctx.runs), 1)


def scenario_memory(ctx):
    """Peak memory stays bounded by the block size whatever the file size."""
    simplified, _ = sample_text()
    gbk = simplified.encode("cp936")
    ok = True
    print(f"Peak memory (limit {MEMORY_LIMIT_KIB // 1024} MiB)")
    for size in (40 * MB, 400 * MB):
        source = ctx.path(f"mem{size // MB}.txt")
        with open(source, "wb") as f:
            chunk = repeat_to(gbk, 10 * MB)
            for _ in range(size // len(chunk) + 1):
                f.write(chunk)
        for args, label in ((["/i:gbk", "/o:big5"], "GBK->Big5"),
                            (["/i:gbk", "/o:utf8", "/f:t"], "GBK->UTF-8 T"),
                            (["/i:gbk", "/o:ule"], "GBK->UTF-16LE"),
                            (["/i:gbk", "/o:big5", "/f:d"], "GBK->Big5 D")):
            kib = peak_memory([ctx.tessarim] + args + [source, ctx.path("mem.out")],
                              ctx.path("mem.out"))
            ok &= kib < MEMORY_LIMIT_KIB
            print(f"  {size // MB:4d} MB {label:<14} {kib / 1024:6.1f} MiB")
        remove(source)
        remove(ctx.path("mem.out"))
    print(f"  target < {MEMORY_LIMIT_KIB // 1024} MiB: {'met' if ok else 'MISSED'}")
    return ok


SCENARIOS = {
    "gbk-big5": scenario_gbk_to_big5,
    "fix-table": scenario_fix_table,
    "shipped-tables": scenario_shipped_tables,
    "gbk-utf8": scenario_gbk_to_utf8,
    "utf8-t": scenario_utf8_traditional,
    "small": scenario_small_file,
    "memory": scenario_memory,
}


class Context:
    def __init__(self, tessarim, work, runs):
        self.tessarim = tessarim
        self.work = work
        self.runs = runs
        self.home = os.path.join(work, "home")

    def path(self, name):
        return os.path.join(self.work, name)

    def clear_home(self):
        for name in os.listdir(self.home):
            os.remove(os.path.join(self.home, name))

    def without_tables(self):
        """Correction tables without entries, as for comparing with a
        character-by-character converter."""
        for name in ("b5fix.dat", "gbfix.dat"):
            with open(os.path.join(self.home, name), "wb") as f:
                f.write(b"-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--only", nargs="*", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    tessarim = os.path.join(os.path.abspath(args.build), "tessarim")
    missed = []
    with tempfile.TemporaryDirectory(prefix="tessarim-bench-") as work:
        ctx = Context(tessarim, work, args.runs)
        os.makedirs(ctx.home)
        # Settings and fix tables of the runs live in a folder of their own.
        os.environ["TESSARIM_HOME"] = ctx.home
        for name in args.only or SCENARIOS:
            # Each scenario starts from an empty settings folder, into which
            # the program writes its default correction tables.
            ctx.clear_home()
            if not SCENARIOS[name](ctx):
                missed.append(name)
            print()
    if missed:
        print("Targets missed: " + ", ".join(missed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Times Tessarim against peer tools on the same input, in one run.

    bench/compare.py [--build build] [--runs 7] [--only NAME ...] [--work FOLDER]

Each scenario builds its input from the bundled samples, then runs Tessarim
and the peer alternately (so both see the same machine state), file to file,
every run writing a new output file, and reports the median wall time and
the median CPU time (user + system) of each, their ratios and Tessarim's
peak memory (maximum resident set size). On a machine other work shares the
CPU time is what a target is judged by (wall time counts the waits for a
core); the many-files runs of the command line and of the file window, which
are about using the cores, are judged by wall time against the same run held
to one core.
"""
import argparse
import json
import os
import random
import resource
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


def run(command, output, stdin=None, stdout=None):
    """Runs a command that writes output (removed first, when named); returns
    the seconds taken, wall and CPU (user + system of the process and its
    children)."""
    if output:
        remove(output)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(stdin, "rb") if stdin else open(os.devnull, "rb") as fin, \
            open(stdout, "wb") if stdout else open(os.devnull, "wb") as fout:
        result = subprocess.run(command, stdin=fin, stdout=fout, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed ({result.returncode}): {result.stderr.decode()}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return elapsed, cpu


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


class Command:
    """A command line, the file it writes and, for filters, where its input comes from."""

    def __init__(self, argv, output, stdin=None, name=None):
        self.argv = argv
        self.output = output
        self.stdin = stdin
        self.name = name or os.path.basename(argv[0])

    def run(self):
        if self.stdin:
            return run(self.argv, self.output, stdin=self.stdin, stdout=self.output)
        return run(self.argv, self.output)


def compare(title, ours, peers, runs, memory=True, by_wall=False):
    """Alternates our command with each peer; prints medians, ratios against
    each peer's target and peak memory. peers: (Command, target) pairs; a
    target of 1 means "no slower". Returns whether every target is met."""
    commands = [ours] + [peer for peer, _ in peers]
    for command in commands:  # warm the page cache (and build any index)
        command.run()
    # A user's index stands still long after it was built, and the program
    # then trusts it without reading it whole; that takes a table file and
    # index files older than the file system's clock tick (two seconds here).
    for _ in range(2):
        time.sleep(2.1)
        ours.run()
    times = [[] for _ in commands]
    for _ in range(runs):
        for command, series in zip(commands, times):
            series.append(command.run())
    medians = [(statistics.median(w for w, _ in series), statistics.median(c for _, c in series))
               for series in times]
    print(title)
    line = f"  {'tessarim':<12} wall {medians[0][0] * 1000:9.2f} ms   cpu {medians[0][1] * 1000:9.2f} ms"
    if memory:
        kib = peak_memory(ours.argv, ours.output)
        line += f"   peak memory {kib / 1024:5.1f} MiB"
    print(line)
    ok = True
    for (peer, target), (wall, cpu) in zip(peers, medians[1:]):
        wall_ratio = wall / medians[0][0]
        cpu_ratio = cpu / medians[0][1] if medians[0][1] > 0 else float("inf")
        judged = wall_ratio if by_wall else cpu_ratio
        met = judged >= target
        ok &= met
        print(f"  {peer.name:<12} wall {wall * 1000:9.2f} ms   cpu {cpu * 1000:9.2f} ms   "
              f"ratio wall {wall_ratio:.2f}x cpu {cpu_ratio:.2f}x   "
              f"target >= {target}x ({'wall' if by_wall else 'cpu'}): {'met' if met else 'MISSED'}")
    return ok


def ours(ctx, args, source, output):
    return Command([ctx.tessarim] + args + [source, output], output)


def iconv(source, from_code, to_code, output, lossy=True):
    return Command(["iconv"] + (["-c"] if lossy else []) + ["-f", from_code, "-t", to_code,
                                                            source, "-o", output], output)


def write_repeated(path, sample, size):
    """The sample repeated to at least size bytes, written in pieces."""
    with open(path, "wb") as f:
        chunk = repeat_to(sample, min(size, 10 * MB))
        for _ in range(-(-size // len(chunk))):
            f.write(chunk)
    return path


def table_road(ctx, size, runs):
    """The default road of both directions with the shipped correction tables,
    against iconv -c and the character-table converters autob5 and autogb."""
    simplified, traditional = sample_text()
    ok = True
    for name, sample, args, codes, peer, peer_args in (
            ("GBK -> Big5", simplified.encode("cp936"), ["/i:gbk", "/o:big5"], ("GBK", "BIG5"),
             "autob5", ["-i", "gb", "-o", "big5"]),
            ("Big5 -> GBK", traditional.encode("cp950"), ["/i:big5", "/o:gbk"], ("BIG5", "GBK"),
             "autogb", ["-i", "big5", "-o", "gb"])):
        source = write_repeated(ctx.path(f"in{size // MB}.txt"), sample, size)
        ok &= compare(
            f"{name} with the shipped correction tables (the default), {size // MB} MB",
            ours(ctx, args, source, ctx.path("ours.out")),
            [(iconv(source, *codes, ctx.path("iconv.out")), 2),
             (Command([peer] + peer_args, ctx.path("peer.out"), stdin=source), 1)], runs)
        for leftover in (source, ctx.path("ours.out"), ctx.path("iconv.out"), ctx.path("peer.out")):
            remove(leftover)
    return ok


def scenario_table_road(ctx):
    return table_road(ctx, 40 * MB, ctx.runs)


def scenario_table_road_large(ctx):
    return table_road(ctx, 400 * MB, 3)


def scenario_gbk_to_big5(ctx):
    ctx.without_tables()
    simplified, _ = sample_text()
    source = write(ctx.path("gbk40.txt"), repeat_to(simplified.encode("cp936"), 40 * MB))
    return compare(
        "GBK -> Big5, character tables only, 40 MB",
        ours(ctx, ["/i:gbk", "/o:big5"], source, ctx.path("ours.b5")),
        [(iconv(source, "GBK", "BIG5", ctx.path("peer.b5")), 5)], ctx.runs)


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
        f"GBK -> Big5 with {tables}, 40 MB (opencc -c s2tw on the same text in UTF-8)",
        ours(ctx, ["/i:gbk", "/o:big5"], source, ctx.path("ours.b5")),
        [(Command(["opencc", "-c", "s2tw", "-i", utf8, "-o", ctx.path("peer.txt")],
                  ctx.path("peer.txt")), 10)], max(3, ctx.runs // 2))


def scenario_fix_table(ctx):
    simplified, traditional = sample_text()
    make_big5_fix_table(os.path.join(ctx.home, "b5fix.dat"), simplified, traditional)
    return compare_with_opencc(ctx, "a 20,000-entry Big5 fix table")


def scenario_gbk_to_utf8(ctx):
    ctx.without_tables()
    simplified, _ = sample_text()
    source = write(ctx.path("gbk40.txt"), repeat_to(simplified.encode("cp936"), 40 * MB))
    return compare(
        "GBK -> UTF-8, typeface D, 40 MB",
        ours(ctx, ["/i:gbk", "/o:utf8", "/f:d"], source, ctx.path("ours.u8")),
        [(iconv(source, "GBK", "UTF-8", ctx.path("peer.u8"), lossy=False), 2)], ctx.runs)


def scenario_utf8_traditional(ctx):
    simplified, _ = sample_text()
    source = write(ctx.path("utf8-50.txt"), repeat_to(simplified.encode("utf-8"), 50 * MB))
    return compare(
        "UTF-8 -> UTF-8 Traditional with the shipped tables, 50 MB (/f:t; opencc -c s2tw)",
        ours(ctx, ["/i:utf8", "/o:utf8", "/f:t"], source, ctx.path("ours.u8")),
        [(Command(["opencc", "-c", "s2tw", "-i", source, "-o", ctx.path("peer.u8")],
                  ctx.path("peer.u8")), 80)], 3)


def scenario_small_file(ctx):
    simplified, _ = sample_text()
    source = write(ctx.path("small.txt"), simplified.encode("cp936")[:2048].rsplit(b"\n", 1)[0])
    return compare(
        "GBK -> Big5, one 2 KB file, whole process, shipped tables",
        ours(ctx, ["/i:gbk", "/o:big5"], source, ctx.path("small.b5")),
        [(iconv(source, "GBK", "BIG5", ctx.path("small-peer.b5")), 1)], max(41, ctx.runs))


class FolderRun(Command):
    """A run that writes into a new folder each time; the folders are removed
    at the end. Emptying one folder for the next run would time the file
    system instead: ext4 gives new files inodes past those freed in the last
    seconds, and looks past each of thousands under the folder's lock."""

    def __init__(self, argv_into, base, name):
        super().__init__(None, None, name=name)
        self.argv_into = argv_into
        self.base = base
        self.folders = []

    def run(self):
        self.output = f"{self.base}-{len(self.folders) + 1}"
        os.makedirs(self.output)
        self.folders.append(self.output)
        return run(self.argv_into(self.output), None)


def scenario_many_files(ctx):
    """A pattern run over 2,000 files of 20 KB with a worker per core, against
    the same run held to one core; both must write the same files."""
    simplified, _ = sample_text()
    folder = ctx.path("many")
    os.makedirs(folder)
    text = repeat_to(simplified.encode("cp936"), 20000)[:20000]
    # Whole characters: a file cut inside one would be told about, file by file.
    while True:
        try:
            text.decode("cp936")
            break
        except UnicodeDecodeError:
            text = text[:-1]
    for i in range(2000):
        write(os.path.join(folder, f"f{i:04d}.txt"), text)
    pattern = os.path.join(folder, "*.txt")
    run_all = FolderRun(lambda out: [ctx.tessarim, "/i:gbk", "/o:big5", pattern,
                                     os.path.join(out, "*.b5")], ctx.path("every"), "tessarim")
    run_one = FolderRun(lambda out: ["taskset", "-c", "0", ctx.tessarim, "/i:gbk", "/o:big5",
                                     pattern, os.path.join(out, "*.b5")], ctx.path("one"),
                        "one core")
    ok = compare(f"Pattern run, 2,000 files of 20 KB, a worker per core ({os.cpu_count()} cores)",
                 run_all, [(run_one, 1.8)], ctx.runs, memory=False, by_wall=True)
    every, one = run_all.output, run_one.output
    same = sorted(os.listdir(every)) == sorted(os.listdir(one)) and all(
        open(os.path.join(every, n), "rb").read() == open(os.path.join(one, n), "rb").read()
        for n in os.listdir(every))
    print(f"  same files as one at a time: {'yes' if same else 'NO'}")
    # The folders go with the work folder at the end: deleted now, they would
    # slow the next scenario's new files (see FolderRun).
    return ok and same


def scenario_file_window(ctx):
    """The file window's run over 2,000 files of 20 KB with the shipped tables
    (bench/filewin_bench, the window drawn off screen), against the same run
    held to one core; the benchmark's own time of the run, without opening the
    window and listing the files."""
    bench = os.path.join(ctx.build, "bench", "filewin_bench")
    title = f"File window run, 2,000 files of 20 KB, a worker per core ({os.cpu_count()} cores)"
    if not os.path.exists(bench):
        print(f"{title}\n  {bench} is not built (a build with the desktop windows makes it)")
        return False
    # Its files stay until the work folder goes, as the pattern run's do.
    env = dict(os.environ, TMPDIR=ctx.work, TESSARIM_BENCH_KEEP="1",
               QT_QPA_PLATFORM="offscreen")

    def once(one_core):
        argv = (["taskset", "-c", "0"] if one_core else []) + [
            bench, "--benchmark_filter=BM_WindowRunOver2000FilesOf20KB",
            "--benchmark_format=json"]
        done = subprocess.run(argv, env=env, capture_output=True, text=True, check=True)
        runs = json.loads(done.stdout)["benchmarks"]
        if not runs or runs[0].get("error_occurred"):
            raise RuntimeError("filewin_bench: " + (runs[0].get("error_message", "no result")
                                                    if runs else "no result"))
        return runs[0]["real_time"] / 1000  # milliseconds to seconds

    once(False)  # makes the files and the index
    every, one = [], []
    for _ in range(ctx.runs):
        every.append(once(False))
        one.append(once(True))
    two_cores, one_core = statistics.median(every), statistics.median(one)
    ratio = one_core / two_cores
    met = ratio >= 1.8
    print(title)
    print(f"  tessarim     wall {two_cores * 1000:9.2f} ms")
    print(f"  one core     wall {one_core * 1000:9.2f} ms   ratio wall {ratio:.2f}x   "
          f"target >= 1.8x (wall): {'met' if met else 'MISSED'}")
    return met


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
    "table-road": scenario_table_road,
    "table-road-400": scenario_table_road_large,
    "gbk-big5": scenario_gbk_to_big5,
    "fix-table": scenario_fix_table,
    "gbk-utf8": scenario_gbk_to_utf8,
    "utf8-t": scenario_utf8_traditional,
    "small": scenario_small_file,
    "many-files": scenario_many_files,
    "file-window": scenario_file_window,
    "memory": scenario_memory,
}


class Context:
    def __init__(self, build, work, runs):
        self.build = build
        self.tessarim = os.path.join(build, "tessarim")
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
    parser.add_argument("--work", default=None,
                        help="folder for the scenarios' files (default: the temporary "
                             "folder); ext4 without a journal, for one, makes each new file "
                             "look past every file deleted in the last minutes")
    args = parser.parse_args()
    missed = []
    with tempfile.TemporaryDirectory(prefix="tessarim-bench-", dir=args.work) as work:
        ctx = Context(os.path.abspath(args.build), work, args.runs)
        os.makedirs(ctx.home)
        # Settings and fix tables of the runs live in a folder of their own.
        os.environ["TESSARIM_HOME"] = ctx.home
        for name in args.only or SCENARIOS:
            # Each scenario starts from an empty settings folder, into which
            # the program writes its default correction tables.
            ctx.clear_home()
            # The files of the last scenario written out first: their write-back
            # would weigh on this one's runs, the shortest ones most.
            os.sync()
            if not SCENARIOS[name](ctx):
                missed.append(name)
            print()
    if missed:
        print("Targets missed: " + ", ".join(missed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Speed of the Python package against the C library, and of ridgesdk.distributed.

1. Per call: ridgesdk.extract and ridgesdk.match against the bare ctypes call
   of generateRawFPT / matchRawFPTs with ready arguments, on the templates of
   FVC2002 DB1_B (CPU time of this thread), and the fixed cost of a call that
   does no work (match of two empty templates); then both on two Python
   threads (wall time: the GIL is released during the calls).
2. Gallery.search against bench_search (the C benchmark, run here on the
   same gallery file it writes): comparisons per second on one thread.
3. ridgesdk.distributed.search on a local cluster of two worker processes
   over a gallery of --entries (default 200,000) in 4 shards, against one
   in-process Gallery over the same entries: searches and comparisons per
   second (wall time), and the check that both give the same results.

Usage: /usr/bin/python3 bench/bench_python.py [--build DIR] [--data FOLDER]
           [--entries N] [--probes P] [--work FOLDER] [--skip-search] [--skip-distributed]
Wall-clock figures are indicative on a shared machine.
"""

from __future__ import annotations

import argparse
import ctypes
import logging
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent


def default_data_folder() -> pathlib.Path:
    """The shared data beside the project (or beside its worktree folder)."""
    for up in (HERE.parent.parent, HERE.parent.parent.parent):
        if (up / "shared" / "data").is_dir():
            return up / "shared" / "data"
    return HERE.parent.parent / "shared" / "data"
sys.path.insert(0, str(HERE.parent / "python"))

import ridgesdk  # noqa: E402
from ridgesdk import Gallery, Template  # noqa: E402
from ridgesdk._library import TemplateBuffer, library  # noqa: E402


def per_call(function, items, repeat=1):
    """Mean CPU seconds of this thread per call of function(item)."""
    start = time.thread_time()
    for _ in range(repeat):
        for item in items:
            function(item)
    return (time.thread_time() - start) / (repeat * len(items))


def on_threads(function, items, threads):
    """Wall seconds to run function over items split across threads."""
    parts = [items[k::threads] for k in range(threads)]
    workers = [threading.Thread(target=lambda p=p: [function(i) for i in p]) for p in parts]
    start = time.perf_counter()
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    return time.perf_counter() - start


def bare_extract(image):
    lib = library()
    out = TemplateBuffer()
    lib.generateRawFPT(image.ctypes.data, image.shape[1], image.shape[0], ctypes.byref(out))
    lib.free_FPAPI_mem(ctypes.cast(out.data, ctypes.c_void_p))


def calls(images, templates):
    """The package's cost per call: what it does around the C call, against the C call's own time.

    Differences of two timed loops of real work drown in the noise of a
    shared machine, so the package's share is timed on its own: a comparison
    of two empty templates (the C function returns at once) and, for
    extraction, the checks of the image and the copy of the result into a
    Template, without the C call.
    """
    from ridgesdk._template import _grey_image

    lib = library()
    score = ctypes.c_double()
    print("== per call (CPU time of one thread, mean over DB1_B)")
    extract_c = per_call(bare_extract, images, 3)
    raws = [t.to_bytes() for t in templates]
    around = per_call(lambda k: (_grey_image(images[k]), Template._from_raw(ctypes.string_at(raws[k], len(raws[k])))),
                      list(range(len(images))) * 50)
    print(f"extract: generateRawFPT {extract_c * 1e3:.3f} ms per image (bare ctypes call); the package's own "
          f"steps around it {around * 1e6:.2f} us ({around / extract_c * 100:.3f}%)")
    pairs = [(a, b) for a in templates for b in templates if a is not b]
    match_c = per_call(lambda p: lib.matchRawFPTs(p[0]._address, p[1]._address, ctypes.byref(score)), pairs)
    empty = Template()
    fixed = per_call(lambda _: ridgesdk.match(empty, empty), range(200000))
    fixed_bare = per_call(lambda _: lib.matchRawFPTs(empty._address, empty._address, ctypes.byref(score)),
                          range(200000))
    print(f"match: matchRawFPTs {match_c * 1e6:.2f} us per comparison over {len(pairs)} ordered pairs (bare "
          f"ctypes call); a call doing no work costs {fixed * 1e6:.2f} us through ridgesdk.match "
          f"({fixed / match_c * 100:.2f}% of a comparison), {fixed_bare * 1e6:.2f} us as a bare ctypes call")
    one = on_threads(lambda p: ridgesdk.match(p[0], p[1]), pairs, 1)
    two = on_threads(lambda p: ridgesdk.match(p[0], p[1]), pairs, 2)
    one_x = on_threads(ridgesdk.extract, images * 2, 1)
    two_x = on_threads(ridgesdk.extract, images * 2, 2)
    print(f"two Python threads (wall): match {one / two:.2f} x one thread, extract {one_x / two_x:.2f} x")


def nearest_50(bases):
    order = sorted(range(len(bases)), key=lambda k: abs(len(bases[k]) - 50))  # stable, as bench_search
    return [bases[k] for k in order]


def search_against_c(build, data, work, bases):
    print("== Gallery.search against bench_search (same gallery file, same probes)")
    path = work / "bench_search.gallery"
    program = build / "bench" / "bench_search"
    result = subprocess.run([str(program), "--entries", "100000", "--probes", "3", "--loop", "2000",
                             "--file", str(path), str(data)], capture_output=True, text=True, check=True)
    c_rates = [float(m) for m in re.findall(r"1 thread (\d+) comparisons/s", result.stdout)]
    probes = nearest_50(bases)[:3]
    with Gallery.load(path) as gallery:
        n = len(gallery)
        for probe, c_rate in zip(probes, c_rates):
            gallery.search(probe, top=10, threads=1)  # warm
            start = time.process_time()
            gallery.search(probe, top=10, threads=1)
            seconds = time.process_time() - start
            start = time.perf_counter()
            gallery.search(probe, top=10)
            wall = time.perf_counter() - start
            print(f"probe of {len(probe)} minutiae over {n} entries: Gallery.search 1 thread "
                  f"{n / seconds:.0f} comparisons/s (CPU time), bench_search {c_rate:.0f}/s "
                  f"({n / seconds / c_rate:.3f} x); all threads {n / wall:.0f}/s (wall)")


def distributed_against_one(build, data, work, bases, entries, probe_count):
    import distributed
    import ridgesdk.distributed as rd

    print(f"== ridgesdk.distributed.search, 2 worker processes, {entries} entries in 4 shards")
    path = work / f"whole-{entries}.gallery"
    shards = sorted(str(p) for p in (work / f"shards-{entries}").glob("*.gallery"))
    if not path.exists() or len(shards) != 4:  # else made by an earlier run in --work
        subprocess.run([str(build / "bench" / "bench_search"), "--entries", str(entries), "--probes", "1",
                        "--loop", "100", "--file", str(path), str(data)], capture_output=True, check=True)
        start = time.perf_counter()
        shards = rd.shard(path, 4, work / f"shards-{entries}")
        print(f"sharded in {time.perf_counter() - start:.1f} s (wall)")
    probes = {f"p{k}": t for k, t in enumerate(nearest_50(bases)[:probe_count])}
    with Gallery.load(path) as gallery:
        start, cpu = time.perf_counter(), time.process_time()
        single = {name: gallery.search(t, top=10) for name, t in probes.items()}
        one_wall, one_cpu = time.perf_counter() - start, time.process_time() - cpu
    comparisons = entries * len(probes)
    print(f"one in-process Gallery (all threads): {len(probes) / one_wall:.2f} searches/s, "
          f"{comparisons / one_wall:.0f} comparisons/s (wall); {comparisons / one_cpu:.0f} per CPU second")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0",
                                  silence_logs=logging.ERROR) as cluster, distributed.Client(cluster) as client:
        start = time.perf_counter()
        rd.search(client, shards, dict(list(probes.items())[:1]), top=10)
        print(f"first call (each worker loads its two shards): {time.perf_counter() - start:.1f} s (wall)")
        before = client.run(time.process_time)
        start, cpu = time.perf_counter(), time.process_time()
        found = rd.search(client, shards, probes, top=10)
        wall, client_cpu = time.perf_counter() - start, time.process_time() - cpu
        after = client.run(time.process_time)
    workers_cpu = sum(after[w] - before[w] for w in after if w in before)
    print(f"distributed: {len(probes) / wall:.2f} searches/s, {comparisons / wall:.0f} comparisons/s (wall), "
          f"{one_wall / wall:.2f} x the in-process gallery; {comparisons / (workers_cpu + client_cpu):.0f} per "
          f"CPU second (workers {workers_cpu:.1f} s, client {client_cpu:.2f} s); results equal: {found == single}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(HERE.parent / "build"))
    parser.add_argument("--data", default=str(default_data_folder()))
    parser.add_argument("--entries", type=int, default=200000)
    parser.add_argument("--probes", type=int, default=20)
    parser.add_argument("--work", default=None,
                        help="folder for the gallery files, kept for the next run (default: a temporary one)")
    parser.add_argument("--skip-search", action="store_true")
    parser.add_argument("--skip-distributed", action="store_true")
    args = parser.parse_args()
    build, data = pathlib.Path(args.build), pathlib.Path(args.data)
    os.environ.setdefault("RIDGESDK_LIBRARY", str(build / "libridgesdk.so"))
    folder = data / "fvc2002_db1_b"
    if not folder.is_dir():
        print(f"bench_python: {folder} is absent; nothing measured")
        return 0
    print(f"library {ridgesdk.library_path()}, version {ridgesdk.library_version()}")
    images = [ridgesdk.read_image(p) for p in sorted(folder.glob("*.bmp"))]
    bases = [ridgesdk.extract(i) for i in images]
    calls(images, bases)
    with tempfile.TemporaryDirectory() as scratch:
        work = pathlib.Path(args.work or scratch)
        work.mkdir(parents=True, exist_ok=True)
        if not args.skip_search:
            search_against_c(build, data, work, bases)
        if not args.skip_distributed:
            distributed_against_one(build, data, work, bases, args.entries, args.probes)
    return 0


if __name__ == "__main__":
    sys.exit(main())

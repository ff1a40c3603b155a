"""Command line of ridgesdk.distributed: shard a gallery, search it, de-duplicate it.

    python3 -m ridgesdk.distributed shard GALLERY N OUT_FOLDER
    python3 -m ridgesdk.distributed search [--scheduler ADDRESS | --workers N]
        [--top K] [--min-score S] [--timeout SECONDS] --probe PATH [--probe PATH ...] SHARD...
    python3 -m ridgesdk.distributed dedup [--scheduler ADDRESS | --workers N]
        --min-score S [--timeout SECONDS] SHARD...

Without --scheduler the jobs run on a local cluster of worker processes,
one per core (or --workers N). A SHARD that is a folder stands for the
shard files (*.gallery) in it.
"""

from __future__ import annotations

import argparse
import logging
import os
import re
import sys
from typing import Dict, List

import ridgesdk
from ridgesdk import Gallery, RidgeError, Template
from ridgesdk import distributed

PROGRAM = "python3 -m ridgesdk.distributed"
IMAGE_SUFFIXES = (".bmp", ".png", ".pgm", ".ppm", ".pnm")
TEMPLATE_SUFFIXES = {".raw": "raw", ".pck": "packed", ".pk": "packed", ".fmr": "fmr378"}


class Failure(Exception):
    """A reason to stop, told in one line."""


def progress(text: str) -> None:
    if sys.stderr.isatty():
        print(text, file=sys.stderr, flush=True)


def natural_key(path: str):
    return [int(part) if part.isdigit() else part for part in re.split(r"(\d+)", path)]


def shard_paths(names: List[str]) -> List[str]:
    paths = []
    for name in names:
        if os.path.isdir(name):
            found = sorted((os.path.join(name, f) for f in os.listdir(name) if f.endswith(".gallery")),
                           key=natural_key)
            if not found:
                raise Failure(f"folder {name} holds no .gallery file")
            paths.extend(found)
        else:
            paths.append(name)
    return paths


def load_probes(paths: List[str]) -> Dict[str, Template]:
    """Probes from gallery files (each entry), images (extracted) and template files."""
    probes: Dict[str, Template] = {}

    def put(name: str, template: Template, source: str) -> None:
        if name in probes:
            raise Failure(f"probe {name} is given twice (again in {source})")
        probes[name] = template

    for path in paths:
        suffix = os.path.splitext(path)[1].lower()
        stem = os.path.splitext(os.path.basename(path))[0]
        if suffix == ".gallery":
            with Gallery.load(path) as gallery:
                for identifier, template in gallery:
                    put(identifier, template, path)
        elif suffix in IMAGE_SUFFIXES:
            put(stem, ridgesdk.extract(ridgesdk.read_image(path)), path)
        elif suffix in TEMPLATE_SUFFIXES:
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError as error:
                raise Failure(f"cannot read probe {path}: {error.strerror}") from None
            put(stem, Template.from_bytes(data, TEMPLATE_SUFFIXES[suffix]), path)
        else:
            raise Failure(f"probe {path}: not a gallery (.gallery), image ({' '.join(IMAGE_SUFFIXES)}) "
                          f"or template file ({' '.join(TEMPLATE_SUFFIXES)})")
    return probes


def connect(args):
    """A client of the scheduler given, or of a new local cluster (closed by the caller)."""
    from distributed import Client, LocalCluster

    # Dask's own chatter stays off the console: a failed job raises, and is
    # told in one line.
    logging.getLogger("distributed").setLevel(logging.ERROR)
    logging.getLogger("asyncio").setLevel(logging.CRITICAL)

    if args.scheduler:
        progress(f"connecting to {args.scheduler}")
        return Client(args.scheduler, timeout=args.timeout or 30), None
    workers = args.workers or os.cpu_count() or 1
    progress(f"starting a local cluster of {workers} workers")
    cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                           dashboard_address=":0", silence_logs=logging.ERROR)
    return Client(cluster), cluster


def run_job(args, job):
    client, cluster = connect(args)
    try:
        return job(client)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def command_shard(args) -> None:
    for path in distributed.shard(args.gallery, args.n, args.out_folder):
        print(path)


def command_search(args) -> None:
    probes = load_probes(args.probe)
    shards = shard_paths(args.shards)
    progress(f"searching {len(probes)} probes in {len(shards)} shards")
    results = run_job(args, lambda client: distributed.search(
        client, shards, probes, top=args.top, min_score=args.min_score, timeout=args.timeout))
    for name, hits in results.items():
        for rank, (identifier, score) in enumerate(hits, 1):
            print(f"{name}\t{rank}\t{identifier}\t{score:.6f}")


def command_dedup(args) -> None:
    shards = shard_paths(args.shards)
    progress(f"de-duplicating {len(shards)} shards")
    pairs = run_job(args, lambda client: distributed.dedup(client, shards, args.min_score, timeout=args.timeout))
    for first, second, score in pairs:
        print(f"{first}\t{second}\t{score:.6f}")


def parser() -> argparse.ArgumentParser:
    top = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Searches and de-duplication of ridgesdk gallery shards on a Dask cluster.",
        epilog="Exit status: 0 on success, 1 when the job fails, 2 for a wrong command line.")
    top.add_argument("--version", action="version", version=f"%(prog)s {ridgesdk.__version__}")
    commands = top.add_subparsers(dest="command", required=True, metavar="{shard,search,dedup}")

    shard = commands.add_parser("shard", help="split a gallery file into shard files",
                                description="Splits GALLERY into N shard files in OUT_FOLDER by a stable hash "
                                            "of the identifier and prints their paths.")
    shard.add_argument("gallery", metavar="GALLERY")
    shard.add_argument("n", metavar="N", type=int)
    shard.add_argument("out_folder", metavar="OUT_FOLDER")
    shard.set_defaults(run=command_shard)

    def cluster_options(command):
        where = command.add_mutually_exclusive_group()
        where.add_argument("--scheduler", metavar="ADDRESS",
                           help="address of a running Dask scheduler (tcp://host:8786)")
        where.add_argument("--workers", metavar="N", type=int,
                           help="worker processes of the local cluster (default: one per core)")
        command.add_argument("--timeout", metavar="SECONDS", type=float,
                             help="fail when the cluster takes longer")
        command.add_argument("shards", metavar="SHARD", nargs="+",
                             help="shard files, or folders of them")

    search = commands.add_parser(
        "search", help="search probes in the shards",
        description="Prints, for each probe, its best entries: probe, rank, identifier and score, "
                    "tab-separated, best first.")
    search.add_argument("--probe", metavar="PATH", action="append", required=True,
                        help="a gallery file, image or template file (.raw, .pck, .fmr); repeatable")
    search.add_argument("--top", metavar="K", type=int, default=10, help="entries per probe (default 10)")
    search.add_argument("--min-score", metavar="S", type=float, default=None,
                        help="lowest score listed (default: any)")
    cluster_options(search)
    search.set_defaults(run=command_search)

    dedup = commands.add_parser(
        "dedup", help="find the pairs of entries that match",
        description="Prints each pair of entries scoring at least S: earlier entry, later entry and score, "
                    "tab-separated, in the gallery's order.")
    dedup.add_argument("--min-score", metavar="S", type=float, required=True, help="lowest score listed")
    cluster_options(dedup)
    dedup.set_defaults(run=command_dedup)
    return top


def main(argv=None) -> int:
    command_line = parser()
    args = command_line.parse_args(argv)
    if getattr(args, "workers", None) is not None and args.workers < 1:
        command_line.error("--workers is at least 1")
    if getattr(args, "top", None) is not None and args.top < 1:
        command_line.error("--top is at least 1")
    try:
        args.run(args)
    except Exception as error:  # told in one line; the reason is in the message
        reason = " ".join(str(error).split()) or type(error).__name__
        if not isinstance(error, (Failure, RidgeError)):
            reason = f"{type(error).__name__}: {reason}"
        print(f"{PROGRAM}: {reason}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print(f"{PROGRAM}: interrupted", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

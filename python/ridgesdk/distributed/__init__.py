"""Searches and de-duplication over gallery shards on a Dask cluster.

A gallery too large for one machine is cut into shard files with
:func:`shard` (one gallery file each, on storage every worker can read).
Each worker loads the shards given to it once and keeps them in memory
across calls; a shard is reloaded when its file changes, and by another
worker when its worker is lost. The results are exactly those of one
:class:`ridgesdk.Gallery` holding every entry in the original order: the
same identifiers, scores and order, ties included.

Example::

    from dask.distributed import Client, LocalCluster
    import ridgesdk, ridgesdk.distributed as rd

    shards = rd.shard("people.gallery", 4, "shards/")
    with LocalCluster(n_workers=2, threads_per_worker=1) as cluster, Client(cluster) as client:
        probe = ridgesdk.extract(ridgesdk.read_image("probe.png"))
        print(rd.search(client, shards, {"probe": probe}, top=5))
        print(rd.dedup(client, shards, min_score=28.7))

Each shard file ``NAME.gallery`` written by :func:`shard` has a companion
``NAME.gallery.positions`` that records the original position of each of
its entries, which shard of which cut it is, the size of the whole gallery
and the gallery file it belongs to: a job refuses a set of shards with one
missing, repeated, replaced or from another cut. Plain gallery files without companions are taken as the parts
of one gallery in the order given.

The command line (``python3 -m ridgesdk.distributed --help``) runs the same
jobs on an existing scheduler (``--scheduler ADDRESS``) or on a local
cluster of this machine's cores.
"""

from __future__ import annotations

import hashlib
import os
import struct
import threading
import uuid
import zlib
from collections import defaultdict
from typing import Dict, List, Mapping, Optional, Sequence, Tuple

import numpy as np

from .._gallery import Gallery, _min_score, _top
from .._library import RidgeError, Status
from .._template import PathLike, Template, match

__all__ = ["dedup", "search", "shard", "shard_of"]

_POSITIONS_SUFFIX = ".positions"
_MAGIC = b"RIDGESHD"
# magic, version, shard index, shard count, reserved, cut, entries of the whole
# gallery, size of the shard's gallery file, its last bytes, entries listed
_HEADER = struct.Struct("<8sIIII16sQQ24sQ")
_TAIL = 24  # a gallery file ends with its trailer, which carries a checksum over every entry
_VERSION = 1
_PROBES_PER_TASK = 32


def shard_of(identifier: str, n: int) -> int:
    """The shard (0..n-1) an identifier goes to: a stable hash, the same in every process.

    Example::

        ridgesdk.distributed.shard_of("101_1", 4)
    """
    digest = hashlib.blake2b(identifier.encode("utf-8", "surrogateescape"), digest_size=8).digest()
    return int.from_bytes(digest, "little") % n


def _positions_path(path: str) -> str:
    return path + _POSITIONS_SUFFIX


def _gallery_stamp(path: str) -> Tuple[int, bytes]:
    """Size and last bytes of a gallery file: what ties a positions file to it."""
    with open(path, "rb") as f:
        size = os.fstat(f.fileno()).st_size
        f.seek(max(0, size - _TAIL))
        return size, f.read(_TAIL).ljust(_TAIL, b"\0")


def _write_positions(path: str, index: int, count: int, cut: bytes, total: int, positions: np.ndarray,
                     stamp: Tuple[int, bytes]) -> None:
    body = _HEADER.pack(_MAGIC, _VERSION, index, count, 0, cut, total, stamp[0], stamp[1], len(positions))
    body += positions.astype("<u8").tobytes()
    body += struct.pack("<I", zlib.crc32(body))
    temporary = f"{path}.tmp.{os.getpid()}"
    with open(temporary, "wb") as out:
        out.write(body)
        out.flush()
        os.fsync(out.fileno())
    os.replace(temporary, path)


class _ShardFacts:
    """What a shard's positions file says about it."""

    def __init__(self, index: int, count: int, cut: bytes, total: int, positions: np.ndarray):
        self.index, self.count, self.cut, self.total, self.positions = index, count, cut, total, positions


def _corrupt(path: str, reason: str) -> RidgeError:
    return RidgeError(Status.RIDGE_ERR_CORRUPT, f"shard {path}: {reason}")


def _read_positions(path: str, entries: int) -> Optional[_ShardFacts]:
    sidecar = _positions_path(path)
    try:
        with open(sidecar, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return None
    except OSError as error:
        raise RidgeError(Status.RIDGE_ERR_IO, f"shard {path}: cannot read {sidecar}: {error.strerror}") from None
    if len(data) < _HEADER.size + 4:
        raise _corrupt(path, f"{sidecar} is truncated")
    magic, version, index, count, reserved, cut, total, size, tail, n = _HEADER.unpack_from(data)
    if magic != _MAGIC:
        raise _corrupt(path, f"{sidecar} is not a positions file")
    if version != _VERSION:
        raise RidgeError(Status.RIDGE_ERR_VERSION, f"shard {path}: {sidecar} has version {version}, not {_VERSION}")
    if len(data) != _HEADER.size + 8 * n + 4:
        raise _corrupt(path, f"{sidecar} is truncated or has bytes after its end")
    (crc,) = struct.unpack_from("<I", data, len(data) - 4)
    if zlib.crc32(data[:-4]) != crc:
        raise _corrupt(path, f"{sidecar} fails its checksum")
    positions = np.frombuffer(data, dtype="<u8", count=n, offset=_HEADER.size).astype(np.int64)
    if reserved != 0 or count == 0 or index >= count:
        raise _corrupt(path, f"{sidecar} names shard {index} of {count}")
    if n != entries or (size, tail) != _gallery_stamp(path):
        raise _corrupt(path, f"{sidecar} belongs to another gallery file")
    if n and (positions[0] < 0 or positions[-1] >= total or np.any(np.diff(positions) <= 0)):
        raise _corrupt(path, f"{sidecar} lists positions out of order or beyond {total}")
    return _ShardFacts(index, count, cut, total, positions)


def shard(gallery_path: PathLike, n: int, out_folder: PathLike) -> List[str]:
    """Splits a gallery file into n shard files by a stable hash of the identifier.

    Returns the shard paths, ``out_folder/NAME.shard-K-of-N.gallery`` for
    K = 1..n (some may be empty), each with its ``.positions`` companion.
    Every entry keeps its relative order; the companions record the
    original positions, so that jobs over the shards break ties as the
    whole gallery does.

    Example::

        paths = ridgesdk.distributed.shard("people.gallery", 4, "shards")
    """
    if not isinstance(n, int) or isinstance(n, bool) or not 1 <= n <= 65535:
        raise ValueError(f"the shard count is 1..65535, not {n!r}")
    gallery_path = os.fspath(gallery_path)
    out_folder = os.fspath(out_folder)
    stem = os.path.basename(gallery_path)
    if stem.endswith(".gallery"):
        stem = stem[: -len(".gallery")]
    cut = uuid.uuid4().bytes
    parts = [Gallery() for _ in range(n)]
    positions: List[List[int]] = [[] for _ in range(n)]
    try:
        with Gallery.load(gallery_path) as whole:
            total = 0
            for position, (identifier, template) in enumerate(whole):
                k = shard_of(identifier, n)
                parts[k].add(identifier, template)
                positions[k].append(position)
                total += 1
        os.makedirs(out_folder, exist_ok=True)
        paths = []
        for k in range(n):
            path = os.path.abspath(os.path.join(out_folder, f"{stem}.shard-{k + 1}-of-{n}.gallery"))
            parts[k].save(path)
            _write_positions(_positions_path(path), k, n, cut, total, np.asarray(positions[k], dtype=np.int64),
                             _gallery_stamp(path))
            paths.append(path)
        return paths
    finally:
        for part in parts:
            part.close()


# --------------------------------------------------------------------------
# Worker side: shards loaded once per worker process, kept across calls.


class _LoadedShard:
    def __init__(self, path: str, signature: tuple, gallery: Gallery, facts: Optional[_ShardFacts]):
        self.path = path
        self.signature = signature
        self.gallery = gallery
        self.facts = facts
        self.count = len(gallery)
        self._keys = None
        self._lock = threading.Lock()

    def positions(self, offset: int) -> np.ndarray:
        """Each entry's position in the whole gallery."""
        if self.facts is not None:
            return self.facts.positions
        return np.arange(offset, offset + self.count, dtype=np.int64)

    def roles(self) -> Tuple[np.ndarray, np.ndarray, List[str], List[Template]]:
        """Per entry: minutia count, bounding-box area, identifier and template
        (what decides which template of a pair the comparison takes as its base)."""
        with self._lock:
            if self._keys is None:
                entries = list(self.gallery)
                identifiers = [identifier for identifier, _ in entries]
                templates = [template for _, template in entries]
                counts = np.array([len(t) for t in templates], dtype=np.int64)
                areas = np.array([_box_area(t) for t in templates], dtype=np.int64)
                self._keys = (counts, areas, identifiers, templates)
            return self._keys


def _box_area(template: Template) -> int:
    m = template.minutiae
    if len(m) == 0:
        return 0
    area = (int(m["x"].max()) - int(m["x"].min())) * (int(m["y"].max()) - int(m["y"].min()))
    return (area + 2**31) % 2**32 - 2**31  # as the matcher computes it, in 32 bits


_cache: Dict[str, _LoadedShard] = {}
_cache_lock = threading.Lock()  # guards the two dictionaries
_path_locks: Dict[str, threading.Lock] = {}  # one load at a time per shard


def _signature(path: str) -> tuple:
    try:
        s = os.stat(path)
    except FileNotFoundError:
        raise RidgeError(Status.RIDGE_ERR_IO, f"shard {path}: no such file") from None
    except OSError as error:
        raise RidgeError(Status.RIDGE_ERR_IO, f"shard {path}: {error.strerror}") from None
    try:
        p = os.stat(_positions_path(path))
        companion = (p.st_ino, p.st_size, p.st_mtime_ns)
    except OSError:
        companion = None
    return (s.st_dev, s.st_ino, s.st_size, s.st_mtime_ns, companion)


def _load_shard(path: str) -> _LoadedShard:
    """The shard at path, from this process's cache unless its files changed."""
    with _cache_lock:
        path_lock = _path_locks.setdefault(path, threading.Lock())
    with path_lock:
        signature = _signature(path)
        with _cache_lock:
            loaded = _cache.get(path)
        if loaded is not None and loaded.signature == signature:
            return loaded
        try:
            gallery = Gallery.load(path)
        except RidgeError as error:
            raise RidgeError(error.status, f"shard {path}: {error.message}", error.name) from None
        try:
            facts = _read_positions(path, len(gallery))
        except BaseException:
            gallery.close()
            raise
        fresh = _LoadedShard(path, signature, gallery, facts)
        with _cache_lock:
            _cache[path] = fresh
        if loaded is not None:
            loaded.gallery.close()  # waits for the calls still using it
        return fresh


# One comparison thread per task: Dask runs as many tasks at once as the
# worker has threads.
_WORKER_THREADS = 1


def _describe_task(path: str) -> tuple:
    shard_ = _load_shard(path)
    f = shard_.facts
    facts = None if f is None else (f.index, f.count, f.cut, f.total)
    return shard_.count, facts


def _search_task(path: str, offset: int, probes: List[Tuple[str, Template]], top: Optional[int],
                 min_score: Optional[float]) -> List[Tuple[str, List[Tuple[int, str, float]]]]:
    shard_ = _load_shard(path)
    positions = shard_.positions(offset)
    found = []
    for name, probe in probes:
        hits = shard_.gallery._search(probe, top, min_score, _WORKER_THREADS)
        found.append((name, [(int(positions[i]), identifier, score) for i, identifier, score in hits]))
    return found


def _dedup_task(path: str, offset: int, min_score: float) -> List[tuple]:
    shard_ = _load_shard(path)
    positions = shard_.positions(offset)
    pairs = shard_.gallery._pairs("ridge_gallery_dedup", (float(min_score),), _WORKER_THREADS)
    return [(int(positions[i]), int(positions[j]), a, b, s) for i, j, a, b, s in pairs]


def _cross_task(first_path: str, first_offset: int, second_path: str, second_offset: int,
                min_score: float) -> List[tuple]:
    """Every pair of an entry of the first shard and one of the second.

    Each pair is scored as matchRawFPTs(earlier, later) in the whole
    gallery's order. The library's cross scores match(first, second). The
    comparison gives the same score with its arguments swapped unless the
    two templates differ but have the same minutia count and the same
    bounding-box area (then the first argument is the base template). So a
    pair whose second entry comes first keeps the cross score, except in
    that case, where it is scored again the right way round.
    """
    first, second = _load_shard(first_path), _load_shard(second_path)
    p1, p2 = first.positions(first_offset), second.positions(second_offset)
    counts1, areas1, ids1, templates1 = first.roles()
    counts2, areas2, ids2, templates2 = second.roles()

    def order_matters(i: int, j: int) -> bool:
        return (counts1[i] == counts2[j] and areas1[i] == areas2[j] and counts1[i] > 0
                and templates1[i] != templates2[j])

    out = []
    for i, j, a, b, s in first.gallery._cross(second.gallery, float(min_score), _WORKER_THREADS):
        if p1[i] < p2[j]:
            out.append((int(p1[i]), int(p2[j]), a, b, s))
        elif not order_matters(i, j):
            out.append((int(p2[j]), int(p1[i]), b, a, s))
    by_role = defaultdict(list)
    for j in range(len(counts2)):
        by_role[(counts2[j], areas2[j])].append(j)
    for i in range(len(counts1)):
        for j in by_role.get((counts1[i], areas1[i]), ()):
            if p2[j] < p1[i] and order_matters(i, j):
                s = match(templates2[j], templates1[i])
                if s >= min_score:
                    out.append((int(p2[j]), int(p1[i]), ids2[j], ids1[i], s))
    return out


# --------------------------------------------------------------------------
# Client side


def _shard_list(shards: Sequence[PathLike]) -> List[str]:
    if isinstance(shards, (str, bytes, os.PathLike)):
        raise TypeError("shards is a list of shard file paths")
    paths = [os.path.abspath(os.fspath(p)) for p in shards]
    if not paths:
        raise ValueError("no shard given")
    seen = set()
    for p in paths:
        if p in seen:
            raise ValueError(f"shard {p} is given twice")
        seen.add(p)
    return paths


def _placement(client, paths: List[str]) -> Dict[str, str]:
    """The worker that holds each shard: shard k on the k-th worker, round the ring."""
    workers = sorted(client.scheduler_info()["workers"])
    if not workers:
        raise RuntimeError("the Dask cluster has no worker")
    return {p: workers[k % len(workers)] for k, p in enumerate(paths)}


def _submit(client, placement: Dict[str, str], path: str, function, *args):
    return client.submit(function, *args, workers=[placement[path]], allow_other_workers=True, pure=False)


def _gather(client, futures, timeout: Optional[float]):
    from distributed import wait

    if timeout is not None:
        wait(futures, timeout=timeout)
    return client.gather(futures)


def _offsets(client, paths: List[str], placement, timeout: Optional[float]) -> Dict[str, int]:
    """Loads every shard on its worker, checks that they form one whole gallery,
    and returns each shard's first position when they carry no positions."""
    described = _gather(client, [_submit(client, placement, p, _describe_task, p) for p in paths], timeout)
    with_facts = [p for p, (_, facts) in zip(paths, described) if facts is not None]
    if with_facts and len(with_facts) != len(paths):
        lacking = next(p for p, (_, facts) in zip(paths, described) if facts is None)
        raise _corrupt(lacking, f"{_positions_path(lacking)} is missing (the other shards have theirs)")
    offsets, start = {}, 0
    for p, (count, _) in zip(paths, described):
        offsets[p] = start
        start += count
    if not with_facts:
        return offsets
    first_path, (_, first) = paths[0], described[0]
    index_of: Dict[int, str] = {}
    for p, (count, (index, n, cut, total)) in zip(paths, described):
        if cut != first[2] or n != first[1] or total != first[3]:
            raise _corrupt(p, f"is not of the same cut as {first_path}")
        if index in index_of:
            raise _corrupt(p, f"is shard {index + 1} of {n}, as {index_of[index]} is")
        index_of[index] = p
    if len(index_of) != first[1] or start != first[3]:
        missing = sorted(set(range(first[1])) - set(index_of))
        names = ", ".join(str(k + 1) for k in missing)
        raise RidgeError(
            Status.RIDGE_ERR_NOT_FOUND,
            f"shards {names} of {first[1]} are missing: the shards given hold {start} of the "
            f"{first[3]} entries of their gallery",
        )
    return offsets


def search(client, shards: Sequence[PathLike], probes: Mapping[str, Template], top: Optional[int] = 10,
           min_score: Optional[float] = None,
           timeout: Optional[float] = None) -> Dict[str, List[Tuple[str, float]]]:
    """Searches each probe in every shard; returns, per probe name, the global best list.

    ``probes`` maps names to templates. Each result is what
    :meth:`ridgesdk.Gallery.search` on one gallery of all the entries
    returns: (identifier, score) best first, equal scores in the original
    insertion order. ``timeout`` (seconds) bounds the wait for the cluster.

    Example::

        results = ridgesdk.distributed.search(client, shards, {"p1": probe}, top=5)
        results["p1"][0]          # ('101_1', 84.7)
    """
    paths = _shard_list(shards)
    _top(top)
    floor = _min_score(min_score)
    items = list(probes.items())
    for name, probe in items:
        if not isinstance(probe, Template):
            raise TypeError(f"probe {name!r} is not a ridgesdk.Template")
    placement = _placement(client, paths)
    offsets = _offsets(client, paths, placement, timeout)
    if not items:
        return {}
    futures = []
    for start in range(0, len(items), _PROBES_PER_TASK):
        batch = items[start:start + _PROBES_PER_TASK]
        for p in paths:
            futures.append(_submit(client, placement, p, _search_task, p, offsets[p], batch, top, floor))
    merged: Dict[str, list] = {name: [] for name, _ in items}
    for part in _gather(client, futures, timeout):
        for name, hits in part:
            merged[name].extend(hits)
    results = {}
    for name, hits in merged.items():
        hits.sort(key=lambda h: (-h[2], h[0]))
        if top is not None:
            del hits[top:]
        results[name] = [(identifier, score) for _, identifier, score in hits]
    return results


def dedup(client, shards: Sequence[PathLike], min_score: float,
          timeout: Optional[float] = None) -> List[Tuple[str, str, float]]:
    """All pairs of entries scoring at least min_score, within and across shards, each once.

    Returns what :meth:`ridgesdk.Gallery.dedup` on one gallery of all the
    entries returns: (earlier, later, match(earlier, later)), ordered by the
    earlier entry's original position, then the later one's.

    Example::

        for first, second, score in ridgesdk.distributed.dedup(client, shards, 28.7):
            print(first, second, score)
    """
    paths = _shard_list(shards)
    floor = _min_score(min_score)
    placement = _placement(client, paths)
    offsets = _offsets(client, paths, placement, timeout)
    futures = []
    for k, p in enumerate(paths):
        futures.append(_submit(client, placement, p, _dedup_task, p, offsets[p], floor))
        for q in paths[k + 1:]:
            # A cross block runs where one of its shards lives, alternately.
            home = p if (len(futures) % 2) else q
            futures.append(_submit(client, placement, home, _cross_task, p, offsets[p], q, offsets[q], floor))
    pairs = [pair for part in _gather(client, futures, timeout) for pair in part]
    pairs.sort(key=lambda pair: (pair[0], pair[1]))
    return [(a, b, s) for _, _, a, b, s in pairs]


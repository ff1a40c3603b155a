"""ridgesdk.distributed on a local cluster of two worker processes: the single gallery's results."""

from __future__ import annotations

import logging
import os
import shutil
import signal
import subprocess
import threading
import time

import numpy as np
import pytest

import ridgesdk
from conftest import filled, run_python
from ridgesdk import Gallery, RidgeError, Template

distributed = pytest.importorskip("distributed")
import ridgesdk.distributed as rd  # noqa: E402

WAIT = 240  # seconds: the longest any cluster wait may take before the test fails


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       dashboard_address=":0", silence_logs=logging.ERROR)
    client = distributed.Client(cluster, timeout=WAIT)
    try:
        client.wait_for_workers(2, timeout=WAIT)
        yield client
    finally:
        client.close(timeout=30)
        cluster.close(timeout=30)


def variants(templates, count, seed):
    """count templates: the given ones, then copies moved and thinned at random."""
    rng = np.random.default_rng(seed)
    base = list(templates)
    out = list(base)
    while len(out) < count:
        m = base[len(out) % len(base)].minutiae.copy()
        keep = rng.random(len(m)) > 0.15
        m = m[keep]
        m["x"] += int(rng.integers(-20, 21))
        m["y"] += int(rng.integers(-20, 21))
        m = m[(m["x"] >= 0) & (m["y"] >= 0)]
        out.append(Template(m))
    return out


def role_twins(templates, count=6):
    """Pairs whose score follows the argument order: the same minutia count and bounding box
    (the comparison then takes its first argument as the base), a third of the inner minutiae moved."""
    rng = np.random.default_rng(3)
    twins = []
    for k in range(400):
        m = templates[k % len(templates)].minutiae.copy()
        xs, ys = m["x"], m["y"]
        inner = np.where((xs > xs.min()) & (xs < xs.max()) & (ys > ys.min()) & (ys < ys.max()))[0]
        b = m.copy()
        pick = rng.choice(inner, size=len(inner) // 3, replace=False)
        b["x"][pick] = np.clip(b["x"][pick] + rng.integers(-25, 26, len(pick)), xs.min(), xs.max())
        b["y"][pick] = np.clip(b["y"][pick] + rng.integers(-25, 26, len(pick)), ys.min(), ys.max())
        first, second = Template(m), Template(b)
        if ridgesdk.match(first, second) != ridgesdk.match(second, first):
            twins.append((first, second))
            if len(twins) == count:
                return twins
    raise AssertionError("no pair whose score follows the argument order")


@pytest.fixture(scope="module")
def whole(tmp_path_factory, sample_templates, request):
    """A gallery file of 240 entries: real or sample templates and their variants, exact
    duplicates (ties), empty and tiny templates, and twins whose score follows the order."""
    try:
        real = request.getfixturevalue("real_templates")
        source = list(real.values())[::3]
    except pytest.skip.Exception:
        source = list(sample_templates.values())
    templates = variants(source, 210, seed=5)
    entries = [(f"person-{k:04d}", t) for k, t in enumerate(templates)]
    entries += [(f"dup-{k}", templates[k]) for k in range(0, 40, 4)]  # ties with the originals
    entries += [("empty", Template()), ("one", Template([(1, 5, 5, 5)]))]
    twins = role_twins(list(sample_templates.values()))
    # Each twin pair enrolled in both orders, far apart, so that shards see both.
    entries[50:50] = [(f"twin-{k}-b", b) for k, (_, b) in enumerate(twins)]
    entries += [(f"twin-{k}-a", a) for k, (a, _) in enumerate(twins)]
    path = tmp_path_factory.mktemp("whole") / "people.gallery"
    with filled(entries) as gallery:
        gallery.save(path)
    return path, entries


@pytest.fixture(scope="module")
def shards(whole, tmp_path_factory):
    return rd.shard(whole[0], 3, tmp_path_factory.mktemp("shards"))


def probes_of(entries):
    picked = {name: t for name, t in entries[::37]}
    picked["stranger"] = Template([(1, 300, 300, 10), (2, 320, 280, 100), (1, 280, 310, 200)] * 3)
    return picked


def test_shard_splits_by_a_stable_hash_keeping_the_order(whole, shards):
    path, entries = whole
    assert len(shards) == 3
    seen = []
    for k, shard_path in enumerate(shards):
        with Gallery.load(shard_path) as part:
            names = [name for name, _ in part]
        assert all(rd.shard_of(name, 3) == k for name in names)
        order = [n for n, _ in entries if n in set(names)]
        assert names == order
        seen += names
    assert sorted(seen) == sorted(n for n, _ in entries)
    assert rd.shard_of("person-0001", 3) == rd.shard_of("person-0001", 3)
    # Another process hashes alike (Python's own hash is salted per process).
    code = "import ridgesdk.distributed as rd; print(rd.shard_of('person-0001', 3))"
    out = run_python("-c", code)
    assert int(out.stdout) == rd.shard_of("person-0001", 3)


@pytest.mark.parametrize("top,min_score", [(10, None), (3, 15.0), (None, 30.0)])
def test_search_gives_the_single_gallery_result(client, whole, shards, top, min_score):
    path, entries = whole
    probes = probes_of(entries)
    found = rd.search(client, shards, probes, top=top, min_score=min_score, timeout=WAIT)
    with Gallery.load(path) as gallery:
        for name, probe in probes.items():
            assert found[name] == gallery.search(probe, top=top, min_score=min_score), name
    assert rd.search(client, shards, {}, timeout=WAIT) == {}


def test_dedup_gives_the_single_gallery_result_every_pair_and_order(client, whole, shards):
    path, _ = whole
    with Gallery.load(path) as gallery:
        every = gallery.dedup(0.0)  # every pair's score: both orientations checked
    assert rd.dedup(client, shards, 0.0, timeout=WAIT) == every
    assert rd.dedup(client, shards, 25.0, timeout=WAIT) == [p for p in every if p[2] >= 25.0]


def test_plain_gallery_files_are_the_parts_of_one_gallery_in_the_order_given(client, whole, shards, tmp_path):
    plain = []
    for k, shard_path in enumerate(shards):
        copy = tmp_path / f"part{k}.gallery"
        shutil.copy(shard_path, copy)
        plain.append(str(copy))
    plain.reverse()
    with Gallery() as joined:
        for part_path in plain:
            with Gallery.load(part_path) as part:
                for name, t in part:
                    joined.add(name, t)
        assert rd.dedup(client, plain, 20.0, timeout=WAIT) == joined.dedup(20.0)
        probes = probes_of(whole[1])
        found = rd.search(client, plain, probes, top=None, min_score=1.0, timeout=WAIT)
        assert all(found[n] == joined.search(p, top=None, min_score=1.0) for n, p in probes.items())


def copies(shards, folder):
    out = []
    for shard_path in shards:
        for suffix in ("", ".positions"):
            shutil.copy(shard_path + suffix, folder / (os.path.basename(shard_path) + suffix))
        out.append(str(folder / os.path.basename(shard_path)))
    return out


def flip_middle_byte(path):
    data = bytearray(open(path, "rb").read())
    data[len(data) // 2] ^= 0x20
    open(path, "wb").write(bytes(data))


FAULTS = [
    ("missing shard", lambda s: os.remove(s[1]), "RIDGE_ERR_IO", 1, ""),
    ("damaged shard", lambda s: flip_middle_byte(s[1]), "RIDGE_ERR_CORRUPT", 1, ""),
    ("damaged positions", lambda s: flip_middle_byte(s[2] + ".positions"), "RIDGE_ERR_CORRUPT", 2, "checksum"),
    ("missing positions", lambda s: os.remove(s[0] + ".positions"), "RIDGE_ERR_CORRUPT", 0, "missing"),
    ("another shard's gallery", lambda s: shutil.copy(s[1], s[0]), "RIDGE_ERR_CORRUPT", 0, "another gallery file"),
]


@pytest.mark.parametrize("label,fault,status,named,text", FAULTS, ids=[f[0] for f in FAULTS])
@pytest.mark.parametrize("job", ["search", "dedup"])
def test_a_missing_or_damaged_shard_fails_the_job_naming_it(client, shards, whole, tmp_path, job, label, fault,
                                                            status, named, text):
    mine = copies(shards, tmp_path)
    if job == "search":  # loaded before the fault: the worker notices the change
        rd.search(client, mine, probes_of(whole[1]), timeout=WAIT)
    fault(mine)
    with pytest.raises(RidgeError, match=text) as caught:
        if job == "search":
            rd.search(client, mine, probes_of(whole[1]), timeout=WAIT)
        else:
            rd.dedup(client, mine, 20.0, timeout=WAIT)
    assert caught.value.name == status
    assert mine[named] in caught.value.message


def test_a_set_of_shards_that_is_not_one_whole_gallery_is_refused(client, whole, shards, tmp_path):
    with pytest.raises(RidgeError, match="shards 2 of 3 are missing"):
        rd.dedup(client, [shards[0], shards[2]], 20.0, timeout=WAIT)
    other_cut = rd.shard(whole[0], 3, tmp_path)
    with pytest.raises(RidgeError, match="same cut"):
        rd.search(client, [shards[0], other_cut[1], shards[2]], probes_of(whole[1]), timeout=WAIT)
    with pytest.raises(ValueError, match="twice"):
        rd.dedup(client, [shards[0], shards[0]], 20.0, timeout=WAIT)


def dedup_killing_a_worker(client, entries, folder):
    """The result of a dedup job during which a worker process was killed, or None when
    the job ended before a worker could be caught running one of its tasks."""
    folder.mkdir()
    path = folder / "big.gallery"
    with filled(entries) as gallery:
        gallery.save(path)
    parts = rd.shard(path, 4, folder / "shards")
    pids = client.run(os.getpid)
    outcome = {}

    def job():
        try:
            outcome["pairs"] = rd.dedup(client, parts, 30.0, timeout=WAIT)
        except BaseException as error:
            outcome["error"] = error

    runner = threading.Thread(target=job)
    runner.start()
    victim = None
    deadline = time.monotonic() + WAIT
    while victim is None and runner.is_alive() and time.monotonic() < deadline:
        for address, keys in client.processing().items():
            if address in pids and any("cross_task" in str(k) or "dedup_task" in str(k) for k in keys):
                victim = address
                break
        else:
            time.sleep(0.02)
    if victim is not None:
        os.kill(pids[victim], signal.SIGKILL)
    runner.join(WAIT)
    assert not runner.is_alive()
    assert "error" not in outcome, outcome.get("error")
    client.wait_for_workers(2, timeout=WAIT)  # the nanny starts a new one
    return outcome["pairs"] if victim is not None else None


def test_a_worker_killed_mid_job_leaves_the_result_unchanged(client, sample_templates, tmp_path):
    for size in (500, 1500):  # a longer job when the first ends too soon
        entries = [(f"e{k}", t) for k, t in enumerate(variants(sample_templates.values(), size, seed=9))]
        pairs = dedup_killing_a_worker(client, entries, tmp_path / str(size))
        if pairs is not None:
            break
    assert pairs is not None, "every job ended before a worker could be killed"
    with filled(entries) as gallery:
        assert pairs == gallery.dedup(30.0)


def run_cli(*args, cwd=None):
    return run_python("-m", "ridgesdk.distributed", *args, cwd=cwd, stdin=subprocess.DEVNULL, timeout=WAIT)


def test_command_line_on_a_scheduler_and_on_a_local_cluster(client, whole, shards, tmp_path):
    path, entries = whole
    probes = {name: t for name, t in entries[:3]}
    probe_files = []
    for name, t in probes.items():
        (tmp_path / f"{name}.raw").write_bytes(t.to_bytes())
        probe_files += ["--probe", tmp_path / f"{name}.raw"]
    address = client.scheduler.address
    result = run_cli("search", "--scheduler", address, "--top", 4, *probe_files, os.path.dirname(shards[0]))
    assert result.returncode == 0, result.stderr
    assert "searching" not in result.stderr  # no progress without a terminal
    with Gallery.load(path) as gallery:
        expected = [f"{name}\t{rank}\t{ident}\t{score:.6f}" for name, t in probes.items()
                    for rank, (ident, score) in enumerate(gallery.search(t, top=4), 1)]
        assert result.stdout.splitlines() == expected
        pairs = [f"{a}\t{b}\t{s:.6f}" for a, b, s in gallery.dedup(40.0)]
    result = run_cli("dedup", "--workers", 2, "--min-score", 40, *shards)
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == pairs


@pytest.mark.parametrize("args,code,text", [
    (["--help"], 0, "usage:"),
    (["--version"], 0, ridgesdk.__version__),
    (["dedup"], 2, "usage:"),
    (["search", "x.gallery"], 2, "--probe"),
    (["dedup", "--min-score", "20", "--workers", "0", "x.gallery"], 2, "--workers"),
    (["shard", "none.gallery", "3", "out"], 1, "RIDGE_ERR_IO"),
    (["search", "--probe", "p.txt", "x.gallery"], 1, "p.txt: not a gallery"),
])
def test_command_line_usage_and_failures(args, code, text, tmp_path):
    result = run_cli(*args, cwd=tmp_path)
    assert result.returncode == code
    assert text in (result.stdout if code == 0 else result.stderr)
    if code == 1:
        assert len(result.stderr.splitlines()) == 1
    assert not (tmp_path / "out").exists() or code != 1 or "shard" not in args

"""Gallery: search and de-duplication give match()'s scores in the library's order; entries and files."""

from __future__ import annotations

import threading

import pytest

import ridgesdk
from conftest import filled
from ridgesdk import Gallery, RidgeError, Template


def shifted(template: Template, dx: int, dy: int) -> Template:
    m = template.minutiae.copy()
    m["x"] += dx
    m["y"] += dy
    return Template(m)


@pytest.fixture(scope="module")
def entries(sample_templates):
    """Sample templates, moved copies, and exact duplicates (ties) under other names."""
    out = []
    for name, t in sample_templates.items():
        out.append((name, t))
        out.append((name + "+moved", shifted(t, 7, -3)))
    out.append(("copy of 101_1", sample_templates["101_1"]))
    out.append(("another copy of 101_1", sample_templates["101_1"]))
    out.append(("empty", Template()))
    out.append(("three", Template([(1, 50, 60, 10), (2, 80, 90, 20), (1, 120, 40, 30)])))
    return out


def brute_search(entries, probe, top, min_score):
    scored = [(-ridgesdk.match(probe, t), k, name) for k, (name, t) in enumerate(entries)]
    scored = [s for s in scored if -s[0] >= (min_score or 0.0)]
    scored.sort()
    return [(name, -negative) for negative, _, name in scored[:top]]


def brute_dedup(entries, min_score):
    found = []
    for i, (a, ta) in enumerate(entries):
        for b, tb in entries[i + 1:]:
            s = ridgesdk.match(ta, tb)
            if s >= min_score:
                found.append((a, b, s))
    return found


@pytest.mark.parametrize("top,min_score,threads", [(10, None, None), (3, None, 1), (None, 20.0, 2), (None, None, 3)])
def test_search_lists_what_match_gives_best_first_ties_in_insertion_order(entries, sample_templates, top,
                                                                          min_score, threads):
    with filled(entries) as gallery:
        for probe in list(sample_templates.values()) + [Template(), entries[-1][1]]:
            assert gallery.search(probe, top=top, min_score=min_score, threads=threads) == \
                brute_search(entries, probe, top, min_score)


def test_dedup_lists_every_pair_once_scored_earlier_against_later(entries):
    with filled(entries) as gallery:
        assert gallery.dedup(0.0) == brute_dedup(entries, 0.0)
        assert gallery.dedup(25.0, threads=1) == brute_dedup(entries, 25.0)


def test_entries_replace_in_place_remove_and_survive_a_file(entries, tmp_path):
    path = tmp_path / "people.gallery"
    with filled(entries) as gallery:
        assert len(gallery) == len(entries)
        assert gallery.add("102_2", Template()) is True  # replaced: keeps its place
        expected = [(n, Template() if n == "102_2" else t) for n, t in entries]
        assert list(gallery) == expected
        gallery.remove("101_3")
        del expected[[n for n, _ in expected].index("101_3")]
        with pytest.raises(RidgeError) as caught:
            gallery.remove("101_3")
        assert caught.value.status == ridgesdk.Status.RIDGE_ERR_NOT_FOUND
        gallery.add("Ünïcode ✓", entries[0][1])
        expected.append(("Ünïcode ✓", entries[0][1]))
        gallery.save(path)
        assert gallery.memory > 0
        with pytest.raises(IndexError):
            gallery.entry(len(expected))
    with Gallery.load(path) as again:
        assert list(again) == expected
        assert gallery.__repr__() == "<ridgesdk.Gallery (closed)>"


def test_damaged_and_missing_files_are_refused_with_their_reason(entries, tmp_path):
    path = tmp_path / "g.gallery"
    with filled(entries) as gallery:
        gallery.save(path)
    data = bytearray(path.read_bytes())
    data[len(data) // 2] ^= 0x40
    path.write_bytes(bytes(data))
    with pytest.raises(RidgeError) as caught:
        Gallery.load(path)
    assert caught.value.name == "RIDGE_ERR_CORRUPT"
    with pytest.raises(RidgeError) as caught:
        Gallery.load(tmp_path / "none.gallery")
    assert caught.value.name == "RIDGE_ERR_IO" and "none.gallery" in caught.value.message


@pytest.mark.parametrize("template,text", [
    (Template([(1, 10, 10, 90)] * 3 + [(1, 10, 10, 400)]), "minutia 3 .*angle"),
    (Template([(1, 20000, 10, 90)]), "minutia 0 .*x"),
    (Template([(1, 10, 10, 90)] * 129), "128"),
])
def test_templates_out_of_bounds_are_refused_at_enrolment_naming_the_minutia(template, text):
    with Gallery() as gallery:
        with pytest.raises(RidgeError, match=text) as caught:
            gallery.add("bad", template)
        assert caught.value.status == ridgesdk.Status.FPT_ERR_SIZE
        assert len(gallery) == 0


@pytest.mark.parametrize("call,error", [
    (lambda g, t: g.add("", t), RidgeError),
    (lambda g, t: g.add("tab\there", t), RidgeError),
    (lambda g, t: g.add("x" * 256, t), RidgeError),
    (lambda g, t: g.add(b"bytes", t), TypeError),
    (lambda g, t: g.add("fine", t.to_bytes()), TypeError),
    (lambda g, t: g.search(t, top=0), ValueError),
    (lambda g, t: g.search(t, top=True), ValueError),
    (lambda g, t: g.search(t, min_score=float("nan")), ValueError),
    (lambda g, t: g.search(t, threads=0), ValueError),
    (lambda g, t: g.search(t.to_bytes()), TypeError),
    (lambda g, t: g.dedup(float("nan")), ValueError),
])
def test_wrong_arguments_are_refused(sample_templates, call, error):
    with Gallery() as gallery:
        with pytest.raises(error):
            call(gallery, sample_templates["101_1"])
        assert len(gallery) == 0


def test_a_closed_gallery_refuses_calls_and_closing_waits_for_searches(entries, sample_templates):
    gallery = filled(entries * 1)
    probe = sample_templates["102_1"]
    expected = gallery.search(probe)
    results, failures = [], []

    def searcher():
        try:
            for _ in range(20):
                results.append(gallery.search(probe, threads=1))
        except ValueError:
            pass  # closed meanwhile: refused cleanly
        except BaseException as error:
            failures.append(error)

    threads = [threading.Thread(target=searcher) for _ in range(4)]
    for t in threads:
        t.start()
    gallery.close()
    for t in threads:
        t.join(timeout=120)
    assert not failures
    assert all(r == expected for r in results)
    gallery.close()  # a second close does nothing
    with pytest.raises(ValueError, match="closed"):
        len(gallery)
    with pytest.raises(ValueError, match="closed"):
        gallery.search(probe)


def test_ctrl_c_stops_a_long_job_and_the_process_ends_cleanly(tmp_path):
    from conftest import SAMPLES, run_python

    script = f"""
import os, signal, threading, pathlib, ridgesdk
bases = [ridgesdk.extract(ridgesdk.read_image(p)) for p in sorted(pathlib.Path({str(SAMPLES)!r}).glob('*.bmp'))]
gallery = ridgesdk.Gallery()
for k in range(3000):
    m = bases[k % len(bases)].minutiae.copy()
    m['x'] += k % 50
    gallery.add(f'e{{k}}', ridgesdk.Template(m))
threading.Timer(0.5, lambda: os.kill(os.getpid(), signal.SIGINT)).start()
try:
    gallery.dedup(20.0)
    print('finished')
except KeyboardInterrupt:
    print('interrupted')
print(len(gallery.search(bases[0], top=3)))
"""
    result = run_python("-c", script, timeout=600)
    assert (result.returncode, result.stdout) == (0, "interrupted\n3\n"), result.stderr

"""Templates, extraction, quality, comparison and images against the C library and programs."""

from __future__ import annotations

import inspect
import os
import pickle
import struct
import threading
import zlib

import numpy as np
import pytest

import ridgesdk
from conftest import run_program, run_python


def scores_through_programs(images, tmp_path):
    """Templates that ridgeforge writes (raw binary) and ridgescore's score of every ordered pair."""
    names = []
    for image in images:
        name = f"{image.parent.name}_{image.stem}.raw"
        result = run_program("ridgeforge", 2, image, name, cwd=tmp_path)
        assert result.returncode == 0, result.stdout + result.stderr
        names.append(name)
    pairs = [(a, b) for a in names for b in names if a != b]
    (tmp_path / "list.txt").write_text("".join(f"{a} {b}\n" for a, b in pairs))
    result = run_program("ridgescore", 2, "list.txt", "scores.txt", cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr
    lines = (tmp_path / "scores.txt").read_text().splitlines()
    assert len(lines) == len(pairs)
    return names, lines


def check_against_programs(images, tmp_path):
    names, lines = scores_through_programs(images, tmp_path)
    templates = {}
    for image, name in zip(images, names):
        template = ridgesdk.extract(ridgesdk.read_image(image))
        assert template.to_bytes() == (tmp_path / name).read_bytes(), image
        templates[name] = template
    mine = [f"{a}, {b}, {ridgesdk.match(templates[a], templates[b]):f}"
            for a in names for b in names if a != b]
    assert mine == lines


def test_templates_and_scores_equal_the_c_programs_on_the_samples(sample_paths, tmp_path):
    check_against_programs(sample_paths, tmp_path)


def test_templates_and_scores_equal_the_c_programs_on_real_data(real_templates, tmp_path):
    from conftest import shared_data

    # Two fingers of each set, all eight impressions: 48 images, 2256 ordered pairs.
    images = [p for s in sorted(shared_data().glob("fvc2002_db*_b"))
              for p in sorted(s.glob("*.bmp")) if p.stem.split("_")[0] in ("101", "102")]
    check_against_programs(images, tmp_path)


# -- images given as arrays -------------------------------------------------

BAD_IMAGES = [
    ("float", np.zeros((40, 40), np.float64), TypeError, "float64"),
    ("int16", np.zeros((40, 40), np.int16), TypeError, "int16"),
    ("bool", np.zeros((40, 40), bool), TypeError, "bool"),
    ("signed bytes", np.zeros((40, 40), np.int8), TypeError, "int8"),
    ("list of ints", [[0, 1], [2, 3]], TypeError, "int64"),
    ("colour", np.zeros((40, 40, 3), np.uint8), ValueError, "(40, 40, 3)"),
    ("one row of bytes", np.zeros(1600, np.uint8), ValueError, "(1600,)"),
    ("a scalar", np.uint8(7), ValueError, "()"),
    ("no rows", np.zeros((0, 40), np.uint8), ValueError, "no pixel"),
    ("no columns", np.zeros((40, 0), np.uint8), ValueError, "no pixel"),
]


@pytest.mark.parametrize("label,image,error,text", BAD_IMAGES, ids=[b[0] for b in BAD_IMAGES])
@pytest.mark.parametrize("function", [ridgesdk.extract, ridgesdk.quality])
def test_images_of_other_types_and_shapes_are_refused(function, label, image, error, text):
    with pytest.raises(error, match=text.replace("(", r"\(").replace(")", r"\)")):
        function(image)


def test_views_and_fortran_arrays_give_the_result_of_their_contiguous_copy(sample_paths):
    image = ridgesdk.read_image(sample_paths[0])
    wide = np.zeros((image.shape[0], image.shape[1] * 2), np.uint8)
    wide[:, ::2] = image
    strided = wide[:, ::2]  # every second column: not contiguous
    fortran = np.asfortranarray(image)
    assert not strided.flags.c_contiguous and not fortran.flags.c_contiguous
    expected = ridgesdk.extract(image)
    assert ridgesdk.extract(strided) == expected
    assert ridgesdk.extract(fortran) == expected
    assert ridgesdk.quality(strided) == ridgesdk.quality(image)
    assert image.flags.writeable  # left as it was


def test_quality_of_the_samples_matches_ridgeforge(sample_paths, tmp_path):
    for path in sample_paths[:3]:
        result = run_program("ridgeforge", 2, path, "q.raw", cwd=tmp_path)
        figure, area = ridgesdk.quality(ridgesdk.read_image(path))
        assert f"input image quality = {figure:f}; size = {area} in pixels" in result.stdout


def test_an_image_without_a_fingerprint_raises_or_gives_an_empty_template():
    flat = np.full((64, 64), 200, np.uint8)
    try:
        template = ridgesdk.extract(flat)
    except ridgesdk.RidgeError as error:
        assert error.status == ridgesdk.Status.FPT_FAILED
        assert error.name == "FPT_FAILED" and "generateRawFPT" in str(error)
    else:
        assert len(template) == 0


# -- templates --------------------------------------------------------------


def test_template_bytes_round_trip_in_every_format(sample_templates):
    for template in sample_templates.values():
        raw = template.to_bytes()
        assert len(raw) == 16 * len(template)
        assert ridgesdk.Template.from_bytes(raw) == template
        assert ridgesdk.Template.from_bytes(template.to_bytes("packed"), "packed") == template
        record = template.to_bytes("fmr378", finger_quality=80, finger_position=3, impression_type=8,
                                   image_width=388, image_height=374)
        assert record[:4] == b"FMR\0" and len(record) == 32 + 6 * len(template)
        assert ridgesdk.Template.from_bytes(record, "fmr378") == template  # even angles: exact
        assert pickle.loads(pickle.dumps(template)) == template


def test_template_from_minutiae_and_its_array():
    rows = [(1, 100, 200, 90), (2, 300, 50, 359)]
    template = ridgesdk.Template(rows)
    assert len(template) == 2
    assert template.minutiae.dtype == ridgesdk.MINUTIA_DTYPE
    assert template.minutiae.tolist() == rows
    assert ridgesdk.Template(template.minutiae) == template
    assert ridgesdk.Template(np.array(rows, np.int64)) == template
    assert ridgesdk.Template(iter(rows)) == template
    assert template.to_bytes() == struct.pack("<8i", *rows[0], *rows[1])
    assert hash(template) == hash(ridgesdk.Template(rows))
    assert template != ridgesdk.Template(rows[:1]) and template != rows
    assert len(ridgesdk.Template()) == 0
    with pytest.raises(ValueError):
        template.minutiae["x"][0] = 5  # a view of immutable bytes


@pytest.mark.parametrize("minutiae,error", [
    ([(1, 2, 3)], ValueError),
    ([(1.5, 2, 3, 4)], TypeError),
    ([(1, 2**31, 3, 4)], ValueError),
    (np.zeros(3, [("x", "i4"), ("y", "i4")]), ValueError),
])
def test_minutiae_that_are_not_four_32_bit_integers_are_refused(minutiae, error):
    with pytest.raises(error):
        ridgesdk.Template(minutiae)


HEADER_CASES = [
    ({"finger_quality": 101}, ValueError, "finger_quality 101"),
    ({"finger_quality": 356}, ValueError, "finger_quality"),  # the C call would read 100
    ({"finger_position": 11}, ValueError, "finger_position"),
    ({"finger_position": -1}, ValueError, "finger_position"),
    ({"impression_type": 4}, ValueError, "impression_type"),
    ({"image_width": 65536}, ValueError, "image_width"),  # the record holds 16 bits
    ({"image_height": -5}, ValueError, "image_height"),
    ({"image_height": 3.0}, TypeError, "integer"),
    ({"quality": 50}, TypeError, "unknown"),
]


@pytest.mark.parametrize("header,error,text", HEADER_CASES)
def test_fmr378_header_values_out_of_range_are_refused(sample_templates, header, error, text):
    with pytest.raises(error, match=text):
        sample_templates["101_1"].to_bytes("fmr378", **header)


def test_format_names_and_header_values_elsewhere_are_refused(sample_templates):
    template = sample_templates["101_1"]
    with pytest.raises(ValueError, match="format"):
        template.to_bytes("iso")
    with pytest.raises(TypeError, match="header"):
        template.to_bytes("packed", finger_quality=5)
    with pytest.raises(ValueError, match="16-byte"):
        ridgesdk.Template.from_bytes(b"\0" * 17)


@pytest.mark.parametrize("change,status", [
    (lambda r: b"FMX" + r[3:], "FPT_ERR_FMR_FORMAT_ID"),
    (lambda r: r[:4] + b" 21\0" + r[8:], "FPT_ERR_FMR_VERSION"),
    (lambda r: r[:20], "FPT_ERR_FMR_LENGTH"),
])
def test_damaged_records_raise_the_converter_status(sample_templates, change, status):
    record = sample_templates["101_1"].to_bytes("fmr378")
    with pytest.raises(ridgesdk.RidgeError) as caught:
        ridgesdk.Template.from_bytes(change(record), "fmr378")
    assert caught.value.name == status and "FMR378FPT_2_RawFPT" in caught.value.message


def test_a_template_beyond_the_packed_range_has_no_packed_form():
    with pytest.raises(ridgesdk.RidgeError) as caught:
        ridgesdk.Template([(1, 1024, 5, 10)]).to_bytes("packed")
    assert caught.value.status == ridgesdk.Status.FPT_ERR_SIZE


@pytest.mark.parametrize("minutiae,text", [
    ([(1, 10, 10, 90)] * 5 + [(1, 10, 10, 361)], "minutia 5 .*angle"),
    ([(1, 16384, 10, 90)], "minutia 0 .*x"),
    ([(1, 10, -1, 90)], "minutia 0 .*y"),
    ([(1, 10, 10, 90)] * 129, "more than 128 minutiae"),
])
def test_refused_templates_name_the_first_bad_minutia(sample_templates, minutiae, text):
    bad = ridgesdk.Template(minutiae)
    for first, second, which in ((bad, sample_templates["101_1"], "first"),
                                 (sample_templates["101_1"], bad, "second")):
        with pytest.raises(ridgesdk.RidgeError, match=f"{which} template: .*{text}") as caught:
            ridgesdk.match(first, second)
        assert caught.value.status == ridgesdk.Status.FPT_ERR_SIZE


def test_errors_carry_status_name_and_message_and_survive_pickling():
    error = ridgesdk.RidgeError(-102, "cannot open x")
    assert (error.status, error.name, error.message) == (ridgesdk.Status.RIDGE_ERR_IO, "RIDGE_ERR_IO", "cannot open x")
    assert str(error) == "RIDGE_ERR_IO: cannot open x"
    again = pickle.loads(pickle.dumps(error))
    assert (again.status, again.name, again.message) == (error.status, error.name, error.message)
    assert ridgesdk.RidgeError(-555, "odd").name == "UNKNOWN_STATUS"
    with pytest.raises(TypeError):
        ridgesdk.match(ridgesdk.Template(), b"")


# -- images -----------------------------------------------------------------


def png_bytes(pixels: np.ndarray) -> bytes:
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    height, width = pixels.shape
    rows = b"".join(b"\0" + pixels[r].tobytes() for r in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def test_read_image_reads_bmp_png_and_pgm_alike(sample_paths, tmp_path):
    image = ridgesdk.read_image(sample_paths[0])
    assert image.dtype == np.uint8 and image.shape == (374, 388) and image.flags.c_contiguous
    (tmp_path / "a.png").write_bytes(png_bytes(image))
    (tmp_path / "a.pgm").write_bytes(b"P5\n388 374\n255\n" + image.tobytes())
    assert np.array_equal(ridgesdk.read_image(tmp_path / "a.png"), image)
    assert np.array_equal(ridgesdk.read_image(str(tmp_path / "a.pgm")), image)


def test_read_image_resamples_from_the_given_resolution(sample_paths, tmp_path):
    image = ridgesdk.read_image(sample_paths[0], ppi=1000)
    assert image.shape == (187, 194)
    assert np.array_equal(ridgesdk.read_image(sample_paths[0], ppi=500), ridgesdk.read_image(sample_paths[0]))
    (tmp_path / "a.pgm").write_bytes(b"P5\n4 4\n255\n" + bytes(16))
    with pytest.raises(ridgesdk.RidgeError, match="states no resolution"):
        ridgesdk.read_image(tmp_path / "a.pgm", ppi="file")
    for bad in ("high", float("nan"), True):
        with pytest.raises(ValueError):
            ridgesdk.read_image(sample_paths[0], ppi=bad)
    with pytest.raises(ridgesdk.RidgeError) as caught:
        ridgesdk.read_image(sample_paths[0], ppi=20)
    assert caught.value.name == "RIDGE_ERR_ARGUMENT"


def test_read_image_failures_name_the_file(tmp_path):
    with pytest.raises(ridgesdk.RidgeError) as caught:
        ridgesdk.read_image(tmp_path / "none.bmp")
    assert caught.value.name == "RIDGE_ERR_IO" and "none.bmp" in caught.value.message
    (tmp_path / "text.bmp").write_text("not an image")
    with pytest.raises(ridgesdk.RidgeError) as caught:
        ridgesdk.read_image(tmp_path / "text.bmp")
    assert caught.value.name in ("RIDGE_ERR_UNSUPPORTED", "RIDGE_ERR_CORRUPT")


# -- diagnostics, threads, the library --------------------------------------


def test_diagnostics_are_dropped_unless_routed(sample_templates, capfd, caplog):
    small = ridgesdk.Template([(1, 10 * k, 20 * k, 30) for k in range(1, 4)])
    probe = sample_templates["101_1"]
    ridgesdk.match(small, probe)
    assert capfd.readouterr() == ("", "")
    received = []
    try:
        ridgesdk.set_diagnostics(lambda kind, text: received.append((kind, text)))
        ridgesdk.match(small, probe)
        assert received == [(2, "\n liveElements = 3; 5 random minutiae added\n")]
        ridgesdk.set_diagnostics("logging")
        with caplog.at_level("DEBUG", logger="ridgesdk"):
            ridgesdk.match(probe, small)
        assert "liveElements = 3" in caplog.text
        ridgesdk.set_diagnostics("warnings")
        with pytest.warns(ridgesdk.RidgeWarning, match="liveElements"):
            ridgesdk.match(probe, small)
        ridgesdk.set_diagnostics("print")
        ridgesdk.match(probe, small)
        assert "liveElements = 3; 5 random minutiae added" in capfd.readouterr().out
        with pytest.raises(ValueError):
            ridgesdk.set_diagnostics("stderr")
    finally:
        ridgesdk.set_diagnostics("drop")
    ridgesdk.match(probe, small)
    assert capfd.readouterr() == ("", "")


def test_threads_compare_and_extract_at_once_with_the_serial_results(sample_paths, sample_templates):
    items = list(sample_templates.values())
    expected = [[ridgesdk.match(a, b) for b in items] for a in items]
    images = [ridgesdk.read_image(p) for p in sample_paths]
    results, failures = {}, []

    def work(k):
        try:
            for _ in range(5):
                assert [ridgesdk.match(items[k], b) for b in items] == expected[k]
            results[k] = ridgesdk.extract(images[k])
        except BaseException as error:  # reported by the main thread
            failures.append(error)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(len(items))]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=120)
    assert not failures
    assert [results[k] for k in range(len(items))] == items


def run_code(code, env_changes, cwd):
    env = dict(os.environ)
    env.update({k: v for k, v in env_changes.items() if v is not None})
    for k, v in env_changes.items():
        if v is None:
            env.pop(k, None)
    return run_python("-c", code, cwd=cwd, env=env)


def test_the_library_in_ridgesdk_library_wins_and_a_wrong_one_is_named(tmp_path):
    result = run_code("import ridgesdk; ridgesdk.match(ridgesdk.Template(), ridgesdk.Template())",
                        {"RIDGESDK_LIBRARY": str(tmp_path / "libnone.so")}, tmp_path)
    assert result.returncode != 0
    assert "libnone.so" in result.stderr and "RIDGESDK_LIBRARY" in result.stderr
    code = "import ridgesdk; print(ridgesdk.__version__, ridgesdk.library_version(), ridgesdk.library_path())"
    result = run_code(code, {"RIDGESDK_LIBRARY": ridgesdk.library_path()}, tmp_path)
    version, library_version, path = result.stdout.split()
    assert version == library_version == ridgesdk.library_version()
    assert path == ridgesdk.library_path()


def test_help_reads_well():
    text = ridgesdk.__doc__
    assert "Example::" in text
    for name in ridgesdk.__all__:
        item = getattr(ridgesdk, name)
        if inspect.isfunction(item) or inspect.isclass(item):
            assert item.__doc__ and "Example::" in item.__doc__, name


def test_the_readme_examples_print_what_the_readme_shows(tmp_path):
    from conftest import SOURCE

    text = (SOURCE / "README.md").read_text()
    section = text[text.index("## Python"):]
    section = section[:section.find("\n## ", 1)]
    examples = section.split("```python\n")[1:]
    assert len(examples) >= 2
    # Run where the samples are at their paths but files written stay out of the source tree.
    (tmp_path / "tests").symlink_to(SOURCE / "tests")
    for example in examples:
        code = example.split("```", 1)[0]
        shown = example.split("```", 2)[2].split("```", 1)[0].strip("\n")  # the next block
        assert len(code.strip().splitlines()) <= 10
        (tmp_path / "example.py").write_text(code)
        result = run_python(tmp_path / "example.py", cwd=tmp_path)
        assert result.returncode == 0, result.stderr
        assert result.stdout.strip("\n") == shown

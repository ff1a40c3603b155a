"""Inspections and their pictures against extract, match and the ridgeview program."""

from __future__ import annotations

import math
import threading

import numpy as np
import pytest

import ridgesdk
from conftest import SAMPLES, run_program


@pytest.fixture(scope="module")
def images(sample_paths):
    return {p.stem: ridgesdk.read_image(p) for p in sample_paths}


@pytest.fixture(scope="module")
def inspections(images):
    return {name: ridgesdk.inspect(image) for name, image in images.items()}


def ridgeview(*args, cwd):
    result = run_program("ridgeview", *args, cwd=cwd)
    assert result.returncode == 0, result.stderr
    return result.stdout


def assert_png_shows(path, picture):
    """The PNG file decodes (through Pillow, when installed) to exactly these RGB pixels."""
    try:
        from PIL import Image
    except ImportError:
        return
    with Image.open(path) as png:
        assert png.mode == "RGB"
        np.testing.assert_array_equal(np.asarray(png), picture)


def test_the_inspection_is_the_extraction_with_its_products(images, inspections):
    for name, image in images.items():
        seen = inspections[name]
        assert seen.template == ridgesdk.extract(image), name
        height, width = image.shape
        grid = (math.ceil(height / 8), math.ceil(width / 8))
        for field in ("direction", "low_contrast", "low_flow", "high_curvature", "quality"):
            block_map = getattr(seen, field)
            assert block_map.shape == grid and block_map.dtype == np.int32, (name, field)
            assert not block_map.flags.writeable
        assert seen.direction.min() >= -1 and seen.direction.max() <= 15
        assert set(np.unique(seen.quality)) <= {0, 1, 2, 3, 4}
        for flag in (seen.low_contrast, seen.low_flow, seen.high_curvature):
            assert set(np.unique(flag)) <= {0, 1}
        # No direction where the block is too flat to analyse.
        assert (seen.direction[seen.low_contrast == 1] == -1).all()
        assert seen.binary.shape == image.shape and set(np.unique(seen.binary)) == {0, 255}
        np.testing.assert_array_equal(seen.image, image)

        # The kept candidates are the template, each once, at its own place.
        kept = seen.candidates[seen.candidates["fate"] == ridgesdk.Fate.KEPT]
        assert sorted(kept["template_index"]) == list(range(len(seen.template)))
        placed = seen.template.minutiae[kept["template_index"]]
        for field in ("x", "y", "type"):
            np.testing.assert_array_equal(placed[field], kept[field])
        dropped = seen.candidates[seen.candidates["fate"] != ridgesdk.Fate.KEPT]
        assert (dropped["template_index"] == -1).all()
        assert set(dropped["fate"]) <= {ridgesdk.Fate.NEAR_VOID, ridgesdk.Fate.OPEN_SIDE, ridgesdk.Fate.OVER_CAP}
        assert ((seen.candidates["reliability"] >= 0.01) & (seen.candidates["reliability"] <= 0.99)).all()
        np.testing.assert_array_equal(seen.reliability[kept["template_index"]], kept["reliability"])


def test_images_the_extraction_refuses():
    with pytest.raises(ridgesdk.RidgeError) as error:
        ridgesdk.inspect(np.zeros((2, 2), np.uint8))
    assert error.value.name == "FPT_FAILED"
    with pytest.raises(TypeError):
        ridgesdk.inspect(np.zeros((40, 40), np.float32))
    blank = ridgesdk.inspect(np.full((200, 200), 255, np.uint8))
    assert len(blank.template) == 0 and blank.reliability.shape == (0,)
    assert blank.quality.shape == (25, 25) and (blank.quality == 0).all()


LAYER_CASES = [
    ("default", ridgesdk.DEFAULT_LAYERS, None),
    ("all", "all", "all"),
    ("binary and dropped", ["binary", "dropped"], "binary,dropped"),
    ("minutiae by bits", 0x10, "minutiae"),
]


@pytest.mark.parametrize("layers, cli", [(c[1], c[2]) for c in LAYER_CASES], ids=[c[0] for c in LAYER_CASES])
def test_render_draws_the_picture_ridgeview_writes(inspections, layers, cli, tmp_path):
    seen = inspections["102_1"]
    ridgeview(SAMPLES / "102_1.bmp", "view.png", *(["--layers", cli] if cli else []), cwd=tmp_path)
    picture = seen.render(layers)
    assert picture.shape == seen.image.shape + (3,) and picture.dtype == np.uint8
    # One encoder: equal pixels make equal files.
    ridgesdk.write_png(picture, tmp_path / "mine.png")
    assert (tmp_path / "mine.png").read_bytes() == (tmp_path / "view.png").read_bytes()
    assert_png_shows(tmp_path / "view.png", picture)


def test_render_without_layers_is_the_grey_image_and_a_given_template_replaces_the_own(inspections, tmp_path):
    seen = inspections["101_1"]
    grey = seen.render("none")
    for channel in range(3):
        np.testing.assert_array_equal(grey[:, :, channel], seen.image)
    other = inspections["101_2"].template
    (tmp_path / "other.raw").write_bytes(other.to_bytes())
    ridgeview(SAMPLES / "101_1.bmp", "view.png", "--template", "other.raw", "--layers", "minutiae", cwd=tmp_path)
    ridgesdk.write_png(seen.render("minutiae", template=other), tmp_path / "mine.png")
    assert (tmp_path / "mine.png").read_bytes() == (tmp_path / "view.png").read_bytes()


def test_minutiae_take_the_colours_of_their_reliability(inspections):
    # Marks are drawn by rising reliability; the far end of a stroke that no
    # later mark can reach (12 pixels) shows the colour of its minutia.
    def away_from_zero(v):
        return int(math.copysign(math.floor(abs(v) + 0.5), v))

    checked = 0
    for seen in inspections.values():
        picture = seen.render("minutiae")
        m = seen.template.minutiae
        order = np.argsort(seen.reliability, kind="stable")
        colours = np.floor(ridgesdk.reliability_colours(seen.reliability) * 255 + 0.5).astype(np.uint8)
        for rank, k in enumerate(order):
            a = math.radians(int(m["angle"][k]))
            x = int(m["x"][k]) + away_from_zero(11 * math.cos(a))
            y = int(m["y"][k]) + away_from_zero(-11 * math.sin(a))
            later = order[rank + 1:]
            if not (0 <= y < picture.shape[0] and 0 <= x < picture.shape[1]):
                continue
            if (np.maximum(abs(m["x"][later] - x), abs(m["y"][later] - y)) <= 12).any():
                continue
            np.testing.assert_array_equal(picture[y, x], colours[k])
            checked += 1
    assert checked > 100


def test_layer_lists_and_their_refusals(inspections):
    seen = inspections["101_1"]
    same = [seen.render(x) for x in ("quality,minutiae", ["minutiae", "quality"], 0x12, ("quality", "minutiae", "none"))]
    for other in same[1:]:
        np.testing.assert_array_equal(same[0], other)
    for bad, error in (("quality,colour", ValueError), ("", ValueError), (0x20, ValueError), (-1, ValueError),
                       (True, TypeError), ([3], ValueError)):
        with pytest.raises(error):
            seen.render(bad)
    with pytest.raises(ridgesdk.RidgeError) as refused:
        seen.render(template=ridgesdk.Template([(1, 70000, 5, 0)]))
    assert "ridge_render" in refused.value.message


def test_pairs_and_their_scores_are_the_matchers(inspections):
    names = sorted(inspections)
    for a in names:
        for b in names:
            first, second = inspections[a].template, inspections[b].template
            score, pairs = ridgesdk.match_pairs(first, second)
            assert score == ridgesdk.match(first, second), (a, b)
            assert pairs.shape[1] == 2 and len(set(pairs[:, 0])) == len(pairs) == len(set(pairs[:, 1]))
            assert list(pairs[:, 0]) == sorted(pairs[:, 0])
            if len(pairs):
                assert pairs[:, 0].max() < len(first) and pairs[:, 1].max() < len(second)
            if a == b:  # an impression pairs each minutia with itself
                np.testing.assert_array_equal(pairs, np.repeat(np.arange(len(first)), 2).reshape(-1, 2))
    assert ridgesdk.match_pairs(ridgesdk.Template(), inspections["101_1"].template) == (0.0, pytest.approx([]))


PAIR_CASES = [("two images", "102_2.bmp", "all"), ("an image and a template", "102_2.raw", None)]


@pytest.mark.parametrize("other, cli", [(c[1], c[2]) for c in PAIR_CASES], ids=[c[0] for c in PAIR_CASES])
def test_render_pair_draws_and_scores_as_ridgeview(images, inspections, other, cli, tmp_path):
    template = inspections["102_2"].template
    (tmp_path / "102_2.raw").write_bytes(template.to_bytes())
    (tmp_path / "102_2.bmp").write_bytes((SAMPLES / "102_2.bmp").read_bytes())
    out = ridgeview(SAMPLES / "102_1.bmp", "view.png", "--other", other, "--pair",
                    *(["--layers", cli] if cli else []), cwd=tmp_path)
    second = images["102_2"] if other.endswith(".bmp") else template
    picture, score, pairs = ridgesdk.render_pair(images["102_1"], second, layers=cli or ridgesdk.DEFAULT_LAYERS)
    assert score == ridgesdk.match(inspections["102_1"].template, template)
    assert out == f"score {score:.6f}\n"
    assert len(pairs) > 0
    ridgesdk.write_png(picture, tmp_path / "mine.png")
    assert (tmp_path / "mine.png").read_bytes() == (tmp_path / "view.png").read_bytes()
    if other.endswith(".bmp"):
        assert picture.shape == (374 + 11, 388 + 8 + 388, 3)
    else:  # the template on white, just large enough for its marks
        right = picture.shape[1] - 388 - 8
        assert template.minutiae["x"].max() < right <= template.minutiae["x"].max() + 12
    # An inspection as a side draws what its image draws.
    again = ridgesdk.render_pair(inspections["102_1"], second, layers=cli or ridgesdk.DEFAULT_LAYERS)
    np.testing.assert_array_equal(again.picture, picture)
    assert again.score == score


def test_a_closed_inspection_keeps_its_arrays_but_draws_no_more(images):
    seen = ridgesdk.inspect(images["101_3"])
    with seen:
        pictures = []
        threads = [threading.Thread(target=lambda: pictures.append(seen.render("all"))) for _ in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert len(pictures) == 4 and all((p == pictures[0]).all() for p in pictures)
    seen.close()  # twice is harmless
    assert seen.quality.shape == (47, 49) and len(seen.template) > 0
    with pytest.raises(ValueError, match="closed"):
        seen.render()
    with pytest.raises(ValueError, match="closed"):
        ridgesdk.render_pair(seen, seen.template)


def test_write_png_refuses_what_is_no_picture(tmp_path):
    for bad in (np.zeros((4, 4), np.uint8), np.zeros((4, 4, 3), np.float32), np.zeros((0, 4, 3), np.uint8)):
        with pytest.raises(ValueError):
            ridgesdk.write_png(bad, tmp_path / "x.png")
    with pytest.raises(ridgesdk.RidgeError) as error:
        ridgesdk.write_png(np.zeros((4, 4, 3), np.uint8), tmp_path / "missing" / "x.png")
    assert error.value.name == "RIDGE_ERR_IO"
    # A strided view is written as the pixels it shows.
    picture = np.arange(6 * 4 * 3, dtype=np.uint8).reshape(6, 4, 3)[::2, ::-1]
    ridgesdk.write_png(picture, tmp_path / "view.png")
    assert_png_shows(tmp_path / "view.png", picture)


# -- Template.plot ----------------------------------------------------------


@pytest.fixture
def axes():
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, ax = plt.subplots()
    yield ax
    plt.close(figure)


def test_plot_draws_one_mark_and_one_stroke_per_minutia(inspections, axes):
    seen = inspections["102_1"]
    template = seen.template
    endings, squares, strokes = template.plot(axes, image=seen.image)
    kinds = template.minutiae["type"]
    assert len(endings.get_paths()) == (kinds == ridgesdk.RIDGE_ENDING).sum()
    assert len(squares.get_paths()) == (kinds == ridgesdk.BIFURCATION).sum()
    assert len(endings.get_paths()) + len(squares.get_paths()) == len(template)
    assert len(strokes.get_segments()) == len(template)
    assert len(axes.images) == 1 and axes.yaxis_inverted()
    # Coloured by reliability, one colour per mark.
    _, squares, strokes = seen.plot(axes)
    colours = ridgesdk.reliability_colours(seen.reliability)
    np.testing.assert_allclose(strokes.get_colors()[:, :3], colours)
    np.testing.assert_allclose(squares.get_edgecolors()[:, :3], colours[kinds == ridgesdk.BIFURCATION])
    with pytest.raises(ValueError, match="colours for"):
        template.plot(axes, color=colours[:-1])


def test_plot_strokes_follow_the_angle_with_rows_running_down(axes):
    template = ridgesdk.Template([(1, 50, 50, 0), (2, 100, 50, 90), (1, 50, 100, 180), (2, 100, 100, 270)])
    endings, squares, strokes = template.plot(axes)
    ends = np.array([segment[-1] for segment in strokes.get_segments()])
    np.testing.assert_allclose(ends, [(61, 50), (100, 39), (39, 100), (100, 111)], atol=1e-9)
    assert len(endings.get_paths()) == 2 and len(squares.get_paths()) == 2
    assert axes.yaxis_inverted()  # as in an image, without one beneath
    assert len(ridgesdk.Template().plot(axes)[2].get_segments()) == 0

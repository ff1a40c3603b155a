"""What the extraction saw: block maps, binary image, minutiae and their fates, pictures.

The pictures are those of the ``ridgeview`` program, drawn by the library
(``include/ridgeinspect.h``) and handed over as ``(height, width, 3)``
``numpy.uint8`` RGB arrays.
"""

from __future__ import annotations

import ctypes
import enum
import os
from typing import Iterable, NamedTuple, Optional, Sequence, Union

import numpy as np

from ._handle import _SharedHandle
from ._library import RidgeError, Status, TemplateBuffer, _array_at, _bytes_of, _check, library
from ._library import RidgeMinutiaPair as _Pair
from ._library import RidgePicture as _Picture
from ._template import PathLike, Template, _grey_image

# --------------------------------------------------------------------------
# Layers

#: Layer names in drawing order, with their bits (``RIDGE_LAYER_*``).
LAYERS = {"binary": 0x01, "quality": 0x02, "directions": 0x04, "dropped": 0x08, "minutiae": 0x10}
_ALL_LAYERS = 0x1F
#: The layers drawn when none are named: quality, directions, minutiae.
DEFAULT_LAYERS = ("quality", "directions", "minutiae")

Layers = Union[str, int, Iterable[str]]


def _layer_bits(layers: Layers) -> int:
    """The bit mask of layers given as ridgeview's list ("quality,minutiae"), names or bits."""
    if isinstance(layers, bool):
        raise TypeError("layers are names ('quality,minutiae', ['binary', 'dropped']) or bits, not a bool")
    if isinstance(layers, (int, np.integer)):
        if not 0 <= int(layers) <= _ALL_LAYERS:
            raise ValueError(f"layer bits are 0..{_ALL_LAYERS:#x}, not {int(layers):#x}")
        return int(layers)
    names = layers.split(",") if isinstance(layers, str) else list(layers)
    bits = 0
    for name in names:
        if name == "all":
            bits |= _ALL_LAYERS
        elif name == "none":
            pass
        elif isinstance(name, str) and name in LAYERS:
            bits |= LAYERS[name]
        else:
            raise ValueError(f"unknown layer {name!r} (binary, quality, directions, dropped, minutiae, all, none)")
    return bits


# --------------------------------------------------------------------------
# C declarations


class Fate(enum.IntEnum):
    """What became of a minutia that the detector found (``RIDGE_CANDIDATE_*``).

    Example::

        dropped = inspection.candidates["fate"] != ridgesdk.Fate.KEPT
    """

    KEPT = 1  # in the template
    NEAR_VOID = 2  # a ridge ending in or just in front of a block of quality 0
    OPEN_SIDE = 3  # a ridge ending that too few ridges enclose
    OVER_CAP = 4  # beyond the 128 most reliable


#: One minutia as the detector handed it over: the C record ``ridge_candidate``.
#: ``direction`` counts 0..31 steps of 11.25 degrees clockwise from the top;
#: ``template_index`` is the position in the template, -1 when dropped.
CANDIDATE_DTYPE = np.dtype(
    [
        ("x", "<i4"),
        ("y", "<i4"),
        ("direction", "<i4"),
        ("type", "<i4"),
        ("reliability", "<f4"),
        ("fate", "<i4"),
        ("template_index", "<i4"),
    ]
)
assert CANDIDATE_DTYPE.itemsize == 28


_i32 = ctypes.c_int32
_P_I32 = ctypes.POINTER(_i32)


def _fn(name: str):
    """The library's function name (RidgeError when this build lacks it)."""
    return library().need(name)


def _take_picture(status: int, picture: _Picture) -> np.ndarray:
    """The picture's pixels as a (height, width, 3) array; the C pixels are released."""
    try:
        _check(status)
        return _array_at(picture.rgb, np.uint8, (picture.height, picture.width, 3))
    finally:
        _fn("ridge_picture_release")(ctypes.byref(picture))


_MAPS = (("direction", 1), ("low_contrast", 2), ("low_flow", 3), ("high_curvature", 4), ("quality", 5))

#: Pixels per block side of the block maps.
BLOCK_SIZE = 8


def _read_only(array: np.ndarray) -> np.ndarray:
    array.flags.writeable = False
    return array


# --------------------------------------------------------------------------
# Inspections


class Inspection(_SharedHandle):
    """One extraction with what its stages produced (see :func:`inspect`).

    Attributes (read-only numpy arrays unless said otherwise):

    - ``template``: the :class:`Template`, equal to :func:`extract`'s.
    - ``image``: the grey image inspected, ``(height, width)`` ``uint8``.
    - ``direction``, ``low_contrast``, ``low_flow``, ``high_curvature``,
      ``quality``: block maps, ``(blocks_high, blocks_wide)`` ``int32``, one
      cell per 8 x 8 pixel block (pixel ``(x, y)`` is in cell
      ``[y // 8, x // 8]``). Direction 0..15 (11.25 degrees each, 0 along
      the columns, clockwise), -1 where there is none; the low contrast, low
      flow and high curvature maps 1 where the block is so, else 0; quality
      0 (none) to 4 (best).
    - ``binary``: the binary image, ``(height, width)`` ``uint8``, 0 for
      ridge pixels and 255 for the rest.
    - ``candidates``: every minutia that had a reliability, in detector
      order, as a structured array of :data:`CANDIDATE_DTYPE`; its
      ``fate`` (:class:`Fate`) tells whether it was kept.
    - ``reliability``: the reliability of each template minutia, ``float32``.

    The pictures (:meth:`render`) are drawn by the library from its own copy
    of the inspection, which :meth:`close` (or the end of a ``with`` block)
    frees at once; the arrays above stay usable.

    Example::

        with ridgesdk.inspect(image) as seen:
            print(seen.quality.shape, (seen.candidates["fate"] == ridgesdk.Fate.KEPT).sum())
    """

    template: Template
    image: np.ndarray
    direction: np.ndarray
    low_contrast: np.ndarray
    low_flow: np.ndarray
    high_curvature: np.ndarray
    quality: np.ndarray
    binary: np.ndarray
    candidates: np.ndarray
    reliability: np.ndarray

    def __init__(self, image: np.ndarray):
        """Inspects a grey image, as :func:`inspect` does."""
        pixels = _grey_image(image)
        height, width = pixels.shape
        handle = ctypes.c_void_p()
        _check(_fn("ridge_inspect")(pixels.ctypes.data, width, height, ctypes.byref(handle)))
        self._own(handle)
        self.image = _read_only(np.array(pixels, copy=True))
        self._read_products(handle, width, height)

    def _read_products(self, handle: ctypes.c_void_p, width: int, height: int) -> None:
        raw = TemplateBuffer()
        _check(_fn("ridge_inspection_template")(handle, ctypes.byref(raw)))
        try:
            self.template = Template._from_raw(_bytes_of(raw))
        finally:
            library().ridge_free(ctypes.cast(raw.data, ctypes.c_void_p))

        cells = _P_I32()
        wide, high = _i32(), _i32()
        for name, code in _MAPS:
            _check(_fn("ridge_inspection_map")(handle, code, ctypes.byref(cells), ctypes.byref(wide), ctypes.byref(high)))
            setattr(self, name, _read_only(_array_at(cells, np.int32, (high.value, wide.value))))

        pixels = ctypes.POINTER(ctypes.c_ubyte)()
        bw, bh = _i32(), _i32()
        _check(_fn("ridge_inspection_binary")(handle, ctypes.byref(pixels), ctypes.byref(bw), ctypes.byref(bh)))
        if (bw.value, bh.value) != (width, height):
            raise RidgeError(Status.RIDGE_ERR_INTERNAL, "the binary image is not the image's size")
        self.binary = _read_only(_array_at(pixels, np.uint8, (height, width)))

        listed = ctypes.c_void_p()
        count32 = _i32()
        _check(_fn("ridge_inspection_candidates")(handle, ctypes.byref(listed), ctypes.byref(count32)))
        self.candidates = _read_only(_array_at(listed, CANDIDATE_DTYPE, (count32.value,)))

        reliability = np.zeros(len(self.template), np.float32)
        kept = self.candidates[self.candidates["fate"] == Fate.KEPT]
        reliability[kept["template_index"]] = kept["reliability"]
        self.reliability = _read_only(reliability)

    # -- use and closing -------------------------------------------------

    _what = "inspection"

    @staticmethod
    def _release(handle: ctypes.c_void_p) -> None:
        _fn("ridge_inspection_close")(handle)

    def close(self) -> None:
        """Frees the library's copy once pictures under way on other threads are drawn.

        The arrays stay; :meth:`render` then raises ``ValueError``.

        Example::

            inspection.close()
        """
        self._close()

    def __repr__(self) -> str:
        height, width = self.image.shape
        return f"<ridgesdk.Inspection of {width} x {height} pixels, {len(self.template)} minutiae>"

    @property
    def shape(self) -> tuple:
        """``(height, width)`` of the image.

        Example::

            height, width = inspection.shape
        """
        return self.image.shape

    # -- pictures --------------------------------------------------------

    def render(self, layers: Layers = DEFAULT_LAYERS, template: Optional[Template] = None) -> np.ndarray:
        """The picture ``ridgeview IMAGE OUT.png --layers LAYERS`` writes, as a ``(height, width, 3)`` array.

        ``layers`` is ridgeview's comma-separated list (``"quality,minutiae"``,
        ``"all"``, ``"none"``), a sequence of names of :data:`LAYERS`, or
        their bits. With ``template`` its minutiae are drawn in blue in place
        of the extracted ones (ridgeview's ``--template``); a template the
        library refuses raises :class:`RidgeError`.

        Example::

            rgb = inspection.render("binary,dropped,minutiae")
            rgb.shape                # (374, 388, 3)
        """
        bits = _layer_bits(layers)
        if template is not None and not isinstance(template, Template):
            raise TypeError(f"template must be a ridgesdk.Template, not {type(template).__name__}")
        picture = _Picture()
        handle = self._enter()
        try:
            status = _fn("ridge_render")(handle, template._address if template is not None else None, bits,
                                         ctypes.byref(picture))
        finally:
            self._leave()
        return _take_picture(status, picture)

    def plot(self, ax=None, layers: Optional[Layers] = None):
        """Draws the template over the image on matplotlib axes, coloured by reliability.

        The minutiae are marked as by :meth:`Template.plot`, from red
        (reliability 0) through yellow to green (1), as ridgeview colours
        them; with ``layers`` the image is this inspection's
        :meth:`render` of those layers (say ``"quality,directions"``), else
        the grey image. Returns what :meth:`Template.plot` returns.

        Example::

            inspection.plot(plt.gca(), layers="quality")
        """
        image = self.image if layers is None else self.render(layers)
        return self.template.plot(ax, image=image, color=reliability_colours(self.reliability))


def inspect(image: np.ndarray) -> Inspection:
    """Extracts a grey image's template and keeps what the extraction saw on the way.

    ``image`` is taken as by :func:`extract`, whose template equals
    ``inspect(image).template``. A failed extraction raises
    :class:`RidgeError` (``FPT_FAILED``).

    Example::

        seen = ridgesdk.inspect(ridgesdk.read_image("101_1.bmp"))
        seen.quality.shape       # (47, 49): blocks high, blocks wide
    """
    return Inspection(image)


def reliability_colours(reliability: Union[float, Sequence[float], np.ndarray]) -> np.ndarray:
    """ridgeview's colours of minutiae of these reliabilities: ``(n, 3)`` floats 0..1.

    Red at 0, yellow at 0.5, green at 1.

    Example::

        ridgesdk.reliability_colours([0.0, 1.0])   # red and green rows
    """
    t = np.clip(np.atleast_1d(np.asarray(reliability, dtype=np.float32)), 0.0, 1.0)
    low = t < 0.5
    u = np.where(low, t * np.float32(2.0), (t - np.float32(0.5)) * np.float32(2.0))
    # In single precision, rounded half away from zero, as the library draws them.
    red = np.where(low, np.float32(255.0), np.floor(np.float32(255.0) - np.float32(255.0) * u + np.float32(0.5)))
    green = np.floor(np.where(low, np.float32(230.0) * u, np.float32(230.0) - np.float32(30.0) * u) + np.float32(0.5))
    return np.stack([red, green, np.zeros_like(red)], axis=-1).astype(np.float64) / 255.0


# --------------------------------------------------------------------------
# Pairs


class PairPicture(NamedTuple):
    """What :func:`render_pair` returns.

    ``picture``: the ``(height, width, 3)`` RGB array; ``score``: exactly
    :func:`ridgesdk.match` of the two templates drawn; ``pairs``: the
    matcher's pairs, an ``(n, 2)`` ``int32`` array of positions in the first
    and the second template, by ascending first position.

    Example::

        drawn = ridgesdk.render_pair(image_a, image_b)
        drawn.score, len(drawn.pairs)
    """

    picture: np.ndarray
    score: float
    pairs: np.ndarray


class MatchedPairs(NamedTuple):
    """What :func:`match_pairs` returns: ``score`` (exactly :func:`ridgesdk.match`) and ``pairs``.

    Example::

        found = ridgesdk.match_pairs(a, b)
        found.score == ridgesdk.match(a, b)   # True
    """

    score: float
    pairs: np.ndarray


def match_pairs(first: Template, second: Template) -> MatchedPairs:
    """The score of two templates and the minutiae the matcher paired in its best alignment.

    ``pairs`` is an ``(n, 2)`` ``int32`` array: positions in ``first`` and
    in ``second``, by ascending position in ``first``; ``score`` is exactly
    ``ridgesdk.match(first, second)``.

    Example::

        score, pairs = ridgesdk.match_pairs(a, b)
        a.minutiae[pairs[:, 0]]  # the paired minutiae of a
    """
    if not isinstance(first, Template) or not isinstance(second, Template):
        raise TypeError("match_pairs compares two ridgesdk.Template values")
    score = ctypes.c_double(0.0)
    found = (_Pair * 128)()
    count = _i32(0)
    _check(_fn("ridge_match_pairs")(first._address, second._address, ctypes.byref(score), found, ctypes.byref(count)))
    pairs = _array_at(found, np.int32, (min(count.value, len(found)), 2))
    return MatchedPairs(score.value, pairs)


Side = Union[np.ndarray, Inspection, Template]


def render_pair(first: Side, second: Side, layers: Layers = DEFAULT_LAYERS) -> PairPicture:
    """Two impressions side by side with the matcher's pairs joined, as ``ridgeview --pair`` draws them.

    Each side is a grey image (inspected here), an :class:`Inspection`, or
    a :class:`Template` (drawn on white in blue). The picture has the two
    widths plus 8 columns and the larger height plus a band of 11 rows
    stating the score and the number of pairs; ``layers`` as in
    :meth:`Inspection.render`.

    Example::

        picture, score, pairs = ridgesdk.render_pair(image_a, image_b)
        score == ridgesdk.match(ridgesdk.extract(image_a), ridgesdk.extract(image_b))   # True
    """
    bits = _layer_bits(layers)
    sides = []
    made = []
    try:
        for side in (first, second):
            if isinstance(side, Template):
                sides.append((None, side))
            elif isinstance(side, Inspection):
                sides.append((side, side.template))
            else:
                inspection = Inspection(side)
                made.append(inspection)
                sides.append((inspection, inspection.template))
        score, pairs = match_pairs(sides[0][1], sides[1][1])
        picture = _Picture()
        drawn = ctypes.c_double(0.0)
        entered = []
        try:
            handles = []
            for inspection, template in sides:
                if inspection is None:
                    handles.extend([None, template._address])
                else:
                    handles.extend([inspection._enter(), None])
                    entered.append(inspection)
            status = _fn("ridge_render_pair")(*handles, bits, ctypes.byref(picture), ctypes.byref(drawn))
        finally:
            for inspection in entered:
                inspection._leave()
        rgb = _take_picture(status, picture)
        if drawn.value != score:
            raise RidgeError(Status.RIDGE_ERR_INTERNAL, "the picture's score differs from the matcher's")
        return PairPicture(rgb, score, pairs)
    finally:
        for inspection in made:
            inspection.close()


def write_png(picture: np.ndarray, path: PathLike) -> None:
    """Writes a ``(height, width, 3)`` ``uint8`` RGB array as a PNG file, through the library.

    The file is replaced; one that cannot be written raises
    :class:`RidgeError` (``RIDGE_ERR_IO``) and leaves no half-written file.

    Example::

        ridgesdk.write_png(inspection.render("all"), "seen.png")
    """
    rgb = np.asarray(picture)
    if rgb.dtype != np.uint8 or rgb.ndim != 3 or rgb.shape[2] != 3:
        raise ValueError(f"a picture is a (height, width, 3) uint8 array, not {rgb.dtype} of shape {rgb.shape}")
    height, width = rgb.shape[:2]
    if height < 1 or width < 1 or height > 2**31 - 1 or width > 2**31 - 1:
        raise ValueError(f"picture of {width} x {height} pixels")
    rgb = np.ascontiguousarray(rgb)
    record = _Picture(width, height, ctypes.cast(rgb.ctypes.data, ctypes.POINTER(ctypes.c_ubyte)))
    _check(_fn("ridge_picture_write_png")(ctypes.byref(record), os.fsencode(path)))

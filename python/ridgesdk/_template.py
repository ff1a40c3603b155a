"""Templates, extraction, quality, comparison and image files."""

from __future__ import annotations

import ctypes
import math
import os
from typing import Iterable, Optional, Tuple, Union

import numpy as np

from ._library import (
    RidgeError,
    RidgeImage,
    Status,
    TemplateBuffer,
    _array_at,
    _check,
    _export_bytes,
    _export_error,
    library,
)

#: One minutia of a raw template: the 16 bytes of the C record ``RawMinutia``.
MINUTIA_DTYPE = np.dtype([("type", "<i4"), ("x", "<i4"), ("y", "<i4"), ("angle", "<i4")])

RIDGE_ENDING = 1
BIFURCATION = 2
MAX_MINUTIAE = 128

_FORMATS = {"raw": 0, "packed": 1, "fmr378": 2}
_INT32 = (-(2**31), 2**31 - 1)

# ridgeview's marks, in pixels: ring radius around an ending, half side of
# the square around a bifurcation, and where the stroke along the angle ends.
_ENDING_RADIUS = 4
_BIFURCATION_HALF = 3
_STROKE_END = 11
_GIVEN_TEMPLATE_COLOUR = "#0040ff"

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


class Template:
    """A raw minutiae template: at most 128 minutiae (type, x, y, angle).

    Templates are immutable values: equal when their minutiae are equal, in
    the same order. Build one from minutiae (a structured array of
    :data:`MINUTIA_DTYPE`, an ``(n, 4)`` integer array or a sequence of
    ``(type, x, y, angle)`` tuples), from bytes with :meth:`from_bytes`, or
    from an image with :func:`extract`.

    Example::

        t = ridgesdk.Template([(1, 120, 200, 90), (2, 130, 180, 45)])
        len(t)                   # 2
        t.minutiae["x"]          # array([120, 130], dtype=int32)
    """

    __slots__ = ("_raw", "_block", "_record", "_address", "__weakref__")

    def __init__(self, minutiae: Union[np.ndarray, Iterable[Tuple[int, int, int, int]]] = ()):
        self._set_raw(_minutiae_bytes(minutiae))

    def _set_raw(self, raw: bytes) -> None:
        self._raw = raw
        # The record handed to the library, and its address: the bytes are
        # copied once into a block that lives as long as the template.
        block = (ctypes.c_ubyte * len(raw)).from_buffer_copy(raw) if raw else None
        record = TemplateBuffer()
        record.data = ctypes.cast(block, ctypes.POINTER(ctypes.c_ubyte)) if raw else None
        record.size = len(raw)
        record.format = 0
        self._block = block
        self._record = record
        self._address = ctypes.addressof(record)

    @classmethod
    def _from_raw(cls, raw: bytes) -> "Template":
        template = cls.__new__(cls)
        template._set_raw(raw)
        return template

    @classmethod
    def from_bytes(cls, data: bytes, format: str = "raw") -> "Template":
        """Reads a template stored as ``"raw"``, ``"packed"`` or ``"fmr378"`` bytes.

        ``"raw"`` is 16 bytes per minutia (four little-endian 32-bit
        integers: type, x, y, angle), as in raw binary template files;
        ``"packed"`` one 32-bit word per minutia; ``"fmr378"`` an
        ANSI/INCITS 378-2004 finger minutiae record. A damaged record raises
        :class:`RidgeError` with the SDK's status.

        Example::

            t = ridgesdk.Template.from_bytes(open("a.fmr", "rb").read(), "fmr378")
        """
        data = bytes(data)
        tag = _format_tag(format)
        if tag == 0:
            if len(data) % 16:
                raise ValueError(f"raw template of {len(data)} bytes: not a whole number of 16-byte minutiae")
            return cls._from_raw(data)
        if len(data) > 0xFFFFFFFF:
            raise ValueError("record too long")
        lib = library()
        block = (ctypes.c_ubyte * max(len(data), 1)).from_buffer_copy(data.ljust(1, b"\0"))
        source = TemplateBuffer(ctypes.cast(block, ctypes.POINTER(ctypes.c_ubyte)), len(data), tag)
        out = TemplateBuffer()
        convert = lib.PackedFTP_2_RawFPT if tag == 1 else lib.FMR378FPT_2_RawFPT
        status = convert(ctypes.byref(source), ctypes.byref(out))
        return cls._from_raw(_export_bytes(convert.__name__, status, out))

    def to_bytes(self, format: str = "raw", **header: int) -> bytes:
        """The template as ``"raw"``, ``"packed"`` or ``"fmr378"`` bytes.

        An FMR378 record takes its header values as keywords, each 0 when
        not given: ``finger_quality`` (0..100), ``finger_position`` (0..10),
        ``impression_type`` (0, 1, 2, 3, 8 or 9), ``image_width`` and
        ``image_height`` (0..65535). A packed template holds coordinates of
        at most 1023: a template of a larger image has no packed form
        (:class:`RidgeError` ``FPT_ERR_SIZE``).

        Example::

            record = t.to_bytes("fmr378", finger_quality=80, image_width=388, image_height=374)
        """
        tag = _format_tag(format)
        if tag != 2 and header:
            raise TypeError(f"{format!r} takes no header values (given: {', '.join(sorted(header))})")
        if tag == 0:
            return self._raw
        lib = library()
        out = TemplateBuffer()
        if tag == 1:
            function = lib.RawFPT_2_PackedFTP
            status = function(ctypes.byref(self._record), ctypes.byref(out))
        else:
            values = _fmr378_header(header)
            function = lib.RawFPT_2_FMR378FPT
            status = function(
                ctypes.byref(self._record),
                values["finger_quality"],
                values["finger_position"],
                values["impression_type"],
                values["image_height"],
                values["image_width"],
                ctypes.byref(out),
            )
        return _export_bytes(function.__name__, status, out, _template_problem(self, status))

    @property
    def minutiae(self) -> np.ndarray:
        """The minutiae as a read-only structured array of :data:`MINUTIA_DTYPE`.

        Example::

            t.minutiae[["x", "y"]]
        """
        return np.frombuffer(self._raw, dtype=MINUTIA_DTYPE)

    def plot(self, ax=None, image: Optional[np.ndarray] = None, color=_GIVEN_TEMPLATE_COLOUR):
        """Draws the minutiae on matplotlib axes as ridgeview marks them.

        A circle around a ridge ending, a square around a bifurcation, and a
        stroke from the mark along the minutia's angle, all in image pixels
        (x the column, y the row from the top). ``ax`` defaults to the
        current axes; ``image`` (a grey ``(height, width)`` or RGB
        ``(height, width, 3)`` array, e.g. :meth:`Inspection.render`'s) is
        shown beneath; without it the y axis is turned to run downwards as
        in an image. ``color`` is one matplotlib colour or one per minutia
        (:func:`ridgesdk.reliability_colours`). Needs matplotlib
        (``python3-matplotlib``). Returns the three collections drawn:
        endings, bifurcations and strokes.

        Example::

            import matplotlib.pyplot as plt
            fig, ax = plt.subplots()
            template.plot(ax, image=ridgesdk.read_image("101_1.bmp"))
            fig.savefig("minutiae.png")
        """
        try:
            from matplotlib.collections import LineCollection, PatchCollection
            from matplotlib.colors import is_color_like, to_rgba_array
            from matplotlib.patches import Circle, Rectangle
        except ImportError as error:
            raise ImportError("Template.plot needs matplotlib (Debian: python3-matplotlib)") from error
        if ax is None:
            import matplotlib.pyplot as plt

            ax = plt.gca()
        minutiae = self.minutiae
        count = len(minutiae)
        per_minutia = not is_color_like(color)
        if per_minutia:
            colours = to_rgba_array(color)
            if len(colours) != count:
                raise ValueError(f"{len(colours)} colours for {count} minutiae")

        if image is not None:
            shown = np.asarray(image)
            if shown.ndim == 2:
                ax.imshow(shown, cmap="gray", vmin=0, vmax=255, interpolation="nearest")
            else:
                ax.imshow(shown, interpolation="nearest")
        x = minutiae["x"].astype(float)
        y = minutiae["y"].astype(float)
        bifurcation = minutiae["type"] == BIFURCATION
        # Angles count counter-clockwise from the x axis with y up; rows run down.
        angle = np.radians(minutiae["angle"].astype(float))
        dx, dy = np.cos(angle), -np.sin(angle)
        start = np.where(bifurcation, _BIFURCATION_HALF + 1, _ENDING_RADIUS)
        strokes = np.stack(
            [np.stack([x + start * dx, y + start * dy], -1), np.stack([x + _STROKE_END * dx, y + _STROKE_END * dy], -1)],
            axis=1,
        )

        def colour_of(selected):
            return colours[selected] if per_minutia else color

        endings = PatchCollection(
            [Circle((a, b), _ENDING_RADIUS) for a, b in zip(x[~bifurcation], y[~bifurcation])],
            facecolors="none", edgecolors=colour_of(~bifurcation), linewidths=1.0,
        )
        side = 2 * _BIFURCATION_HALF
        squares = PatchCollection(
            [Rectangle((a - _BIFURCATION_HALF, b - _BIFURCATION_HALF), side, side)
             for a, b in zip(x[bifurcation], y[bifurcation])],
            facecolors="none", edgecolors=colour_of(bifurcation), linewidths=1.0,
        )
        lines = LineCollection(strokes, colors=colour_of(slice(None)), linewidths=1.0)
        for collection in (endings, squares, lines):
            ax.add_collection(collection)
        if image is None:
            ax.set_aspect("equal")
            ax.autoscale_view()
            if not ax.yaxis_inverted():
                ax.invert_yaxis()
        return endings, squares, lines

    def __len__(self) -> int:
        return len(self._raw) // 16

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Template):
            return NotImplemented
        return self._raw == other._raw

    def __hash__(self) -> int:
        return hash(self._raw)

    def __repr__(self) -> str:
        return f"<ridgesdk.Template of {len(self)} minutiae>"

    def __reduce__(self):
        return (Template._from_raw, (self._raw,))


def _format_tag(format: str) -> int:
    try:
        return _FORMATS[format]
    except (KeyError, TypeError):
        raise ValueError(f"template format is one of 'raw', 'packed', 'fmr378', not {format!r}") from None


_HEADER_RANGES = {
    "finger_quality": range(0, 101),
    "finger_position": range(0, 11),
    "impression_type": (0, 1, 2, 3, 8, 9),
    "image_width": range(0, 65536),
    "image_height": range(0, 65536),
}


def _fmr378_header(header: dict) -> dict:
    # The C converter reads only the low bits of each value: a value out of
    # its range would be written as another one, so it is refused here.
    unknown = set(header) - set(_HEADER_RANGES)
    if unknown:
        raise TypeError(f"unknown FMR378 header values: {', '.join(sorted(unknown))}")
    values = {}
    for name, allowed in _HEADER_RANGES.items():
        value = header.get(name, 0)
        if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
            raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
        if int(value) not in allowed:
            shown = "0, 1, 2, 3, 8 or 9" if name == "impression_type" else f"{allowed.start}..{allowed.stop - 1}"
            raise ValueError(f"{name} {value} is outside {shown}")
        values[name] = int(value)
    return values


def _minutiae_bytes(minutiae) -> bytes:
    if isinstance(minutiae, np.ndarray) and minutiae.dtype.names is not None:
        missing = [f for f in MINUTIA_DTYPE.names if f not in minutiae.dtype.names]
        if missing:
            raise ValueError(f"minutiae lack the fields {', '.join(missing)}")
        columns = [np.asarray(minutiae[f]) for f in MINUTIA_DTYPE.names]
        table = np.stack(columns, axis=-1) if columns[0].size else np.zeros((0, 4), np.int64)
    else:
        rows = minutiae if isinstance(minutiae, np.ndarray) else list(minutiae)
        table = np.asarray(rows) if len(rows) else np.zeros((0, 4), np.int64)
    if table.ndim != 2 or table.shape[1] != 4:
        raise ValueError(f"minutiae must be (type, x, y, angle) rows, not an array of shape {table.shape}")
    if table.dtype.kind not in "iu":
        raise TypeError(f"minutia fields must be integers, not {table.dtype}")
    if table.size and (table.min() < _INT32[0] or table.max() > _INT32[1]):
        raise ValueError("a minutia field does not fit a signed 32-bit integer")
    return np.ascontiguousarray(table, dtype="<i4").tobytes()


def _template_problem(template: Template, status: int) -> Optional[str]:
    """The library's reason why a template is refused, naming the minutia."""
    if status not in (Status.FPT_ERR_SIZE, Status.FPT_ERR_FORMAT):
        return None
    lib = library()
    if lib.ridge_check_template(template._address) == 1:
        return None
    text = lib.ridge_last_error()
    return text.decode("utf-8", "replace") if text else None


# --------------------------------------------------------------------------
# Images


def _grey_image(image) -> np.ndarray:
    array = np.asarray(image)
    if array.dtype != np.uint8:
        raise TypeError(
            f"image must be a 2-D numpy.uint8 array (8-bit grey), not {array.dtype}; "
            "convert it with numpy.asarray(image, dtype=numpy.uint8) if its values are 0..255"
        )
    if array.ndim != 2:
        raise ValueError(
            f"image must be a 2-D array (rows, columns) of grey levels, not one of shape {array.shape}"
        )
    height, width = array.shape
    if height < 1 or width < 1:
        raise ValueError(f"image of {width} x {height} pixels holds no pixel")
    if width > _INT32[1] or height > _INT32[1]:
        raise ValueError(f"image of {width} x {height} pixels is too large")
    return np.ascontiguousarray(array)


def extract(image: np.ndarray) -> Template:
    """Extracts the minutiae template of a grey fingerprint image.

    ``image`` is a 2-D ``numpy.uint8`` array, top row first, ridges darker
    than valleys, taken at 500 pixels per inch (see :func:`read_image`).
    Any other type or shape raises ``TypeError`` or ``ValueError``; a
    failed extraction raises :class:`RidgeError` (``FPT_FAILED``).

    Example::

        template = ridgesdk.extract(ridgesdk.read_image("101_1.bmp"))
    """
    pixels = _grey_image(image)
    height, width = pixels.shape
    out = TemplateBuffer()
    status = library().generateRawFPT(pixels.ctypes.data, width, height, ctypes.byref(out))
    return Template._from_raw(_export_bytes("generateRawFPT", status, out))


def quality(image: np.ndarray) -> Tuple[float, int]:
    """Quality figure (0 or 25..100) of a grey image and the area it covers, in pixels.

    The image is taken as by :func:`extract`.

    Example::

        figure, area = ridgesdk.quality(ridgesdk.read_image("101_1.bmp"))
    """
    pixels = _grey_image(image)
    height, width = pixels.shape
    figure = ctypes.c_double(0.0)
    area = ctypes.c_int32(0)
    status = library().getFpImgQuality(pixels.ctypes.data, width, height, ctypes.byref(figure), ctypes.byref(area))
    if status != 1:
        raise _export_error("getFpImgQuality", status)
    return figure.value, area.value


def match(first: Template, second: Template) -> float:
    """Similarity score of two templates: exactly what ``matchRawFPTs(first, second)`` gives.

    Scores run from 0 to about 130; the README lists thresholds. A
    template the comparison refuses (more than 128 minutiae, or a minutia
    out of bounds) raises :class:`RidgeError` naming the first bad minutia.

    Example::

        score = ridgesdk.match(template_a, template_b)
    """
    if not isinstance(first, Template) or not isinstance(second, Template):
        raise TypeError("match compares two ridgesdk.Template values")
    score = ctypes.c_double(0.0)
    status = library().matchRawFPTs(first._address, second._address, ctypes.byref(score))
    if status != 1:
        problem = _template_problem(first, status)
        which = "first template: "
        if problem is None:
            problem, which = _template_problem(second, status), "second template: "
        raise _export_error("matchRawFPTs", status, which + problem if problem else None)
    return score.value


def read_image(path: PathLike, ppi: Union[None, float, str] = None) -> np.ndarray:
    """Reads an image file into a 2-D ``numpy.uint8`` array of grey levels.

    Reads 8-bit BMP, PNG (any colour type and depth) and PGM/PPM files;
    colour becomes grey by the library's one rule for every tool. With
    ``ppi`` (the resolution the image was taken at, in pixels per inch, or
    ``"file"`` for the resolution the file states) the image is resampled
    to the 500 ppi that :func:`extract` expects.

    Example::

        image = ridgesdk.read_image("101_1.bmp")
        image.shape              # (374, 388)
    """
    lib = library()
    read = lib.need("ridge_image_read")
    release = lib.need("ridge_image_release")
    image = RidgeImage()
    _check(read(os.fsencode(path), ctypes.byref(image)))
    try:
        if ppi is not None:
            if ppi == "file":
                if image.ppi <= 0:
                    raise RidgeError(Status.RIDGE_ERR_ARGUMENT, f"{os.fsdecode(path)} states no resolution")
                source = image.ppi
            elif isinstance(ppi, (int, float)) and not isinstance(ppi, bool) and math.isfinite(ppi):
                source = float(ppi)
            else:
                raise ValueError(f"ppi is a resolution in pixels per inch or 'file', not {ppi!r}")
            resampled = RidgeImage()
            _check(lib.need("ridge_image_resample")(ctypes.byref(image), source, ctypes.byref(resampled)))
            release(ctypes.byref(image))
            image = resampled
        return _array_at(image.pixels, np.uint8, (image.height, image.width))
    finally:
        release(ctypes.byref(image))


def copyright() -> str:
    """The SDK's banner text (``Copyright()``).

    Example::

        print(ridgesdk.copyright())
    """
    return library().Copyright().decode("latin-1")


def library_version() -> str:
    """Version of the loaded library, "major.minor.revision".

    Example::

        ridgesdk.library_version()   # '1.0.169'
    """
    return library().ridge_version().decode("ascii")

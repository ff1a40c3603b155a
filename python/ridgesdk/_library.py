"""Finding and loading libridgesdk, the C declarations, statuses and diagnostics.

Everything here is private to the package; the public names are re-exported
by ``ridgesdk/__init__.py``.

Every foreign call goes through ctypes, which releases the GIL for the
length of the call: extraction, comparison and search on several Python
threads really run in parallel.
"""

from __future__ import annotations

import atexit
import ctypes
import enum
import logging
import os
import pathlib
import threading
import warnings
from typing import Callable, Optional, Union

import numpy as np

# --------------------------------------------------------------------------
# Statuses and errors


class Status(enum.IntEnum):
    """Status codes of the SDK (``include/ridgesdk.h``, ``include/ridgeext.h``).

    Example::

        error.status == ridgesdk.Status.RIDGE_ERR_NOT_FOUND
    """

    FPT_OK = 1
    FPT_FAILED = -1
    FPT_ERR_FMR_FORMAT_ID = -7
    FPT_ERR_FMR_VERSION = -8
    FPT_ERR_FMR_LENGTH = -9
    FPT_ERR_FMR_VIEWS = -10
    FPT_ERR_SIZE = -11
    FPT_ERR_FMR_RESOLUTION = -12
    FPT_ERR_QUALITY = -13
    FPT_ERR_IMPRESSION = -14
    FPT_ERR_FINGER_POSITION = -15
    FPT_ERR_FORMAT = -16
    FPT_ERR_OUTPUT_IN_USE = -17
    RIDGE_ERR_ARGUMENT = -100
    RIDGE_ERR_NO_MEMORY = -101
    RIDGE_ERR_IO = -102
    RIDGE_ERR_CORRUPT = -103
    RIDGE_ERR_VERSION = -104
    RIDGE_ERR_NOT_FOUND = -105
    RIDGE_ERR_UNSUPPORTED = -106
    RIDGE_ERR_INTERNAL = -107
    RIDGE_ERR_CANCELLED = -108


# What the nine C exports mean by each failure; they leave no message of
# their own behind (the ridge_* functions do, see ridge_last_error).
_EXPORT_MEANINGS = {
    -1: "extraction or quality computation failed",
    -7: "record does not start with \"FMR\\0\"",
    -8: "version field is not \" 20\\0\"",
    -9: "record length outside 1..4500, or buffer too short",
    -10: "more than one finger view",
    -11: "an input exceeds its size bound",
    -12: "resolution is not 197 pixels per cm",
    -13: "finger quality above 100",
    -14: "impression type not 0,1,2,3,8,9",
    -15: "finger position above 10",
    -16: "input record has the wrong format tag",
    -17: "output record's data is not NULL",
}


class RidgeError(Exception):
    """A call of the SDK failed.

    ``status`` is the SDK's status code (a :class:`Status` when known),
    ``name`` its name (``"FPT_ERR_SIZE"``, ``"RIDGE_ERR_IO"``...) and
    ``message`` the library's explanation.

    Example::

        try:
            ridgesdk.Gallery.load("missing.gallery")
        except ridgesdk.RidgeError as error:
            print(error.name)          # RIDGE_ERR_IO
    """

    def __init__(self, status: int, message: str, name: Optional[str] = None):
        try:
            status = Status(status)
        except ValueError:
            pass
        self.status = status
        self.name = name if name is not None else _status_name(status)
        self.message = message
        super().__init__(f"{self.name}: {message}")

    def __reduce__(self):
        return (RidgeError, (int(self.status), self.message, self.name))


def _status_name(status: int) -> str:
    try:
        return Status(status).name
    except ValueError:
        return "UNKNOWN_STATUS"


def _export_error(function: str, status: int, detail: Optional[str] = None) -> RidgeError:
    """The error of one of the nine exports, which keep no message."""
    meaning = detail or _EXPORT_MEANINGS.get(status, "unexpected status")
    return RidgeError(status, f"{function}: {meaning}")


def _export_bytes(function: str, status: int, out: "TemplateBuffer", detail: Optional[str] = None) -> bytes:
    """The record one of the nine exports wrote into out (freed here), or its error."""
    try:
        if status != 1:
            raise _export_error(function, status, detail)
        return _bytes_of(out)
    finally:
        library().free_FPAPI_mem(ctypes.cast(out.data, ctypes.c_void_p))


def _ridge_error(status: int) -> RidgeError:
    """The error of a ridge_* function, with the thread's last message."""
    lib = library()
    text = lib.ridge_last_error()
    name = lib.ridge_status_name(status)
    return RidgeError(
        status,
        text.decode("utf-8", "replace") if text else "failed",
        name.decode("ascii", "replace") if name else None,
    )


def _check(status: int) -> None:
    """Raises the error of a ridge_* call that did not return RIDGE_OK."""
    if status != 1:
        raise _ridge_error(status)


# --------------------------------------------------------------------------
# C declarations

_i32 = ctypes.c_int32
_u32 = ctypes.c_uint32
_u64 = ctypes.c_uint64
_p = ctypes.c_void_p


class TemplateBuffer(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_ubyte)), ("size", _u32), ("format", _i32)]


class RidgeImage(ctypes.Structure):
    _fields_ = [
        ("width", _i32),
        ("height", _i32),
        ("pixels", ctypes.POINTER(ctypes.c_ubyte)),
        ("ppi", ctypes.c_double),
    ]


class RidgeMatch(ctypes.Structure):
    _fields_ = [("identifier", ctypes.c_char_p), ("score", ctypes.c_double), ("index", _u64)]


class RidgePair(ctypes.Structure):
    _fields_ = [
        ("first", ctypes.c_char_p),
        ("second", ctypes.c_char_p),
        ("score", ctypes.c_double),
        ("first_index", _u64),
        ("second_index", _u64),
    ]


class RidgePicture(ctypes.Structure):
    _fields_ = [("width", _i32), ("height", _i32), ("rgb", ctypes.POINTER(ctypes.c_ubyte))]


class RidgeMinutiaPair(ctypes.Structure):
    _fields_ = [("first", _i32), ("second", _i32)]


def _bytes_of(buffer: TemplateBuffer) -> bytes:
    """A copy of the record a library call wrote into buffer."""
    return ctypes.string_at(buffer.data, buffer.size) if buffer.size else b""


def _array_at(pointer, dtype, shape) -> np.ndarray:
    """A copy, as a new array of dtype and shape, of the values the library holds at pointer."""
    array = np.empty(shape, dtype)
    if array.nbytes:
        ctypes.memmove(array.ctypes.data, pointer, array.nbytes)
    return array


DIAGNOSTIC_FN = ctypes.CFUNCTYPE(None, _p, _i32, ctypes.c_char_p)
PROGRESS_FN = ctypes.CFUNCTYPE(ctypes.c_int, _p, _u64, _u64)

_TB = ctypes.POINTER(TemplateBuffer)
_IMG = ctypes.POINTER(RidgeImage)
_PIC = ctypes.POINTER(RidgePicture)
_P_I32 = ctypes.POINTER(_i32)

# name: (result type, argument types). The template arguments of the
# comparison are passed as addresses (c_void_p): a template keeps its record
# and the address of it, which makes a comparison one cheap call.
_CORE = {
    "generateRawFPT": (_i32, [_p, _i32, _i32, _TB]),
    "getFpImgQuality": (_i32, [_p, _i32, _i32, ctypes.POINTER(ctypes.c_double), ctypes.POINTER(_i32)]),
    "matchRawFPTs": (_i32, [_p, _p, ctypes.POINTER(ctypes.c_double)]),
    "RawFPT_2_PackedFTP": (_i32, [_TB, _TB]),
    "PackedFTP_2_RawFPT": (_i32, [_TB, _TB]),
    "RawFPT_2_FMR378FPT": (_i32, [_TB, _i32, _i32, _i32, _i32, _i32, _TB]),
    "FMR378FPT_2_RawFPT": (_i32, [_TB, _TB]),
    "free_FPAPI_mem": (None, [_p]),
    "Copyright": (ctypes.c_char_p, []),
    "ridge_last_error": (ctypes.c_char_p, []),
    "ridge_status_name": (ctypes.c_char_p, [_i32]),
    "ridge_version": (ctypes.c_char_p, []),
    "ridge_free": (None, [_p]),
    "ridge_check_template": (_i32, [_p]),
    "ridge_set_diagnostic_handler": (None, [_p, _p]),
}

# Parts that a library may lack (an older build): looked up when used.
_OPTIONAL = {
    "ridge_image_read": (_i32, [ctypes.c_char_p, _IMG]),
    "ridge_image_resample": (_i32, [_IMG, ctypes.c_double, _IMG]),
    "ridge_image_release": (None, [_IMG]),
    "ridge_gallery_create": (_i32, [ctypes.POINTER(_p)]),
    "ridge_gallery_load": (_i32, [ctypes.c_char_p, ctypes.POINTER(_p)]),
    "ridge_gallery_save": (_i32, [_p, ctypes.c_char_p]),
    "ridge_gallery_close": (None, [_p]),
    "ridge_gallery_add": (_i32, [_p, ctypes.c_char_p, _p, ctypes.POINTER(_i32)]),
    "ridge_gallery_remove": (_i32, [_p, ctypes.c_char_p]),
    "ridge_gallery_count": (_i32, [_p, ctypes.POINTER(_u64)]),
    "ridge_gallery_memory": (_i32, [_p, ctypes.POINTER(_u64)]),
    "ridge_gallery_entry": (_i32, [_p, _u64, ctypes.POINTER(_p), _TB]),
    "ridge_gallery_search": (
        _i32,
        [_p, _p, _u32, ctypes.c_double, _u32, _p, _p, ctypes.POINTER(_p), ctypes.POINTER(_u64)],
    ),
    "ridge_gallery_dedup": (
        _i32,
        [_p, ctypes.c_double, _u32, _p, _p, ctypes.POINTER(_p), ctypes.POINTER(_u64)],
    ),
    "ridge_gallery_cross": (
        _i32,
        [_p, _p, ctypes.c_double, _u32, _p, _p, ctypes.POINTER(_p), ctypes.POINTER(_u64)],
    ),
    "ridge_inspect": (_i32, [_p, _i32, _i32, ctypes.POINTER(_p)]),
    "ridge_inspection_close": (None, [_p]),
    "ridge_inspection_template": (_i32, [_p, _TB]),
    "ridge_inspection_map": (_i32, [_p, _i32, ctypes.POINTER(_P_I32), _P_I32, _P_I32]),
    "ridge_inspection_binary": (_i32, [_p, ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte)), _P_I32, _P_I32]),
    "ridge_inspection_candidates": (_i32, [_p, ctypes.POINTER(_p), _P_I32]),
    "ridge_match_pairs": (
        _i32,
        [_p, _p, ctypes.POINTER(ctypes.c_double), ctypes.POINTER(RidgeMinutiaPair), _P_I32],
    ),
    "ridge_render": (_i32, [_p, _p, _u32, _PIC]),
    "ridge_render_pair": (_i32, [_p, _p, _p, _p, _u32, _PIC, ctypes.POINTER(ctypes.c_double)]),
    "ridge_picture_write_png": (_i32, [_PIC, ctypes.c_char_p]),
    "ridge_picture_release": (None, [_PIC]),
}


class _Library:
    """The loaded shared library with its functions declared."""

    def __init__(self, path: str):
        self.path = path
        self.dll = ctypes.CDLL(path)
        for name, (restype, argtypes) in {**_CORE, **_OPTIONAL}.items():
            function = getattr(self.dll, name, None)
            if function is not None:
                function.restype = restype
                function.argtypes = argtypes
            elif name in _CORE:
                raise ImportError(f"{path} is not a ridgesdk library: it lacks {name}")
            setattr(self, name, function)
        self.drop_handler = ctypes.cast(self.dll.ridge_diagnostic_drop, _p)

    def need(self, name: str):
        """The optional function name, or a RidgeError when this build lacks it."""
        function = getattr(self, name)
        if function is None:
            raise RidgeError(
                Status.RIDGE_ERR_UNSUPPORTED, f"{self.path} has no {name} (an older build)"
            )
        return function


# --------------------------------------------------------------------------
# Finding the library

_LIBRARY_NAMES = ("libridgesdk.so.1", "libridgesdk.so")
_lock = threading.Lock()
_loaded: Optional[_Library] = None


def _candidates() -> list:
    """Where the library may be, in the order tried (after RIDGESDK_LIBRARY)."""
    here = pathlib.Path(__file__).resolve().parent
    found = []
    # Installed: the install writes where the library went, relative to here.
    try:
        from . import _location  # type: ignore[attr-defined]

        found.append(str((here / _location.LIBRARY).resolve()))
    except ImportError:
        pass
    # A copy beside the package, or in the package itself.
    for folder in (here, here.parent):
        found.extend(str(folder / name) for name in _LIBRARY_NAMES)
    # Development: python/ridgesdk in a source tree whose build is build/.
    source = here.parent.parent
    found.extend(str(source / "build" / name) for name in _LIBRARY_NAMES)
    return found


def library_path() -> str:
    """Path of the library that the package loads (or has loaded).

    The path in the environment variable RIDGESDK_LIBRARY wins; else the
    library installed beside the package, else the build tree's.

    Example::

        print(ridgesdk.library_path())
    """
    if _loaded is not None:
        return _loaded.path
    explicit = os.environ.get("RIDGESDK_LIBRARY")
    if explicit:
        return explicit
    for candidate in _candidates():
        if os.path.isfile(candidate):
            return candidate
    return _LIBRARY_NAMES[0]  # left to the system's search (ldconfig, LD_LIBRARY_PATH)


def library() -> _Library:
    """The shared library, loaded on first use; diagnostics dropped from the start."""
    global _loaded
    if _loaded is not None:
        return _loaded
    with _lock:
        if _loaded is None:
            path = library_path()
            try:
                loaded = _Library(path)
            except OSError as error:
                where = (
                    "the path in RIDGESDK_LIBRARY"
                    if os.environ.get("RIDGESDK_LIBRARY")
                    else "beside the package, in the build tree or on the system's library path"
                )
                raise ImportError(
                    f"cannot load libridgesdk from {path} ({where}): {error}; "
                    "set RIDGESDK_LIBRARY to the library's path"
                ) from None
            loaded.ridge_set_diagnostic_handler(loaded.drop_handler, None)
            _loaded = loaded
    return _loaded


# --------------------------------------------------------------------------
# Diagnostics

DIAGNOSTIC_ERROR = 1
DIAGNOSTIC_TRACE = 2

_logger = logging.getLogger("ridgesdk")
_diagnostic_callback = None  # the ctypes callback in use
_retired_callbacks: list = []  # earlier ones: a diagnostic under way may still reach them


class RidgeWarning(UserWarning):
    """A diagnostic line of the SDK, issued when diagnostics go to warnings.

    Example::

        ridgesdk.set_diagnostics("warnings")
        warnings.simplefilter("error", ridgesdk.RidgeWarning)
    """


def _to_logging(kind: int, text: str) -> None:
    _logger.log(logging.WARNING if kind == DIAGNOSTIC_ERROR else logging.DEBUG, "%s", text)


def _to_warnings(kind: int, text: str) -> None:
    warnings.warn(text, RidgeWarning, stacklevel=2)


def set_diagnostics(target: Union[str, Callable[[int, str], None]] = "drop") -> None:
    """Chooses where the SDK's diagnostic lines go (dropped by default).

    The detector reports a failure in a line of its own, and the matcher
    traces templates of eight minutiae or fewer. ``target`` is one of
    ``"drop"`` (the default), ``"logging"`` (the logger ``"ridgesdk"``:
    detector failures as warnings, traces as debug), ``"warnings"``
    (:class:`RidgeWarning`), ``"print"`` (the library prints them itself on
    standard error and standard output), or a function ``f(kind, text)``
    with ``kind`` 1 for an error line and 2 for a trace line. The function
    may be called from any thread, several at once.

    Example::

        ridgesdk.set_diagnostics("logging")
    """
    global _diagnostic_callback
    lib = library()
    if target in ("drop", "print"):
        lib.ridge_set_diagnostic_handler(lib.drop_handler if target == "drop" else None, None)
        if _diagnostic_callback is not None:
            _retired_callbacks.append(_diagnostic_callback)
        _diagnostic_callback = None
        return
    if target == "logging":
        receiver = _to_logging
    elif target == "warnings":
        receiver = _to_warnings
    elif callable(target):
        receiver = target
    else:
        raise ValueError(
            f"diagnostics go to 'drop', 'logging', 'warnings', 'print' or a function, not {target!r}"
        )

    def forward(_context, kind, text):
        try:
            receiver(int(kind), text.decode("utf-8", "replace") if text else "")
        except Exception:  # never let an exception unwind into C
            _logger.exception("diagnostic handler failed")

    callback = DIAGNOSTIC_FN(forward)
    lib.ridge_set_diagnostic_handler(ctypes.cast(callback, _p), None)
    if _diagnostic_callback is not None:
        _retired_callbacks.append(_diagnostic_callback)
    _diagnostic_callback = callback


@atexit.register
def _silence_at_exit() -> None:
    # No Python callback may run while the interpreter shuts down.
    if _loaded is not None and _diagnostic_callback is not None:
        _loaded.ridge_set_diagnostic_handler(_loaded.drop_handler, None)

"""Galleries of enrolled templates: search and de-duplication."""

from __future__ import annotations

import ctypes
import math
import os
import threading
from typing import Iterator, List, Optional, Tuple

from ._handle import _SharedHandle
from ._library import (
    PROGRESS_FN,
    RidgeMatch,
    RidgePair,
    TemplateBuffer,
    _bytes_of,
    _check,
    library,
)
from ._template import PathLike, Template

_U32_MAX = 2**32 - 1


def _identifier_bytes(identifier: str) -> bytes:
    if not isinstance(identifier, str):
        raise TypeError(f"identifier must be a str, not {type(identifier).__name__}")
    return identifier.encode("utf-8", "surrogateescape")


def _identifier_text(raw: bytes) -> str:
    return raw.decode("utf-8", "surrogateescape")


def _min_score(value: Optional[float]) -> float:
    if value is None:
        return 0.0
    value = float(value)
    if math.isnan(value):
        raise ValueError("min_score is not a number")
    return value


def _count(name: str, none_means: str, value: Optional[int]) -> int:
    """A count argument of the library, 1 up to 2**32-1; None becomes 0."""
    if value is None:
        return 0
    if not isinstance(value, int) or isinstance(value, bool) or not 1 <= value <= _U32_MAX:
        raise ValueError(f"{name} is a count of at least 1 (None: {none_means}), not {value!r}")
    return value


def _top(value: Optional[int]) -> int:
    return _count("top", "every entry", value)


def _threads(value: Optional[int]) -> int:
    return _count("threads", "one per core", value)


def _cancellable(job):
    """Runs job(progress) and returns its status, stoppable by Ctrl-C.

    A long job runs inside one foreign call, during which Python cannot
    handle a signal. On the main thread the job therefore runs on a helper
    thread while the main thread waits; an interrupt there sets a flag that
    the job's progress callback reports back, the job stops
    (RIDGE_ERR_CANCELLED) and the interrupt is raised again once the job
    has ended. Elsewhere the job simply runs.
    """
    if threading.current_thread() is not threading.main_thread():
        return job(None)
    stop = threading.Event()
    finished = threading.Event()  # not Thread.join: an interrupted join may return early
    callback = PROGRESS_FN(lambda _context, _done, _total: 1 if stop.is_set() else 0)
    outcome: dict = {}

    def run():
        try:
            outcome["status"] = job(ctypes.cast(callback, ctypes.c_void_p))
        except BaseException as error:  # handed to the waiting thread
            outcome["error"] = error
        finally:
            finished.set()

    threading.Thread(target=run, name="ridgesdk-job", daemon=True).start()
    interrupt = None
    while not finished.is_set():
        try:
            finished.wait()
        except BaseException as error:  # Ctrl-C: stop the job, and wait for it to stop
            interrupt = interrupt or error
            stop.set()
    if interrupt is not None:
        raise interrupt
    if "error" in outcome:
        raise outcome["error"]
    return outcome["status"]


class Gallery(_SharedHandle):
    """Enrolled templates under string identifiers, searched and de-duplicated in the library.

    Entries keep their insertion order (a replaced entry keeps its place);
    equal scores are listed in that order. Every score is exactly
    :func:`ridgesdk.match` (probe, entry), or (earlier entry, later entry)
    for de-duplication. Searches release the GIL and may run on several
    Python threads at once; adding and removing wait for them. Close a
    gallery (or use it in a ``with`` block) to free its memory at once.

    Example::

        with ridgesdk.Gallery() as gallery:
            gallery.add("alice", template_a)
            gallery.add("bob", template_b)
            gallery.search(probe, top=1)      # [('alice', 67.3)]
    """

    def __init__(self):
        """An empty gallery."""
        handle = ctypes.c_void_p()
        _check(library().need("ridge_gallery_create")(ctypes.byref(handle)))
        self._own(handle)

    @classmethod
    def load(cls, path: PathLike) -> "Gallery":
        """Reads a gallery file written by :meth:`save`.

        A missing, damaged or truncated file raises :class:`RidgeError`
        (``RIDGE_ERR_IO``, ``RIDGE_ERR_CORRUPT``, ``RIDGE_ERR_VERSION``)
        naming the problem: a file is loaded whole or not at all.

        Example::

            gallery = ridgesdk.Gallery.load("people.gallery")
        """
        handle = ctypes.c_void_p()
        _check(library().need("ridge_gallery_load")(os.fsencode(path), ctypes.byref(handle)))
        gallery = cls.__new__(cls)
        gallery._own(handle)
        return gallery

    # -- use and closing -------------------------------------------------

    _what = "gallery"

    @staticmethod
    def _release(handle: ctypes.c_void_p) -> None:
        library().need("ridge_gallery_close")(handle)

    def _call(self, name: str, *args) -> int:
        handle = self._enter()
        try:
            return library().need(name)(handle, *args)
        finally:
            self._leave()

    def close(self) -> None:
        """Releases the gallery once the calls under way on other threads have ended.

        Example::

            gallery.close()
        """
        self._close()

    # -- entries ---------------------------------------------------------

    def add(self, identifier: str, template: Template) -> bool:
        """Enrols a template under an identifier; returns True when it replaced an entry.

        Identifiers are 1 to 255 bytes of UTF-8 without control characters.
        The template is copied. A template with more than 128 minutiae or a
        minutia out of bounds is refused with :class:`RidgeError` naming
        the first bad minutia. A replaced entry keeps its place in the order.

        Example::

            gallery.add("101_1", ridgesdk.extract(image))
        """
        if not isinstance(template, Template):
            raise TypeError(f"template must be a ridgesdk.Template, not {type(template).__name__}")
        replaced = ctypes.c_int32(0)
        _check(self._call("ridge_gallery_add", _identifier_bytes(identifier), template._address, ctypes.byref(replaced)))
        return bool(replaced.value)

    def remove(self, identifier: str) -> None:
        """Removes the entry; :class:`RidgeError` ``RIDGE_ERR_NOT_FOUND`` when there is none.

        Example::

            gallery.remove("101_1")
        """
        _check(self._call("ridge_gallery_remove", _identifier_bytes(identifier)))

    def __len__(self) -> int:
        count = ctypes.c_uint64(0)
        _check(self._call("ridge_gallery_count", ctypes.byref(count)))
        return count.value

    @property
    def memory(self) -> int:
        """Bytes of memory the gallery holds.

        Example::

            print(gallery.memory / 2**20, "MiB")
        """
        size = ctypes.c_uint64(0)
        _check(self._call("ridge_gallery_memory", ctypes.byref(size)))
        return size.value

    def entry(self, index: int) -> Tuple[str, Template]:
        """The entry at a position of the insertion order, as (identifier, template).

        Example::

            identifier, template = gallery.entry(0)
        """
        if not isinstance(index, int) or index < 0:
            raise IndexError(f"gallery position {index!r}")
        text = ctypes.c_void_p()
        raw = TemplateBuffer()
        status = self._call("ridge_gallery_entry", index, ctypes.byref(text), ctypes.byref(raw))
        lib = library()
        try:
            if status == -105:  # RIDGE_ERR_NOT_FOUND: past the last entry
                raise IndexError(f"gallery position {index} is past the last entry")
            _check(status)
            identifier = _identifier_text(ctypes.string_at(text.value))
            template = Template._from_raw(_bytes_of(raw))
            return identifier, template
        finally:
            lib.ridge_free(text)
            lib.ridge_free(ctypes.cast(raw.data, ctypes.c_void_p))

    def __iter__(self) -> Iterator[Tuple[str, Template]]:
        """The entries as (identifier, template), in insertion order."""
        for index in range(len(self)):
            try:
                yield self.entry(index)
            except IndexError:  # entries removed meanwhile
                return

    def save(self, path: PathLike) -> None:
        """Writes the gallery to a file, atomically: a failed save leaves the old file.

        Example::

            gallery.save("people.gallery")
        """
        _check(self._call("ridge_gallery_save", os.fsencode(path)))

    # -- search ----------------------------------------------------------

    def _search(self, probe: Template, top: Optional[int], min_score: Optional[float],
                threads: Optional[int]) -> List[Tuple[int, str, float]]:
        if not isinstance(probe, Template):
            raise TypeError(f"probe must be a ridgesdk.Template, not {type(probe).__name__}")
        block = ctypes.c_void_p()
        count = ctypes.c_uint64(0)
        _check(self._call("ridge_gallery_search", probe._address, _top(top), _min_score(min_score),
                          _threads(threads), None, None, ctypes.byref(block), ctypes.byref(count)))
        try:
            hits = ctypes.cast(block, ctypes.POINTER(RidgeMatch))
            return [(hits[k].index, _identifier_text(hits[k].identifier), hits[k].score)
                    for k in range(count.value)]
        finally:
            library().ridge_free(block)

    def search(self, probe: Template, top: Optional[int] = 10, min_score: Optional[float] = None,
               threads: Optional[int] = None) -> List[Tuple[str, float]]:
        """The entries that best match a probe, as (identifier, score), best first.

        At most ``top`` entries (None: all) scoring at least ``min_score``
        (None: any score), equal scores in insertion order, compared on
        ``threads`` threads (None: one per core).

        Example::

            for identifier, score in gallery.search(probe, top=5, min_score=28.7):
                print(identifier, score)
        """
        return [(identifier, score) for _, identifier, score in self._search(probe, top, min_score, threads)]

    def _pairs(self, name: str, args: tuple, threads: Optional[int]) -> List[Tuple[int, int, str, str, float]]:
        block = ctypes.c_void_p()
        count = ctypes.c_uint64(0)
        workers = _threads(threads)
        try:
            status = _cancellable(lambda progress: self._call(name, *args, workers, progress, None,
                                                              ctypes.byref(block), ctypes.byref(count)))
        except BaseException:
            library().ridge_free(block)  # a job that ended as it was interrupted
            raise
        _check(status)
        try:
            pairs = ctypes.cast(block, ctypes.POINTER(RidgePair))
            return [(p.first_index, p.second_index, _identifier_text(p.first), _identifier_text(p.second), p.score)
                    for p in (pairs[k] for k in range(count.value))]
        finally:
            library().ridge_free(block)

    def dedup(self, min_score: float, threads: Optional[int] = None) -> List[Tuple[str, str, float]]:
        """Pairs of entries that match each other, as (earlier, later, score).

        Every pair of entries is compared once, scored as
        ``match(earlier, later)`` in insertion order; the pairs scoring at
        least ``min_score`` are listed by the earlier entry's position, then
        the later one's.

        Example::

            for first, second, score in gallery.dedup(min_score=28.7):
                print(first, "looks like", second)
        """
        return [(a, b, s) for _, _, a, b, s in
                self._pairs("ridge_gallery_dedup", (_min_score(min_score),), threads)]

    def _cross(self, other: "Gallery", min_score: float,
               threads: Optional[int] = None) -> List[Tuple[int, int, str, str, float]]:
        """Every entry of this gallery against every entry of other, match(this, other)."""
        other_handle = other._enter()
        try:
            return self._pairs("ridge_gallery_cross", (other_handle, _min_score(min_score)), threads)
        finally:
            other._leave()

    def __repr__(self) -> str:
        if self._handle is None:
            return "<ridgesdk.Gallery (closed)>"
        return f"<ridgesdk.Gallery of {len(self)} entries>"

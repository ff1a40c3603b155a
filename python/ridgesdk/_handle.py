"""Library objects that several threads use at once: galleries and inspections."""

from __future__ import annotations

import ctypes
import threading
from typing import Optional, TypeVar

_Self = TypeVar("_Self", bound="_SharedHandle")


class _SharedHandle:
    """A handle of a library object, used by calls on any thread and released once.

    Every call holds the handle between :meth:`_enter` and :meth:`_leave`.
    :meth:`_close` refuses new calls, waits until those under way have
    ended, then releases the handle; a second close does nothing. A
    subclass names its object in ``_what`` (for the ``ValueError`` a call
    on a closed one raises) and releases a handle in :meth:`_release`.
    """

    _what = "object"

    def _own(self, handle: ctypes.c_void_p) -> None:
        self._handle: Optional[ctypes.c_void_p] = handle
        self._users = 0
        self._closing = False
        self._idle = threading.Condition()

    @staticmethod
    def _release(handle: ctypes.c_void_p) -> None:
        raise NotImplementedError

    def _enter(self) -> ctypes.c_void_p:
        with self._idle:
            if self._closing or self._handle is None:
                raise ValueError(f"the {self._what} is closed")
            self._users += 1
            return self._handle

    def _leave(self) -> None:
        with self._idle:
            self._users -= 1
            if self._users == 0:
                self._idle.notify_all()

    def _close(self) -> None:
        with self._idle:
            if self._handle is None or self._closing:
                return
            self._closing = True
            while self._users:
                self._idle.wait()
            handle, self._handle = self._handle, None
        self._release(handle)

    def __enter__(self: _Self) -> _Self:
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def close(self) -> None:
        self._close()

    def __del__(self):
        handle = getattr(self, "_handle", None)
        if handle is not None:
            try:
                self._release(handle)
            except Exception:
                pass

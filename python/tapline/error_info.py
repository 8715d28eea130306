"""The reader component's own words about the file OpenEx just opened or refused.

The component leaves the standard COM error object on the calling thread: a refused file's
reason, or, after an open that forgave something (records the header promises but the file
lacks, bytes after the last record, ...), those warnings one a line; a clean open leaves
none. The library passes it through untouched, so a host reads it right after OpenEx, on the
same thread, from the COM runtime the library uses: the stand-in's shared library outside
Windows (the one the library loaded, found by its soname), OLE Automation on Windows.
"""

from __future__ import annotations

import ctypes
import os
import pathlib

# The stand-in's soname (SOVERSION in src/platform/CMakeLists.txt).
RUNTIME_SONAME = "libtapline_com.so.0"

# IErrorInfo's vtable: IUnknown's QueryInterface, AddRef, Release, then GetGUID, GetSource,
# GetDescription, GetHelpFile, GetHelpContext.
_RELEASE_SLOT = 2
_GET_DESCRIPTION_SLOT = 5

if os.name == "nt":
    _METHOD = ctypes.WINFUNCTYPE
else:
    _METHOD = ctypes.CFUNCTYPE
_Release = _METHOD(ctypes.c_uint32, ctypes.c_void_p)
_GetDescription = _METHOD(ctypes.c_int32, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p))

_runtimes: dict[str, ctypes.CDLL | None] = {}


def _runtime(library: ctypes.CDLL) -> ctypes.CDLL | None:
    """The COM runtime that `library` uses, with the three functions declared; None when it
    cannot be loaded."""
    key = getattr(library, "_name", "") or ""
    if key in _runtimes:
        return _runtimes[key]
    runtime = None
    if os.name == "nt":
        runtime = ctypes.WinDLL("oleaut32")
    else:
        # By soname first: the instance the library loaded, whose thread holds the object.
        for name in (RUNTIME_SONAME, str(pathlib.Path(key).parent / RUNTIME_SONAME)):
            try:
                runtime = ctypes.CDLL(name)
                break
            except OSError:
                continue
    if runtime is not None:
        runtime.GetErrorInfo.argtypes = [ctypes.c_uint32, ctypes.POINTER(ctypes.c_void_p)]
        runtime.GetErrorInfo.restype = ctypes.c_int32
        runtime.SetErrorInfo.argtypes = [ctypes.c_uint32, ctypes.c_void_p]
        runtime.SetErrorInfo.restype = ctypes.c_int32
        runtime.SysStringLen.argtypes = [ctypes.c_void_p]
        runtime.SysStringLen.restype = ctypes.c_uint
        runtime.SysFreeString.argtypes = [ctypes.c_void_p]
        runtime.SysFreeString.restype = None
    _runtimes[key] = runtime
    return runtime


def _method(interface: int, slot: int, prototype):
    """The function in the slot of the interface pointer's vtable."""
    vtable = ctypes.cast(interface, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
    return prototype(vtable[slot])


def forget(library: ctypes.CDLL) -> None:
    """Drops what an earlier call left on this thread, so that what take() finds after the
    next OpenEx is that call's."""
    runtime = _runtime(library)
    if runtime is not None:
        runtime.SetErrorInfo(0, None)


def take(library: ctypes.CDLL) -> str | None:
    """The description of this thread's error object, which the thread then no longer holds;
    None when there is none (or no runtime to ask)."""
    runtime = _runtime(library)
    if runtime is None:
        return None
    info = ctypes.c_void_p()
    if runtime.GetErrorInfo(0, ctypes.byref(info)) != 0 or not info.value:
        return None
    try:
        text = ctypes.c_void_p()
        if _method(info.value, _GET_DESCRIPTION_SLOT, _GetDescription)(
                info.value, ctypes.byref(text)) != 0 or not text.value:
            return None
        try:
            units = runtime.SysStringLen(text.value)
            description = ctypes.string_at(text.value, 2 * units).decode("utf-16-le", "replace")
        finally:
            runtime.SysFreeString(text.value)
    finally:
        _method(info.value, _RELEASE_SLOT, _Release)(info.value)
    return description or None


def lines(message: str | None) -> tuple[str, ...]:
    """The sentences of a message, one a line."""
    return tuple(line for line in (message or "").split("\n") if line)

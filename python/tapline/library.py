"""Finding the library (argument, $TAPLINE_LIBRARY, the installation, a source tree's build
folders) and loading it once per path with the signatures of the twelve exports and of those
beside them (tapline_ext.h) declared."""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import pathlib
import sys
import sysconfig

LIBRARY_ENV = "TAPLINE_LIBRARY"
# The library's file in a build folder, and the names an installation gives it (the soname
# first: a runtime-only installation has no unversioned link).
if os.name == "nt":
    _BUILT_NAME, _INSTALLED_NAMES = "tapline.dll", ("tapline.dll",)
else:
    _BUILT_NAME, _INSTALLED_NAMES = "libtapline.so", ("libtapline.so.0", "libtapline.so")
_PACKAGE = pathlib.Path(__file__).resolve().parent
# Where this package sits when it runs from the source tree: <repository>/python/tapline.
_REPOSITORY = _PACKAGE.parents[1]
_BUILD_FOLDERS = ("build", "build-release")


def find_library(path: str | os.PathLike[str] | None = None) -> str:
    """Path (or, from the system's library path, name) of the library, looked for in order:
    the argument, $TAPLINE_LIBRARY, the installation (the library that CMake installed with
    this package, the lib folders of this Python's prefix, then the system's library path),
    and last, when this package runs from a source tree, that tree's build folders
    (build/bin, build-release/bin, then any build*/bin). Raises FileNotFoundError saying
    where it looked."""
    if path:
        return os.fspath(path)
    if os.environ.get(LIBRARY_ENV):
        return os.environ[LIBRARY_ENV]
    for candidate in _prefix_candidates():
        if candidate.is_file():
            return str(candidate)
    system = ctypes.util.find_library("tapline")
    if system:
        return system
    for candidate in _development_candidates():
        if candidate.is_file():
            return str(candidate)
    raise FileNotFoundError(
        "the Tapline library was not found: pass its path, set %s, install Tapline (in %s or "
        "on the system's library path) or build it in %s" % (LIBRARY_ENV, sys.prefix, _REPOSITORY))


def _prefix_candidates() -> list[pathlib.Path]:
    """The library that CMake installed with this package (pip installs none), then the
    library's names in the lib folders of this Python's prefix (a virtual environment or the
    system's), where `cmake --install` with that prefix puts it."""
    try:
        from ._installation import LIBRARY
        installed = [pathlib.Path(os.path.normpath(_PACKAGE / LIBRARY))]
    except ImportError:
        installed = []
    prefix = pathlib.Path(sys.prefix)
    folders = [prefix / "lib", prefix / "lib64"]
    multiarch = sysconfig.get_config_var("MULTIARCH")
    if multiarch:
        folders.insert(1, prefix / "lib" / multiarch)
    if os.name == "nt":
        folders.insert(0, prefix / "bin")
    return installed + [folder / name for folder in folders for name in _INSTALLED_NAMES]


def _development_candidates() -> list[pathlib.Path]:
    """The library in the build folders of the source tree holding this package, if it is in
    one (an installed package has no CMakeLists.txt two folders up)."""
    if not (_REPOSITORY / "CMakeLists.txt").is_file():
        return []
    folders = [_REPOSITORY / name for name in _BUILD_FOLDERS]
    folders += sorted(p for p in _REPOSITORY.glob("build*") if p not in folders)
    return [folder / "bin" / _BUILT_NAME for folder in folders]


_loaded: dict[str, ctypes.CDLL] = {}


def load_library(path: str | os.PathLike[str] | None = None) -> ctypes.CDLL:
    """The library loaded once per path, with the signatures of the twelve exports and of
    those beside them declared."""
    path = find_library(path)
    if path in _loaded:
        return _loaded[path]
    lib = ctypes.CDLL(path)
    c_int, c_double, c_char_p = ctypes.c_int, ctypes.c_double, ctypes.c_char_p
    p_int, p_double = ctypes.POINTER(c_int), ctypes.POINTER(c_double)
    p_short = ctypes.POINTER(ctypes.c_short)
    signatures = {
        "OpenEx": [c_char_p, p_int],
        "Close": [],
        "GetSegment": [c_double],
        "GetSegmentTime": [p_double, p_double],
        "RecSecToDate": [c_double, p_double],
        "GetChannelCount": [c_int],
        "GetChannelInf": [c_int, c_int, ctypes.c_char_p],
        "GetSegmentInf": [c_int, p_double, p_int],
        "GetData": [c_int, p_short],
        "GetData2": [c_double, c_double, p_short],
        "GetEventCount": [p_int],
        "GetEvents": [c_int, p_int, c_char_p, c_char_p, c_char_p, p_double, p_double],
        # Beside the twelve (tapline_ext.h).
        "GetChannelCalibration": [c_int, c_int, p_double, p_double],
        "GetChannelUnit": [c_int, c_int, c_char_p, c_int],
        "GetChannelPhysicalRange": [c_int, c_int, p_double, p_double],
        "GetChannelInvalidValue": [c_int, c_int, p_int],
        "GetChannelValue": [c_int, c_int, p_double],
        "GetWindowCounts": [c_double, c_double, p_int, c_int],
        "GetEventText": [c_int, c_int, c_char_p, c_int],
        "GetOpenMessage": [c_char_p, c_int],
    }
    for name, arguments in signatures.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = c_int
    _loaded[path] = lib
    return lib

"""The package as a user meets it: where it finds the library, and the library's rule of one
open recording per process.
"""
import gc
import os
import pathlib
import shutil
import sys
import tempfile
import unittest
from unittest import mock

import support
import tapline

MULTIARCH = "x86_64-linux-gnu"


class LibraryLookupTest(unittest.TestCase):
    """Each case lays out the places that hold a library and expects the first one in the
    order: argument, $TAPLINE_LIBRARY, this Python's prefix, the system's library path, the
    source tree's build folders."""

    def setUp(self):
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="tapline-lookup-"))
        self.addCleanup(shutil.rmtree, self.root)

    def lookup(self, argument=None, environment=None, in_prefix=False, system=None,
               built=False, source_tree=True):
        """find_library's answer with the places laid out anew in a folder of their own."""
        case = pathlib.Path(tempfile.mkdtemp(dir=self.root))
        self.prefix_library = case / "prefix" / "lib" / MULTIARCH / "libtapline.so.0"
        self.built_library = case / "tree" / "build-release" / "bin" / "libtapline.so"
        for wanted, path in [(in_prefix, self.prefix_library), (built, self.built_library)]:
            if wanted:
                path.parent.mkdir(parents=True)
                path.touch()
        if source_tree:
            (case / "tree").mkdir(exist_ok=True)
            (case / "tree" / "CMakeLists.txt").touch()
        variables = {tapline.LIBRARY_ENV: environment} if environment else {}
        with mock.patch.dict(os.environ, variables), \
                mock.patch.object(sys, "prefix", str(case / "prefix")), \
                mock.patch("sysconfig.get_config_var", {"MULTIARCH": MULTIARCH}.get), \
                mock.patch("ctypes.util.find_library", lambda name: system), \
                mock.patch.object(tapline.library, "_REPOSITORY", case / "tree"):
            if not environment:
                os.environ.pop(tapline.LIBRARY_ENV, None)
            return tapline.find_library(argument)

    def test_the_first_place_that_holds_a_library_wins(self):
        everywhere = dict(in_prefix=True, system="libtapline.so.0", built=True)
        cases = [
            (dict(everywhere, argument="/a/libtapline.so", environment="/e/libtapline.so"),
             "/a/libtapline.so"),
            (dict(everywhere, environment="/e/libtapline.so"), "/e/libtapline.so"),
            (everywhere, "prefix"),
            (dict(system="libtapline.so.0", built=True), "libtapline.so.0"),
            (dict(built=True), "built"),
        ]
        for arguments, expected in cases:
            with self.subTest(**{k: v for k, v in arguments.items() if v}):
                found = self.lookup(**arguments)
                places = {"prefix": str(self.prefix_library), "built": str(self.built_library)}
                self.assertEqual(found, places.get(expected, expected))

    def test_build_folders_count_only_inside_a_source_tree(self):
        with self.assertRaisesRegex(FileNotFoundError, tapline.LIBRARY_ENV):
            self.lookup(built=True, source_tree=False)


# Every name a host reached as tapline.X, by the module that defines it now.
PUBLIC_NAMES = {
    "errors": ["TaplineError", "RecordingRefusedError", "RecordingWarning", "WindowError",
               "RecordingAlreadyOpenError", "NoCalibrationError"],
    "library": ["LIBRARY_ENV", "_REPOSITORY", "find_library", "load_library"],
    "day_numbers": ["UNIX_EPOCH_DAY", "MATLAB_DATENUM_OFFSET", "DAYS_PER_SECOND",
                    "day_number_to_datetime64", "day_number_to_datenum", "seconds_between",
                    "to_day_number"],
    "window_rule": ["TICKS_PER_SECOND", "TICKS_PER_DAY", "WINDOW_SHIFT_TICKS",
                    "window_capacity", "exact_rate", "window_shift_ticks", "window_ticks",
                    "samples_before", "window_ranges", "segment_sample_count"],
    "texts": ["TEXT_BYTES"],
    "sample_reading": ["Window"],
    "recording": ["Recording"],
}
# Recording's methods and properties, those tapline.mne and tapline.cohort call included.
RECORDING_MEMBERS = [
    "close", "closed", "time_zero", "segments", "segment_at", "recording_seconds_to_date",
    "channel_count", "channel_names", "channels", "rates", "calibration", "segment_samples",
    "window", "window_times", "seconds_to_date", "window_at_seconds", "iter_windows",
    "event_count", "events", "to_mne", "_check_open", "_check_segment", "_to_physical",
    "_all_samples", "_picks", "_iter_windows", "_segments",
    "_shift_ticks", "_layout", "_describe_segment", "_window_layout", "_get_data2",
    "_read_span", "_read_stretch",
]


class PublicNamesTest(unittest.TestCase):
    """The package's names stay where hosts reach them, each one object, however the package's
    modules divide the work."""

    def test_every_name_is_the_defining_modules_own(self):
        for module_name, names in PUBLIC_NAMES.items():
            module = getattr(tapline, module_name)
            for name in names:
                with self.subTest(name=name, module=module_name):
                    self.assertIs(getattr(tapline, name), getattr(module, name))

    def test_all_lists_the_public_names_and_they_report_the_package(self):
        public = {name for names in PUBLIC_NAMES.values() for name in names
                  if not name.startswith("_")}
        self.assertEqual(set(tapline.__all__), public)
        # What a traceback, a repr or a pickle names.
        for name in sorted(public):
            value = getattr(tapline, name)
            if callable(value):
                with self.subTest(name=name):
                    self.assertEqual(value.__module__, "tapline")

    def test_a_recording_has_every_member(self):
        missing = [name for name in RECORDING_MEMBERS if not hasattr(tapline.Recording, name)]
        self.assertEqual(missing, [])


class OneRecordingTest(support.WorkspaceTest):
    def test_a_second_recording_is_refused_while_the_first_is_open(self):
        with tapline.Recording(self.workspace.sample) as first:
            with self.assertRaisesRegex(tapline.RecordingAlreadyOpenError,
                                        "%s is still open" % self.workspace.sample):
                tapline.Recording(self.workspace.path("other.edf"))
            # The refusal reached neither the library nor the open recording.
            self.assertEqual(len(first.segments()), 3)
            self.assertEqual(len(first.window(first.recording_seconds_to_date(1.0), 1.0)), 8)
        with tapline.Recording(self.workspace.sample) as again:
            self.assertEqual(again.segment_count, 3)

    def test_a_recording_dropped_unclosed_is_closed_when_collected(self):
        tapline.Recording(self.workspace.sample)
        gc.collect()
        with tapline.Recording(self.workspace.sample) as again:
            self.assertEqual(again.event_count(), 21)

    def test_a_refused_file_leaves_no_recording_open(self):
        broken = self.workspace.path("broken.edf")
        with open(broken, "wb") as file:
            file.write(b"0" * 100)
        with self.assertRaises(tapline.TaplineError) as refusal:
            tapline.Recording(broken)
        self.assertNotIsInstance(refusal.exception, tapline.RecordingAlreadyOpenError)
        with tapline.Recording(self.workspace.sample) as again:
            self.assertEqual(again.segment_count, 3)


if __name__ == "__main__":
    unittest.main()

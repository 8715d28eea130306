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
                mock.patch.object(tapline, "_REPOSITORY", case / "tree"):
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


class OneRecordingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.workspace = support.Workspace()

    @classmethod
    def tearDownClass(cls):
        cls.workspace.remove()

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

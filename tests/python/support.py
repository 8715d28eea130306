"""What the Python tests share: a private class registry with the EDF component registered,
the project's sample recording, and a small EDF/EDF+ writer for files with known contents.

Run by ctest with TAPLINE_LIBRARY, TAPLINE_EDF_MODULE, TAPLINE_REGSVR, TAPLINE_SAMPLE_WRITER
and PYTHONPATH (examples/python) set, in a Python that has the tapline package installed.
"""
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np

import tapline

DAY = 86400.0
# 2024-05-14 09:30:00, the sample recording's start, as a day number.
SAMPLE_START_DAY = 45426.0 + 34200.0 / DAY


class Workspace:
    """A temporary folder holding a class registry with the component and the sample
    recording; the process's standard input becomes /dev/null so that a failure report never
    waits for a key."""

    def __init__(self):
        null = os.open(os.devnull, os.O_RDONLY)
        os.dup2(null, 0)
        os.close(null)
        self.folder = tempfile.mkdtemp(prefix="tapline-python-")
        # The class registry is read on every creation; worker processes inherit it.
        os.environ["XDG_DATA_HOME"] = self.folder
        subprocess.run([os.environ["TAPLINE_REGSVR"], os.environ["TAPLINE_EDF_MODULE"]],
                       check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.sample = self.path("sample.edf")
        subprocess.run([os.environ["TAPLINE_SAMPLE_WRITER"], self.sample], check=True,
                       stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    def path(self, name):
        return os.path.join(self.folder, name)

    def remove(self):
        shutil.rmtree(self.folder)


class WorkspaceTest(unittest.TestCase):
    """Tests sharing one Workspace, `cls.workspace`, made before the first and removed after
    the last; a subclass's setUpClass calls this one first."""

    @classmethod
    def setUpClass(cls):
        cls.workspace = Workspace()
        cls.addClassCleanup(cls.workspace.remove)


class RecordingTest(WorkspaceTest):
    """Each test gets `cls.path` (the sample recording unless setUpClass names another) open
    as `self.recording`, closed after the test."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.path = cls.workspace.sample

    def setUp(self):
        self.recording = tapline.Recording(self.path)
        self.addCleanup(self.recording.close)


def _field(text, width):
    data = str(text).encode("utf-8")
    assert len(data) <= width, (text, width)
    return data.ljust(width, b" ")


def _tal(onset, duration=None, texts=("",)):
    head = onset if duration is None else onset + "\x15" + duration
    return (head + "".join("\x14" + t for t in texts) + "\x14\x00").encode("utf-8")


def write_edf(path, signals, record_duration, segments, events=(), annotation_bytes=120,
              year=2024):
    """Writes an EDF+D file (plain EDF when `segments` is one run starting at 0 and there are
    no events, EDF+ otherwise) and returns its bytes' length.

    signals: dicts with label, spr (samples per record), and optionally unit, pmin, pmax, dmin,
        dmax and values(signal_index, k) -> int16 samples for segment sample indices k.
    record_duration: the header's text, e.g. "0.25".
    segments: (onset text, record count) per run of contiguous records, e.g. [("+0", 4)].
    events: (onset text, duration text, label), written in the first record.
    year: of the start, 14 May 09:30 (after 2084 only in the EDF+ recording field).
    """
    plus = len(segments) > 1 or events or segments[0][0] not in ("+0", "0")
    labels = list(signals) + ([{"label": "EDF Annotations", "spr": annotation_bytes // 2,
                                "unit": "", "pmin": -1, "pmax": 1, "dmin": -32768,
                                "dmax": 32767}] if plus else [])
    records = sum(count for _, count in segments)
    header = b"".join([
        _field("0", 8), _field("X X X X", 80), _field("Startdate 14-MAY-%d X X X" % year, 80),
        _field("14.05.%s" % (str(year)[2:] if year <= 2084 else "yy"), 8), _field("09.30.00", 8), _field(256 * (len(labels) + 1), 8),
        _field("EDF+D" if plus else "", 44), _field(records, 8), _field(record_duration, 8),
        _field(len(labels), 4)])
    for name, width, default in [("label", 16, ""), ("transducer", 80, ""),
                                 ("unit", 8, "uV"), ("pmin", 8, -3200), ("pmax", 8, 3200),
                                 ("dmin", 8, -32768), ("dmax", 8, 32767),
                                 ("prefiltering", 80, ""), ("spr", 8, 1), ("reserved", 32, "")]:
        header += b"".join(_field(s.get(name, default), width) for s in labels)
    body = []
    pending_events = b"".join(_tal(o, d, (t,)) for o, d, t in events)
    for onset, count in segments:
        base = float(onset)
        for r in range(count):
            for index, signal in enumerate(signals):
                k = np.arange(r * signal["spr"], (r + 1) * signal["spr"], dtype=np.int64)
                values = signal.get("values", lambda i, k: k % 30000)(index, k)
                body.append(np.asarray(values, dtype="<i2").tobytes())
            if plus:
                record_onset = "%+.6f" % (base + r * float(record_duration))
                tal = _tal(record_onset.rstrip("0").rstrip("."))
                tal, pending_events = tal + pending_events, b""
                assert len(tal) <= annotation_bytes, "annotations do not fit a record"
                body.append(tal.ljust(annotation_bytes, b"\x00"))
    data = header + b"".join(body)
    with open(path, "wb") as file:
        file.write(data)
    return len(data)

"""GDF recordings through the wrapper, against the other readers: BioSig's save2gdf conversion
of the sample recording (segments, digital values and events equal to the EDF file's, dates and
events equal to what BioSig's Python module reads), and a GDF 1.x file against MNE's
read_raw_gdf. Each part skips when its program or module is absent; MNE 1.3 does not read the
2.51 files BioSig writes (their tagged header fields), so it is compared on GDF 1.x.
"""
import datetime
import json
import os
import shutil
import subprocess
import unittest

import numpy as np

import open_format_files as files
import support
import tapline

# One GDF time step (2^-32 day) in seconds: BioSig's times are its clock rounded down to one.
GDF_STEP = 86400.0 / 2 ** 32


class GdfTest(support.WorkspaceTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.converted = None
        if shutil.which("save2gdf"):
            cls.converted = cls.workspace.path("sample.gdf")
            subprocess.run(["save2gdf", "-f=GDF", cls.workspace.sample, cls.converted], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           stdin=subprocess.DEVNULL)

    def require_converted(self):
        if self.converted is None:
            self.skipTest("save2gdf (Debian's biosig-tools) is not installed")

    @staticmethod
    def contents(path):
        """Segments, and per segment the names, rates and digital samples, and the events
        (BioSig's breaks left out): the library serves one recording at a time."""
        with tapline.Recording(path) as recording:
            segments = [(recording.channel_names(s), recording.rates(s), recording.segment_samples(s))
                        for s in range(recording.segment_count)]
            events = recording.events()
            return recording.segments(), segments, events[events["type_text2"] != "0x7FFE"]

    def test_reads_biosigs_conversion_like_the_edf_file(self):
        self.require_converted()
        edf_segments, edf, edf_events = self.contents(self.workspace.sample)
        gdf_segments, gdf, gdf_events = self.contents(self.converted)
        np.testing.assert_array_equal(gdf_segments, edf_segments)
        self.assertEqual(len(gdf), len(edf))
        for (names, rates, samples), (edf_names, edf_rates, edf_samples) in zip(gdf, edf):
            self.assertEqual(names, edf_names)
            self.assertEqual(rates, edf_rates)
            # save2gdf passes the samples through physical values and back: about 0.6 % of the
            # demo's samples come out 1 away from the EDF file's. Ours are the GDF file's own.
            for ours, theirs in zip(samples, edf_samples):
                np.testing.assert_allclose(ours, theirs, rtol=0, atol=1)
        # BioSig keeps one text of an EDF+ annotation with two ("Arousal", not "Snoring") and
        # stores durations in whole samples at 256 Hz, rounded down (0.8 s becomes 0.797 s).
        expected = edf_events[edf_events["label"] != "Snoring"]
        np.testing.assert_array_equal(gdf_events["label"], expected["label"])
        np.testing.assert_allclose(gdf_events["onset"], expected["onset"], atol=1e-6)
        np.testing.assert_allclose(gdf_events["duration"], expected["duration"], atol=1 / 256)

    def test_dates_and_events_agree_with_biosigs_reader(self):
        self.require_converted()
        try:
            import biosig
        except ImportError:
            self.skipTest("BioSig's Python module (python3-biosig) is not installed")
        header = json.loads(biosig.header(self.converted))
        start = datetime.datetime.fromisoformat(header["StartOfRecording"])
        with tapline.Recording(self.converted) as gdf:
            ours = gdf.events()
            first = ours["time_stamp"][0].astype(datetime.datetime)
            # BioSig prints the start as its step rounded down; ours is the round time in it.
            self.assertLess(abs((first - start).total_seconds()), 2 * GDF_STEP)
            theirs = header["EVENT"]
            self.assertEqual(len(ours), len(theirs))
            by_time = sorted(theirs, key=lambda e: datetime.datetime.fromisoformat(e["TimeStamp"]))
            for event, reference in zip(ours, by_time):
                stamp = datetime.datetime.fromisoformat(reference["TimeStamp"])
                self.assertLess(abs((event["time_stamp"].astype(datetime.datetime) - stamp)
                                    .total_seconds()), 2 * GDF_STEP)
                self.assertEqual(event["type_text2"], reference["TYP"].upper().replace("0X", "0x"))
                self.assertAlmostEqual(event["duration"], reference.get("DUR", 0.0), places=6)

    def test_gdf1_agrees_with_mne(self):
        try:
            import mne
        except ImportError:
            self.skipTest("MNE (python3-mne) is not installed")
        path = self.workspace.path("v1.gdf")
        stored = files.write_gdf1(path, ["Fz", "Cz"], [256, 256], 4, (1, 1),
                                  events=[(1, 0x0301, 256), (513, 0x0302, 128)])
        raw = mne.io.read_raw_gdf(path, preload=True, verbose="error")
        with tapline.Recording(path) as gdf:
            self.assertEqual(float(gdf.rates(0)[0]), raw.info["sfreq"])
            self.assertEqual(gdf.channel_names(0), raw.ch_names)
            for c, samples in enumerate(gdf.segment_samples(0)):
                np.testing.assert_array_equal(samples, stored[c])
                np.testing.assert_allclose(raw.get_data()[c] * 1e6, stored[c], atol=1e-6)
            # Physical values from the calibration exports: the same microvolts as MNE's.
            self.assertEqual(list(gdf.calibration(0)["unit"]), ["uV", "uV"])
            for c, values in enumerate(gdf.segment_samples(0, physical=True)):
                np.testing.assert_allclose(values, raw.get_data()[c] * 1e6, atol=1e-6)
            self.assertEqual(gdf.events()["time_stamp"][0].astype(datetime.datetime)
                             .replace(tzinfo=datetime.timezone.utc), raw.info["meas_date"])
            events = gdf.events()
            np.testing.assert_allclose(events["onset"], raw.annotations.onset)
            np.testing.assert_allclose(events["duration"], raw.annotations.duration)
            self.assertEqual(list(events["type_text2"]), ["0x0301", "0x0302"])
            self.assertEqual([int(d) for d in raw.annotations.description], [0x0301, 0x0302])


if __name__ == "__main__":
    unittest.main()

"""Cohort summaries on a local Dask cluster of two worker processes equal the same summaries
made one file after another in this process; a broken file gives a row with the component's
reason, and a forgiven one its warnings.
"""
import math
import unittest

import numpy as np
import pandas as pd

import support
from tapline import cohort as tapline_cohort


def write_cohort(workspace, count):
    """`count` small EDF files of different lengths, rates and segments, values known."""
    paths = []
    for i in range(count):
        signals = [{"label": "EEG %d" % i, "spr": 8 * (i % 3 + 1),
                    "values": lambda s, k, i=i: (k * (i + 1)) % 2000 - 1000},
                   {"label": "Temp", "spr": 1, "unit": "degC", "pmin": 30, "pmax": 42,
                    "dmin": -100, "dmax": 3000, "values": lambda s, k: k % 7}]
        segments = [("+0", 3 + i % 4)] + ([("+20", 2)] if i % 2 else [])
        events = [("+1", "0.5", "Mark")] * (i % 3)
        path = workspace.path("cohort-%02d.edf" % i)
        support.write_edf(path, signals, "0.5", segments, events)
        paths.append(path)
    return paths


class CohortTest(support.WorkspaceTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.paths = write_cohort(cls.workspace, 11)
        broken = cls.workspace.path("broken.edf")
        with open(cls.paths[0], "rb") as file:
            head = file.read(300)  # cut inside the signal fields
        with open(broken, "wb") as file:
            file.write(head)
        cls.paths.insert(5, broken)
        # Bytes after the last record: opened, with a warning.
        trailing = cls.workspace.path("trailing.edf")
        with open(cls.paths[1], "rb") as file, open(trailing, "wb") as out:
            out.write(file.read() + b"12345")
        cls.paths.insert(7, trailing)

    def test_cluster_rows_equal_single_process_rows(self):
        # Short windows, so that every file is summarised over several.
        table = tapline_cohort.cohort(self.paths, n_workers=2, window_seconds=0.75)
        expected = pd.DataFrame([tapline_cohort.summarize(p, window_seconds=0.75)
                                 for p in self.paths], columns=tapline_cohort.COLUMNS)
        pd.testing.assert_frame_equal(table, expected)
        self.assertEqual(list(table["path"]), self.paths)

        # The component's reason and warnings, in their columns.
        broken = table.iloc[5]
        self.assertEqual(broken["error"], "the file ends inside its header (300 of 768 bytes)")
        self.assertTrue(math.isnan(broken["segments"]))
        trailing = table.iloc[7]
        self.assertIsNone(trailing["error"])
        self.assertRegex(trailing["warnings"], r"^5 bytes after the last data record are not read")
        self.assertEqual(trailing["segments"], table.iloc[1]["segments"])
        self.assertEqual(table["warnings"].isna().sum(), len(self.paths) - 1)

    def test_summary_of_one_file(self):
        row = tapline_cohort.summarize(self.paths[3], window_seconds=0.75)
        # File 3: 8 samples per 0.5-s record at 16 Hz, 6 + 2 records, 0 events.
        self.assertIsNone(row["error"])
        self.assertEqual((row["segments"], row["duration"], row["event_count"]), (2, 4.0, 0))
        self.assertEqual(row["channels"], ("EEG 3", "Temp"))
        self.assertEqual(row["rates"], (16.0, 2.0))
        self.assertEqual(row["units"], ("uV", "degC"))
        # Digital values of both segments, in physical units.
        digital = np.concatenate([(np.arange(n) * 4) % 2000 - 1000 for n in (48, 16)])
        eeg = -3200 + (digital + 32768) * 6400 / 65535
        temp = 30 + (np.concatenate([np.arange(6) % 7, np.arange(2) % 7]) + 100) * 12 / 3100
        for channel, values in enumerate([eeg, temp]):
            self.assertAlmostEqual(row["minimum"][channel], values.min(), places=9)
            self.assertAlmostEqual(row["maximum"][channel], values.max(), places=9)
            self.assertAlmostEqual(row["mean"][channel], values.mean(), places=9)


if __name__ == "__main__":
    unittest.main()

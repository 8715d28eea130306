"""BrainVision and WFDB recordings through the wrapper: physical values and units from the
component's calibration, the format chosen by content, WFDB's segment rule as the component
applies it, whole event texts, one MNE Raw per segment with its own date, and cohort rows.
Files the tests write, then the shared samples when they are there.
"""
import datetime
import os
import unittest

import numpy as np

import open_format_files as files
import plot_window
import support
import tapline
from tapline import TICKS_PER_DAY, TICKS_PER_SECOND, cohort

MICRO, GREEK_MU = "\u00b5", "\u03bc"
UTC = datetime.timezone.utc
# One-channel BrainVision files: (Ch1 line, binary format, Codepage, stored, unit, physical).
BRAINVISION_SCALES = [
    ("Fz,,0.5," + MICRO + "V", "INT_16", "UTF-8", [-32768, -1, 0, 32767], MICRO + "V",
     [-16384, -0.5, 0, 16383.5]),
    ("Cz,,0.1", "UINT_16", "UTF-8", [0, 1, 32768, 65535], MICRO + "V",
     [0, 0.1, 3276.8, 6553.5]),
    ("Pz,,,nV", "INT_16", None, [-3, 7], "nV", [-3, 7]),
    ("Oz", "INT_16", "UTF-8", [5], MICRO + "V", [5]),
    (b"T7,,2,\xb5V", "INT_16", "ANSI", [3], MICRO + "V", [6]),
    (b"T8,,2,\xb5V", "INT_16", None, [3], MICRO + "V", [6]),
    ("EOG\\1left,,0.25," + GREEK_MU + "V", "INT_16", "UTF-8", [4], GREEK_MU + "V", [1]),
]
# Signals of one format-16 WFDB file: (signal line's fields after the format, name, unit).
WFDB_SIGNALS = [("200(10)/uV 16 0 0 0 0 A", "A", "uV", lambda s: (s - 10) / 200),
                ("0 16 0 0 0 0 B", "B", "adu", lambda s: s),
                ("100 16 5 0 0 0 C", "C", "mV", lambda s: (s - 5) / 100),
                ("12.84(-1605)/mmHg", "record r, signal 3", "mmHg", lambda s: (s + 1605) / 12.84)]
START_2000 = 36526 * TICKS_PER_DAY + 8 * 3600 * TICKS_PER_SECOND


def segment_files(name, frames, written, signal_lines, seed):
    """A one-part WFDB segment of format-16 signals whose file holds `written` frames."""
    header = "%s %d 125 %d\n" % (name, len(signal_lines), frames)
    header += "".join("%s.dat 16 %s\n" % (name, line) for line in signal_lines)
    return {name + ".hea": header,
            name + ".dat": files.distinct(frames, len(signal_lines), seed)[:written]}


# The component's cases: (header, files, frame rate, expected (start ticks, frames, names,
# gains, samples per channel) per segment).
VARIABLE = dict(
    [("v.hea", "v/7 3 125 175 08:00:00 01/01/2000\n"
               "v_layout 0\n~ 25\nv_a 40\nv_b 30\nv_c 20\n~ 50\nv_d 10\n"),
     ("v_layout.hea", "v_layout 3 125 0\n~ 0 100/mV 16 0 0 0 0 X\n~ 0 100/mV 16 0 0 0 0 Y\n"
                      "~ 0 1/mV 16 0 0 0 0 Z\n")],
    **segment_files("v_a", 40, 40, ["100/mV 16 0 0 0 0 X"], 1),
    **segment_files("v_b", 30, 25, ["100/mV 16 0 0 0 0 Y", "100/mV 16 0 0 0 0 X"], 2),
    **segment_files("v_c", 20, 20, ["100/mV 16 0 0 0 0 Y", "100/mV 16 0 0 0 0 X"], 3),
    **segment_files("v_d", 10, 10, ["100/mV 16 0 0 0 0 Y", "50/mV 16 0 0 0 0 X"], 4))
FRAME = TICKS_PER_SECOND // 125
SEGMENT_CASES = [
    ("v.hea", VARIABLE, 125, [(START_2000 + 25 * FRAME, 40, ["X"], [100], [40]),
                         (START_2000 + 65 * FRAME, 50, ["Y", "X"], [100, 100], [50, 50]),
                         (START_2000 + 165 * FRAME, 10, ["Y", "X"], [100, 50], [10, 10])]),
    ("f.hea", {"f.hea": "f/2 1 125 50\nf_1 30\nf_2 20\n",
               **segment_files("f_1", 30, 30, ["100/mV 12 0 0 0 0 II"], 5),
               **segment_files("f_2", 20, 20, ["100/mV 16 0 0 0 0 II"], 6)},
     125, [(0, 50, ["II"], [100], [50])]),
    # A change of calibration starts a segment, without a gap.
    ("g.hea", {"g.hea": "g/2 1 125 40\ng_1 20\ng_2 20\n",
               **segment_files("g_1", 20, 20, ["100/mV 16 0 0 0 0 II"], 9),
               **segment_files("g_2", 20, 20, ["200/mV 16 0 0 0 0 II"], 10)},
     125, [(0, 20, ["II"], [100], [20]), (20 * FRAME, 20, ["II"], [200], [20])]),
    # A null signal (format 0, no file) is a channel of the frames' count.
    ("n.hea", {"n.hea": "n 2 125 20\nn.dat 16 100/mV 16 0 0 0 0 A\n~ 0 100/mV 16 0 0 0 0 N\n",
               "n.dat": files.distinct(20, 1, 11)},
     125, [(0, 20, ["A", "N"], [100, 100], [20, 20])]),
    # A run whose last part's file holds no frame is left out; a null segment is a gap.
    ("e.hea", {"e.hea": "e/3 1 125 60\ne_1 30\n~ 10\ne_2 20\n",
               **segment_files("e_1", 30, 30, ["100 16 0 0 0 0 I"], 7),
               **segment_files("e_2", 20, 0, ["100 16 0 0 0 0 I"], 8)},
     125, [(0, 30, ["I"], [100], [30])]),
] + [
    # The last whole frame of every file ends the record, whatever its frame count says; skew
    # 3 leaves the second channel's last 3 frames out.
    ("r%s.hea" % frames, {"r%s.hea" % frames: "r%s 2 100 %s\nr.dat 16\ns.dat 16:3\n"
                          % (frames, frames), "r.dat": bytes(2 * 30 + 1),
                          "s.dat": files.distinct(20, 1, 12)},
     100, [(0, 20, ["record r%s, signal 0" % frames, "record r%s, signal 1" % frames], [0, 0],
            [20, 17])])
    for frames in ("0", "25", "5000")]


class OpenFormatsTest(support.WorkspaceTest):
    def folder(self, name):
        path = self.workspace.path(name)
        os.makedirs(path, exist_ok=True)
        return path

    def assert_physical(self, path, segment, units, expected, names=None):
        """The segment's units and physical values (NaN where expected) through the wrapper."""
        with tapline.Recording(path) as recording:
            table = recording.calibration(segment)
            self.assertEqual(list(table["unit"]), units)
            if names is not None:
                self.assertEqual(list(table["name"]), names)
            values = recording.segment_samples(segment, physical=True)
            for channel, wanted in enumerate(expected):
                # stored x gain + offset: exact to a few units of the range's last place.
                scale = np.nanmax(np.abs(wanted)) if np.isfinite(wanted).any() else 1.0
                np.testing.assert_allclose(values[channel], wanted, rtol=1e-15,
                                           atol=4e-16 * scale,
                                           err_msg="%s channel %d" % (path, channel))

    def test_brainvision_resolution_unit_and_text(self):
        for n, (line, binary, page, stored, unit, physical) in enumerate(BRAINVISION_SCALES):
            with self.subTest(line=line):
                path = files.write_brainvision(self.folder("scales"), "s%d" % n, [line],
                                               np.array(stored)[:, None], binary=binary,
                                               codepage=page)
                name = (line if isinstance(line, str) else line.decode("cp1252")).split(",")[0]
                self.assert_physical(path, 0, [unit], [physical],
                                     [name.replace("\\1", ",")])

    def test_brainvision_micro_spellings_give_the_same_volts(self):
        lines = ["A,,0.5," + MICRO + "V", "B,,0.5," + GREEK_MU + "V", "C,,0.5,uV",
                 "D,,500,nV", "E,,0.0005,mV", "F,,0.0000005,V"]
        stored = np.repeat(np.arange(-50, 50, dtype=np.int16)[:, None] * 300, len(lines), 1)
        path = files.write_brainvision(self.folder("micro"), "m", lines, stored)
        with tapline.Recording(path) as recording:
            raw, = recording.to_mne(0)
        self.assertEqual(raw.get_channel_types(), ["eeg"] * len(lines))
        for row in raw.get_data():
            np.testing.assert_allclose(row, stored[:, 0] * 0.5e-6, rtol=1e-12)

    def test_paused_brainvision_segments_keep_their_own_times(self):
        stored = files.distinct(1000, 2, 9)
        markers = ["New Segment,,1,1,0,20240514093000000000", "Stimulus,S  1,101,1,0",
                   "New Segment,,401,1,0,20240514100000500000", "Response,R  2,451,5,0"]
        path = files.write_brainvision(self.folder("paused"), "p", ["Fz,,0.5", "Cz,,2,mV"],
                                       stored, interval="4000", markers=markers)
        cases = [(0, datetime.datetime(2024, 5, 14, 9, 30, tzinfo=UTC), 0, 400, [0.4], ["S  1"]),
                 (1, datetime.datetime(2024, 5, 14, 10, 0, 0, 500000, tzinfo=UTC), 400, 1000,
                  [0.2], ["R  2"])]
        with tapline.Recording(path) as recording:
            for segment, start, first, end, onsets, labels in cases:
                raw, = recording.to_mne(segment)
                self.assertEqual(raw.info["meas_date"], start)
                np.testing.assert_allclose(raw.get_data()[1], stored[first:end, 1] * 2e-3)
                np.testing.assert_allclose(raw.annotations.onset, onsets, atol=1e-9)
                self.assertEqual(list(raw.annotations.description), labels)
                windows = recording.iter_windows(segment, 0.3, physical=True)
                joined = np.concatenate([w.samples[0] for w in windows])
                np.testing.assert_array_equal(joined, stored[first:end, 0] * 0.5)
            out = os.path.join(self.workspace.folder, "paused.png")
            spans = plot_window.plot_window(recording, 1800.6, 0.3, out)
            self.assertEqual([label for _, _, label in spans], ["R  2"])
            # Segment 1 ends at 10:00:02.9; the library counts whole seconds to 10:00:03.
            for start, duration, refusal in [
                    (1802.5, 0.4, None),
                    (1802.6, 0.3, "the library refuses the window 1802.6 s to 1802.9 s: it "
                                  "allows 0 s from that start"),
                    (1802.8, 0.11, "the window 1802.8 s to 1802.91 s does not fit its segment")]:
                if refusal is None:
                    recording.window_at_seconds(start, duration)
                    continue
                with self.assertRaisesRegex(tapline.WindowError, "^" + refusal):
                    recording.window_at_seconds(start, duration)

    def test_wfdb_gain_baseline_units_and_invalid_samples(self):
        stored = files.distinct(50, len(WFDB_SIGNALS), 11)
        stored[[3, 17], :] = -32768
        header = "r %d 100 50\n" % len(WFDB_SIGNALS) + "".join(
            "r.dat 16 %s\n" % fields for fields, _, _, _ in WFDB_SIGNALS)
        folder = files.write_wfdb(self.folder("physical"), {"r.hea": header, "r.dat": stored})
        expected = []
        for channel, (_, _, _, formula) in enumerate(WFDB_SIGNALS):
            values = formula(stored[:, channel].astype(np.float64))
            values[[3, 17]] = np.nan
            expected.append(values)
        self.assert_physical(os.path.join(folder, "r.hea"), 0,
                             [unit for _, _, unit, _ in WFDB_SIGNALS], expected,
                             [name for _, name, _, _ in WFDB_SIGNALS])

    def test_wfdb_segments_follow_the_components_rule(self):
        for header, contents, rate, expected in SEGMENT_CASES:
            with self.subTest(header):
                folder = files.write_wfdb(self.folder("segments-" + header), contents)
                path = os.path.join(folder, header)
                with tapline.Recording(path) as recording:
                    table = recording.segments()
                    self.assertEqual(len(table), len(expected))
                    for segment, (start, frames, names, _, counts) in enumerate(expected):
                        self.assertAlmostEqual(table["start"][segment], start / TICKS_PER_DAY,
                                               delta=1e-11)
                        self.assertAlmostEqual(table["duration"][segment], frames / rate)
                        self.assertEqual(recording.channel_names(segment), names)
                        self.assertEqual(list(recording.calibration(segment)["name"]), names)
                        # Counted without a read, as the read then gives them.
                        self.assertEqual(recording._layout(segment).counts, counts)
                        self.assertEqual(list(recording.channels(segment)["samples"]), counts)

    def test_wfdb_segments_keep_their_own_gains(self):
        for header, contents, _, expected in SEGMENT_CASES:
            folder = files.write_wfdb(self.folder("gains-" + header), contents)
            with tapline.Recording(os.path.join(folder, header)) as recording:
                for segment, (_, _, _, gains, _) in enumerate(expected):
                    table = recording.calibration(segment)
                    # The header's gain is 1 / the gain; 0 (uncalibrated) gives 1, "adu".
                    self.assertEqual([0 if unit == "adu" else round(1 / gain)
                                      for unit, gain in zip(table["unit"], table["gain"])],
                                     gains, (header, segment))
        path = os.path.join(self.folder("gains-cohort"), "v.hea")
        files.write_wfdb(os.path.dirname(path), VARIABLE)
        a, b, c, d = (VARIABLE[name + ".dat"].astype(np.float64) for name in
                      ("v_a", "v_b", "v_c", "v_d"))
        # X of every segment: its own gain, the missing frames left out.
        x = np.concatenate([a[:, 0] / 100, b[:, 1] / 100, c[:, 1] / 100, d[:, 1] / 50])
        row = cohort.summarize(path, window_seconds=0.1)
        np.testing.assert_allclose([row["minimum"][0], row["maximum"][0], row["mean"][0]],
                                   [x.min(), x.max(), x.mean()], rtol=1e-12)

    def test_wfdb_skewed_channel_ends_with_its_last_stored_sample(self):
        """Through GetData and a GetData2 window that ends with the segment: the skewed
        channel's samples are those of frames 3 to 19, none padded."""
        header = "r 2 100 20\nr.dat 16\nr.dat 16:3\n"
        stored = files.distinct(20, 2, 13)
        path = os.path.join(files.write_wfdb(self.folder("skew"), {"r.hea": header,
                                                                   "r.dat": stored}), "r.hea")
        with tapline.Recording(path) as recording:
            whole = recording.segment_samples(0)
            window = recording.window_at_seconds(0.1, 0.1)
        np.testing.assert_array_equal(whole[1], stored[3:, 1])
        np.testing.assert_array_equal(window[0], stored[10:, 0])
        np.testing.assert_array_equal(window[1], stored[13:, 1])

    def test_variable_layout_values_and_cohort_row(self):
        path = os.path.join(files.write_wfdb(self.folder("cohort"), VARIABLE), "v.hea")
        b, c = (VARIABLE[name + ".dat"].astype(np.float64) for name in ("v_b", "v_c"))
        missing = np.full(5, np.nan)
        with tapline.Recording(path) as recording:
            y = recording.segment_samples(1, physical=True)[0]
        np.testing.assert_allclose(y, np.concatenate([b[:, 0], missing, c[:, 0]]) / 100,
                                   rtol=1e-15)
        row = cohort.summarize(path, window_seconds=0.1)
        self.assertEqual((row["error"], row["segments"], row["channels"], row["units"]),
                         (None, 3, ("X",), ("mV",)))

    def test_event_texts_are_whole(self):
        """Texts past the twelve's 32 bytes come whole, multibyte characters included: one
        that needs a second, larger buffer (over 256 bytes) and one just past 32 bytes."""
        long_text = "\u00c9lectrode O1 d\u00e9plac\u00e9e " * 14 + "\u00b5V"
        medium = "Spindle \u00e0 13 Hz apr\u00e8s un r\u00e9veil"  # 31 characters, 34 bytes
        self.assertGreater(len(long_text.encode()), 256)
        folder = self.folder("texts")
        edf = os.path.join(folder, "texts.edf")
        support.write_edf(edf, [{"label": "EEG", "spr": 4}], "1", [("+0", 3)],
                          events=[("+0.5", "1", long_text), ("+1", "0.5", medium)],
                          annotation_bytes=1200)
        brainvision = files.write_brainvision(
            folder, "texts", ["Fz"], np.zeros((3000, 1)),
            markers=["Comment,%s,501,1,0" % long_text, "Stimulus,%s,1001,1,0" % medium])
        for path, second_types in [(edf, ["EDF Annotations"] * 2),
                                   (brainvision, ["Comment", "Stimulus"])]:
            with self.subTest(path), tapline.Recording(path) as recording:
                events = recording.events()
                self.assertEqual(list(events.label), [long_text, medium])
                # The component's type table keeps a type's text to 255 characters.
                self.assertEqual(list(events.type_text1), [long_text[:255], medium])
                self.assertEqual(list(events.type_text2), second_types)
                self.assertEqual(list(events.onset), [0.5, 1.0])

    def test_format_is_chosen_by_content(self):
        folder = self.folder("content")
        support.write_edf(os.path.join(folder, "edf.vhdr"), [{"label": "X", "spr": 2}], "1",
                          [("+0", 2)])
        files.write_brainvision(folder, "bv", ["Fz"], np.zeros((4, 1)))
        os.rename(os.path.join(folder, "bv.vhdr"), os.path.join(folder, "bv.hea"))
        files.write_wfdb(folder, {"wfdb.txt": "# leading comment\nwfdb 1 10 4\nw.dat 16 2 16 0"
                                              " 0 0 0 W\n", "w.dat": np.zeros((4, 1))})
        for name, unit in [("edf.vhdr", "uV"), ("bv.hea", "µV"), ("wfdb.txt", "mV")]:
            with self.subTest(name):
                path = os.path.join(folder, name)
                with tapline.Recording(path) as recording:
                    self.assertEqual(recording.calibration(0)["unit"][0], unit)

    def test_files_it_cannot_read_give_the_components_reasons(self):
        bv = ("BrainVision Data Exchange Header File Version 1.0\n[Common Infos]\n"
              "NumberOfChannels=1\nSamplingInterval=%s\n[Binary Infos]\nBinaryFormat=%s\n"
              "[Channel Infos]\n%s\n")
        cases = [("r.hea", "r 1 100 10\nr.dat 16x0\n", "gives no format as fmt.* but \"16x0\""),
                 # No record line: no format recognises it, and each says what it looks for.
                 ("r.hea", "r 1 100 10 0:0:0 31/02/2000\nr.dat 16\n",
                  "first line is \"r 1 100 10 0:0:0 31/02/2000\".*WFDB needs a record line"),
                 ("r.hea", "r 1 100 10\nr.dat 16 100(x)/mV\n", "gain as \"100\\(x\\)/mV\""),
                 ("r.hea", "r/2 1 100 10\ns 10\n", "declares 2 segments but lists 1"),
                 ("r.hea", "r 2 100 10\nr.dat 16\n", "declares 2 signals but describes 1"),
                 ("b.vhdr", bv % ("1000", "IEEE_FLOAT_32", "Ch1=Fz"), "IEEE_FLOAT_32"),
                 ("b.vhdr", bv % ("0", "INT_16", "Ch1=Fz"), "SamplingInterval"),
                 ("b.vhdr", bv % ("1000", "INT_16", "Ch2=Fz"), "not one of Ch1 to Ch1")]
        folder = self.folder("unreadable")
        files.write_wfdb(folder, {"r.dat": bytes(20), "b.eeg": bytes(20)})
        for name, text, reason in cases:
            with self.subTest(text):
                files.write_wfdb(folder, {name: text})
                with self.assertRaisesRegex(tapline.RecordingRefusedError, reason):
                    tapline.Recording(os.path.join(folder, name))
        # A resolution that is no number: opened with the component's warning, digital only.
        files.write_wfdb(folder, {"b.vhdr": bv % ("1000", "INT_16", "Ch1=Fz,,abc")})
        with self.assertWarnsRegex(tapline.RecordingWarning, "resolution \"abc\" is not a "
                                                             "number"):
            recording = tapline.Recording(os.path.join(folder, "b.vhdr"))
        with recording, self.assertRaisesRegex(tapline.NoCalibrationError, "channel 0 \\('Fz'\\)"):
            recording.calibration(0)


@unittest.skipUnless(os.path.isdir(files.SHARED_SAMPLES),
                     "the shared samples are not there (%s)" % files.SHARED_SAMPLES)
class SharedSamplesTest(support.WorkspaceTest):
    def sample(self, *parts):
        return os.path.join(files.SHARED_SAMPLES, *parts)

    def test_brainvision_unit_spellings_give_the_same_volts(self):
        data = {}
        for name in ("test.vhdr", "test_units.vhdr"):
            with tapline.Recording(self.sample("brainvision", name)) as recording:
                data[name] = recording.to_mne(0)[0].get_data(picks=[0, 1, 2, 3, 4])
                units = list(recording.calibration(0)["unit"])
            self.assertEqual(units[-4:], ["ARU", "uS", "S", "C"])
        np.testing.assert_allclose(data["test.vhdr"], data["test_units.vhdr"], rtol=1e-12)

    def test_wfdb_physical_values_match_the_reference_tools(self):
        # rdsamp -r 03700181 -f 8 -t 128 -s 0 2 -P: one line per frame (125 Hz), MCL1 as the
        # integer mean of its 4 samples per frame; RESP's baseline is its ADC zero, -304.
        reference = np.loadtxt(self.sample("wfdb", "reference-output", "record-4c"))
        with tapline.Recording(self.sample("wfdb", "03700181.hea")) as recording:
            stored = recording.segment_samples(0, picks=[0])[0]
            mcl1, resp = recording.segment_samples(0, physical=True, picks=["MCL1", "RESP"])
            units = list(recording.calibration(0)["unit"])
        self.assertEqual(units, ["mV", "mmHg", "mV"])
        np.testing.assert_allclose(resp[1000:16000], reference[:, 1], atol=5e-9)
        means = np.trunc(stored[4000:64000].reshape(-1, 4).sum(axis=1) / 4)
        np.testing.assert_allclose(means / 2963.77, reference[:, 0], atol=5e-9)
        self.assertEqual(np.isnan(mcl1).sum(), np.count_nonzero(stored == -32768))


if __name__ == "__main__":
    unittest.main()

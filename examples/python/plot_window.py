#!/usr/bin/env python3
"""Plots a window of a recording as a PNG: one trace per channel, time in seconds from time
zero (the first sample of the first segment), channel names and units on the left, events
shaded and labelled.

    plot_window.py RECORDING OUT.png [--start SECONDS] [--duration SECONDS] [--library PATH]
"""

import argparse
import os
import sys

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.pyplot as plt  # noqa: E402
import tapline  # noqa: E402


def window_events(recording, start_seconds, duration):
    """(start, end, label) in seconds from time zero of the events that overlap the window; an
    event without duration is a 0-s span at its time."""
    spans = []
    for event in recording.events():
        begin = float(event.onset)
        end = begin + max(float(event.duration), 0.0)
        if begin < start_seconds + duration and (end > start_seconds or begin >= start_seconds):
            spans.append((begin, end, str(event.label)))
    return spans


def plot_window(recording, start_seconds, duration, out):
    """Writes the PNG; raises tapline.WindowError (naming the segments' bounds) when the window
    does not fit a segment, before anything is read, and tapline.TaplineError when the library
    refuses it. Traces are in physical units when the file's header gives them, else digital
    values."""
    start_date = recording.seconds_to_date(start_seconds)
    segment = recording.segment_at(start_date)
    recording.window_times(start_date, duration)  # checks the window before any read
    try:
        table = recording.calibration(segment)
        samples = recording.window(start_date, duration, physical=True)
        units = ["(%s)" % unit if unit else "" for unit in table["unit"]]
    except tapline.NoCalibrationError:
        samples = recording.window(start_date, duration)
        units = ["(digital)"] * len(samples)
    times = recording.window_times(start_date, duration)
    names = recording.channel_names(segment)
    spans = window_events(recording, start_seconds, duration)
    figure, axes = plt.subplots(len(samples), 1, sharex=True, squeeze=False,
                                figsize=(10, 1.1 * len(samples) + 1))
    for row, (name, unit, t, values) in enumerate(zip(names, units, times, samples)):
        axis = axes[row][0]
        for begin, end, _ in spans:
            axis.axvspan(begin, max(end, begin + duration / 500), color="tab:orange",
                         alpha=0.15, linewidth=0)
        axis.plot(start_seconds + t, values, linewidth=0.7,
                  drawstyle="steps-post" if len(values) < 16 else "default")
        axis.set_ylabel("%s\n%s" % (name, unit), rotation=0, ha="right", va="center")
        axis.tick_params(axis="y", labelsize=7)
    labels = {}  # events at one time share one line of text
    for begin, _, label in spans:
        labels.setdefault(max(begin, start_seconds), []).append(label)
    for begin, texts in labels.items():
        axes[0][0].annotate(", ".join(texts), (begin, 1.0), xycoords=("data", "axes fraction"),
                     xytext=(2, 2), textcoords="offset points", fontsize=7, va="bottom",
                     annotation_clip=False)
    axes[-1][0].set_xlabel("time (s from the first sample)")
    axes[-1][0].set_xlim(start_seconds, start_seconds + duration)
    figure.suptitle("%s, %g s from %g s" % (os.path.basename(recording.path), duration,
                                             start_seconds), y=1.0)
    figure.tight_layout()
    figure.savefig(out, dpi=100)
    plt.close(figure)
    return spans


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("recording")
    parser.add_argument("out", help="PNG file to write")
    parser.add_argument("--start", type=float, default=0.0,
                        help="seconds from the first sample of the first segment (default 0)")
    parser.add_argument("--duration", type=float, default=10.0, help="seconds (default 10)")
    parser.add_argument("--library", help="path of libtapline.so")
    args = parser.parse_args(argv)
    try:
        with tapline.Recording(args.recording, library=args.library) as recording:
            plot_window(recording, args.start, args.duration, args.out)
    except (tapline.TaplineError, FileNotFoundError, ValueError) as error:
        print("plot_window: %s" % error, file=sys.stderr)
        return 1
    print("wrote %s" % args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())

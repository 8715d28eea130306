#!/usr/bin/env python3
"""Plots a window of a recording as a PNG: one trace per channel, time in seconds from the
recording's beginning, channel names on the left.

    plot_window.py RECORDING OUT.png [--start SECONDS] [--duration SECONDS] [--library PATH]
"""

import argparse
import os
import sys

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.pyplot as plt  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tapline  # noqa: E402


def plot_window(recording, start_seconds, duration, out):
    """Writes the PNG; raises tapline.TaplineError when the window cannot be read."""
    start_date = recording.recording_seconds_to_date(start_seconds)
    samples = recording.window(start_date, duration)
    times = recording.window_times(start_date, duration)
    names = recording.channels(recording.segment_at(start_date))["name"]
    figure, axes = plt.subplots(len(samples), 1, sharex=True, squeeze=False,
                                figsize=(10, 1.1 * len(samples) + 1))
    for row, (name, t, values) in enumerate(zip(names, times, samples)):
        axis = axes[row][0]
        axis.plot(start_seconds + t, values, linewidth=0.7,
                  drawstyle="steps-post" if len(values) < 16 else "default")
        axis.set_ylabel(name, rotation=0, ha="right", va="center")
        axis.tick_params(axis="y", labelsize=7)
    axes[-1][0].set_xlabel("time (s from the recording's beginning)")
    axes[-1][0].set_xlim(start_seconds, start_seconds + duration)
    figure.suptitle("%s, %g s from %g s" % (os.path.basename(recording.path), duration,
                                             start_seconds))
    figure.tight_layout()
    figure.savefig(out, dpi=100)
    plt.close(figure)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("recording")
    parser.add_argument("out", help="PNG file to write")
    parser.add_argument("--start", type=float, default=0.0,
                        help="seconds from the recording's beginning (default 0)")
    parser.add_argument("--duration", type=float, default=10.0, help="seconds (default 10)")
    parser.add_argument("--library", help="path of libtapline.so")
    args = parser.parse_args(argv)
    try:
        with tapline.Recording(args.recording, library=args.library) as recording:
            plot_window(recording, args.start, args.duration, args.out)
    except (tapline.TaplineError, FileNotFoundError) as error:
        print("plot_window: %s" % error, file=sys.stderr)
        return 1
    print("wrote %s" % args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())

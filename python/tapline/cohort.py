"""One summary row per recording for a list of files, computed in parallel with Dask.

    from tapline import cohort
    table = cohort.cohort(paths)                                 # local worker processes
    table = cohort.cohort(paths, scheduler="tcp://host:8786")   # an existing cluster

The library serves one recording per process and one call at a time, so every task opens,
summarises and closes its file inside a worker process, and the default local cluster runs one
thread per worker process. The channel statistics are streamed window by window
(Recording.iter_windows), so a long recording never sits in memory whole. A file the library
refuses gives a row whose `error` is the reader component's reason instead of a failed job;
`warnings` holds what the component forgave to open a file ("; " between them), else None.
"""

import contextlib
import os
import tempfile
import warnings

import numpy as np

from . import (NoCalibrationError, Recording, RecordingRefusedError, RecordingWarning,
               TaplineError)

COLUMNS = ["path", "error", "warnings", "segments", "duration", "event_count", "channels",
           "rates", "units", "minimum", "maximum", "mean"]
WINDOW_SECONDS = 30.0


@contextlib.contextmanager
def _captured_stdout(into):
    """Collects what the library writes on standard output (file descriptor 1) while the
    block runs; standard input is /dev/null meanwhile, so a failure report never waits for a
    key in a worker."""
    with tempfile.TemporaryFile() as capture, open(os.devnull, "rb") as null:
        saved_out, saved_in = os.dup(1), os.dup(0)
        try:
            os.dup2(capture.fileno(), 1)
            os.dup2(null.fileno(), 0)
            yield
        finally:
            os.dup2(saved_out, 1)
            os.dup2(saved_in, 0)
            os.close(saved_out)
            os.close(saved_in)
            capture.seek(0)
            into.append(capture.read().decode("utf-8", errors="replace"))


def _refusal(error, printed):
    """The component's reason, else what the library printed (a component that could not
    be created has no reason to give)."""
    if error.reason:
        return error.reason
    words = " ".join(printed.replace("Press any key to continue . . .", "").split())
    return words or "the library refused the file"


def summarize(path, library=None, window_seconds=WINDOW_SECONDS):
    """The row of one recording: a dict with the COLUMNS. Channels, rates and units are those
    of the first segment; minimum, maximum and mean run over every segment (in a later segment
    with other channels, a WFDB record's, over its channels of the first segment's names), in
    physical units when the component gives every channel a gain, else digital; WFDB's invalid
    samples are left out."""
    row = dict.fromkeys(COLUMNS)
    row["path"] = os.fspath(path)
    printed = []
    try:
        # The row's column carries the warnings.
        with _captured_stdout(printed), warnings.catch_warnings():
            warnings.simplefilter("ignore", RecordingWarning)
            recording = Recording(path, library=library)
    except RecordingRefusedError as error:
        row["error"] = _refusal(error, printed[0])
        return row
    row["warnings"] = "; ".join(recording.warnings) or None
    try:
        with _captured_stdout(printed):
            _fill(row, recording, window_seconds)
    except TaplineError as error:
        row["error"] = "%s: %s" % (error, " ".join(printed[-1].split()))
    finally:
        recording.close()
    return row


def _fill(row, recording, window_seconds):
    table = recording.segments()
    row["segments"] = len(table)
    row["duration"] = float(table["duration"].sum())
    row["event_count"] = recording.event_count()
    if not len(table):
        return
    names = recording.channel_names(0)
    row["channels"] = tuple(names)
    row["rates"] = tuple(float(rate) for rate in recording.rates(0))
    try:
        row["units"] = tuple(recording.calibration(0)["unit"])
        physical = True
    except NoCalibrationError:
        row["units"] = ("digital",) * len(names)
        physical = False
    low = np.full(len(names), np.inf)
    high = np.full(len(names), -np.inf)
    total = np.zeros(len(names))
    count = np.zeros(len(names), dtype=np.int64)
    for segment in range(len(table)):
        present = recording.channel_names(segment)
        channels = [i for i, name in enumerate(names) if name in present]
        picks = [present.index(names[i]) for i in channels]
        if not picks:
            continue
        for window in recording.iter_windows(segment, window_seconds, physical=physical,
                                             picks=picks):
            for channel, values in zip(channels, window.samples):
                values = values[~np.isnan(values)] if physical else values  # WFDB's invalid
                if len(values):
                    low[channel] = min(low[channel], values.min())
                    high[channel] = max(high[channel], values.max())
                    total[channel] += values.sum(dtype=np.float64)
                    count[channel] += len(values)
    empty = count == 0
    row["minimum"] = tuple(np.where(empty, np.nan, low).tolist())
    row["maximum"] = tuple(np.where(empty, np.nan, high).tolist())
    row["mean"] = tuple(np.where(empty, np.nan, total / np.maximum(count, 1)).tolist())


def cohort(paths, client=None, scheduler=None, n_workers=2, library=None,
           window_seconds=WINDOW_SECONDS):
    """A pandas DataFrame with one row per path (in the given order), the summaries computed
    on a dask.distributed cluster: the given Client, else one connected to `scheduler` (an
    address such as "tcp://host:8786"), else a LocalCluster of `n_workers` processes with one
    thread each, closed afterwards. Workers need the library and the registered component;
    a worker inherits the environment ($TAPLINE_LIBRARY, $XDG_DATA_HOME) of a local cluster."""
    import pandas as pd
    from dask import distributed

    paths = [os.fspath(p) for p in paths]
    with contextlib.ExitStack() as stack:
        if client is None:
            if scheduler is None:
                cluster = stack.enter_context(distributed.LocalCluster(
                    n_workers=n_workers, threads_per_worker=1, processes=True,
                    dashboard_address=None))
                scheduler = cluster
            client = stack.enter_context(distributed.Client(scheduler))
        futures = client.map(summarize, paths, library=library,
                             window_seconds=window_seconds, pure=False)
        rows = client.gather(futures)
    return pd.DataFrame(rows, columns=COLUMNS)

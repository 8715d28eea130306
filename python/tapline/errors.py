"""The package's exceptions and its warning: what a refused call, a refused file, a window
outside its segment, a second open recording or missing gains raise."""

class TaplineError(RuntimeError):
    """The library refused a call; it has written its own message on the console."""


class RecordingRefusedError(TaplineError):
    """The library did not open the file; `reason` is the reader component's own reason
    (None when it gave none, as when no component is registered) and `path` the file."""

    def __init__(self, path: str, reason: str | None):
        super().__init__("the library did not open %s: %s" % (
            path, reason or "no reader component said why (is one registered?)"))
        self.path = path
        self.reason = reason


class RecordingWarning(UserWarning):
    """The reader component opened the file but forgave something (records the header
    promises but the file lacks, bytes after the last record, ...); the message lists it."""


class WindowError(TaplineError, ValueError):
    """A window that does not lie within one segment (or has no valid duration); says which
    segment it meets, that segment's bounds in seconds from time zero and where the next one
    starts. Raised before the library is asked, which would report on the console."""


class RecordingAlreadyOpenError(TaplineError):
    """A Recording was opened while another one is open in this process. The library serves
    one recording per process: close the first (close() or the end of its with block)."""


class NoCalibrationError(ValueError):
    """Physical values were asked of a channel the reader component gives no gain and offset
    (an EDF signal with an empty range, a BrainVision resolution that is no number, a
    component that serves no calibration); names the channel."""

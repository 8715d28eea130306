"""Small BrainVision and WFDB writers for the Python tests: files with known contents."""
import os

import numpy as np

# The shared sample recordings written by other programs, beside the project's folder.
SHARED_SAMPLES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                               "..", "..", "..", "shared", "samples"))


def write_brainvision(folder, base, channel_lines, samples, interval="1000", binary="INT_16",
                      markers=(), codepage="UTF-8"):
    """Writes base.vhdr, base.eeg (multiplexed, little-endian) and, with markers, base.vmrk;
    returns the header's path.

    channel_lines: the text after "Chn=" per channel ("Fz,,0.5,\u00b5V"), str or bytes.
    samples: frames x channels, as the file stores them (0..65535 for UINT_16).
    markers: the text after "Mkn=" ("Stimulus,S  1,15,1,0").
    codepage: the Codepage line's value (None: no line); str lines are encoded in UTF-8,
        or Windows-1252 for "ANSI".
    """
    encoding = "cp1252" if codepage == "ANSI" else "utf-8"

    def line(text):
        return (text if isinstance(text, bytes) else text.encode(encoding)) + b"\r\n"

    header = [b"BrainVision Data Exchange Header File Version 1.0", b"", b"[Common Infos]"]
    header += [b"Codepage=" + codepage.encode()] if codepage else []
    header += [b"DataFile=$b.eeg", b"MarkerFile=$b.vmrk", b"DataFormat=BINARY",
               b"DataOrientation=MULTIPLEXED", b"NumberOfChannels=%d" % len(channel_lines),
               b"SamplingInterval=" + interval.encode(), b"", b"[Binary Infos]",
               b"BinaryFormat=" + binary.encode(), b"", b"[Channel Infos]",
               b"; Each entry: Ch<n>=<name>,<reference>,<resolution>,<unit>"]
    header += [b"Ch%d=" % (n + 1) + line(text)[:-2] for n, text in enumerate(channel_lines)]
    path = os.path.join(folder, base + ".vhdr")
    with open(path, "wb") as file:
        file.write(b"\r\n".join(header) + b"\r\n")
    dtype = "<u2" if binary == "UINT_16" else "<i2"
    with open(os.path.join(folder, base + ".eeg"), "wb") as file:
        file.write(np.asarray(samples).astype(dtype).tobytes())
    if markers:
        lines = [b"BrainVision Data Exchange Marker File, Version 1.0", b"", b"[Marker Infos]"]
        lines += [b"Mk%d=" % (n + 1) + line(text)[:-2] for n, text in enumerate(markers)]
        with open(os.path.join(folder, base + ".vmrk"), "wb") as file:
            file.write(b"\r\n".join(lines) + b"\r\n")
    return path


def write_wfdb(folder, files):
    """Writes a record's files: `files` maps each name to its bytes, a header's text (str) or a
    format-16 signal file's frames x signals samples (an array)."""
    for name, content in files.items():
        if isinstance(content, str):
            data = content.encode("utf-8")
        elif isinstance(content, bytes):
            data = content
        else:
            data = np.asarray(content).astype("<i2").tobytes()
        with open(os.path.join(folder, name), "wb") as file:
            file.write(data)
    return folder


def distinct(frames, signals, seed):
    """frames x signals int16 samples, distinct per signal and never the invalid -32768."""
    k = np.arange(frames * signals, dtype=np.int64).reshape(frames, signals)
    return ((k * 37 + seed * 1009) % 60001 - 30000).astype(np.int16)

"""Small BrainVision, WFDB and GDF 1.x writers for the Python tests: files with known contents."""
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


def write_gdf1(path, labels, samples_per_record, records, rate_seconds, events=()):
    """Writes a GDF 1.25 file of int16 channels ("uV", physical range = digital range, so that
    physical values are the stored ones), records of `rate_seconds` (numerator, denominator)
    and a mode-3 event table at the first channel's rate; returns the stored samples per
    channel.

    events: (position counted from 1, code, duration in samples).
    """
    import struct
    channels = len(labels)
    values = [distinct(records * samples_per_record[c], 1, c + 1)[:, 0] for c in range(channels)]
    header = bytearray(256)
    header[0:8] = b"GDF 1.25"
    header[168:184] = b"2024051409300000"
    struct.pack_into("<q", header, 184, 256 * (channels + 1))
    struct.pack_into("<q", header, 236, records)
    struct.pack_into("<II", header, 244, *rate_seconds)
    struct.pack_into("<I", header, 252, channels)
    fields = b"".join(label.encode().ljust(16) for label in labels)
    fields += b" " * 80 * channels + b"uV".ljust(8) * channels
    fields += struct.pack("<d", -32768) * channels + struct.pack("<d", 32767) * channels
    fields += struct.pack("<q", -32768) * channels + struct.pack("<q", 32767) * channels
    fields += b" " * 80 * channels
    fields += b"".join(struct.pack("<I", n) for n in samples_per_record)
    fields += struct.pack("<I", 3) * channels + b"\0" * 32 * channels
    data = b"".join(values[c][r * n:(r + 1) * n].astype("<i2").tobytes()
                    for r in range(records) for c, n in enumerate(samples_per_record))
    rate = samples_per_record[0] * rate_seconds[1] // rate_seconds[0]
    table = bytes([3]) + rate.to_bytes(3, "little") + struct.pack("<I", len(events))
    table += b"".join(struct.pack("<I", e[0]) for e in events)
    table += b"".join(struct.pack("<H", e[1]) for e in events)
    table += struct.pack("<H", 0) * len(events) + b"".join(struct.pack("<I", e[2]) for e in events)
    with open(path, "wb") as file:
        file.write(bytes(header) + fields + data + table)
    return values

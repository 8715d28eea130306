"""A recording's events read through GetEventCount and GetEvents, their whole texts through
GetEventText, as a numpy record array."""

import ctypes
import math

import numpy as np

from .day_numbers import _seconds_from, day_number_to_datetime64
from .texts import TEXT_BYTES, _text, _whole_text

# GetEventText's parts, in the order of the table's text fields (tapline_ext.h).
_TEXT_PARTS = (("type_text1", 1), ("type_text2", 2), ("label", 0))


class EventReading:
    """Recording's event methods; they use its _lib, _check_open and _segments."""

    def event_count(self) -> int:
        """The recording's number of events.

        Returns
        -------
        int

        Raises
        ------
        ValueError
            On a closed recording.
        """
        self._check_open()
        count = ctypes.c_int(0)
        self._lib.GetEventCount(ctypes.byref(count))
        return count.value

    def events(self) -> np.recarray:
        """The recording's events.

        Returns
        -------
        numpy.recarray
            time (day number, whole seconds exact), time_stamp (datetime64), onset (seconds
            from time zero, the first segment's first sample; NaN for a recording without
            segments or an unreadable event), duration (s), type_index (-1 when the event or
            its type could not be read), type_text1, type_text2, label. The texts are whole
            (the library's GetEventText, UTF-8), each a Python str in an object field: a long
            text costs only its own length, ``events.label == "Spindle"`` compares as with
            strings, pandas keeps them as str columns (``pandas.DataFrame(events)``) and MNE
            takes them as descriptions (``list(events.label)``).

        Raises
        ------
        ValueError
            On a closed recording.
        """
        n = self.event_count()
        table = np.zeros(n, dtype=[("time", "f8"), ("time_stamp", "datetime64[us]"),
                                   ("onset", "f8"),
                                   ("duration", "f8"), ("type_index", "i4"),
                                   ("type_text1", object), ("type_text2", object),
                                   ("label", object)])
        for i in range(n):
            type_index = ctypes.c_int(-1)
            texts = [ctypes.create_string_buffer(TEXT_BYTES + 1) for _ in range(3)]
            duration = ctypes.c_double(math.nan)
            time = ctypes.c_double(math.nan)
            self._lib.GetEvents(i, ctypes.byref(type_index), texts[0], texts[1], texts[2],
                                ctypes.byref(duration), ctypes.byref(time))
            table[i]["time"] = time.value
            table[i]["duration"] = duration.value
            table[i]["type_index"] = type_index.value
            for (field, part), cut in zip(_TEXT_PARTS, texts):
                whole = _whole_text(lambda buffer, size: self._lib.GetEventText(
                    i, part, buffer, size))
                table[i][field] = whole if whole is not None else _text(cut)
        table["time_stamp"] = day_number_to_datetime64(np.nan_to_num(table["time"]))
        zero = self._segments()[0][0] if self._segments() else math.nan
        table["onset"] = _seconds_from(zero, table["time"])
        return table.view(np.recarray)

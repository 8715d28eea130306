"""The library's texts: the twelve's 32-byte buffers without a terminator as str, whole UTF-8
texts of the exports beside them, and seconds as the package's messages write them."""

import ctypes

# Text buffers of the twelve: the library writes at most 32 bytes and never a terminator.
TEXT_BYTES = 32
# The first buffer for a whole text; a longer text is asked again with the size it needs.
_FIRST_WHOLE_BYTES = 256


def _text(buffer):
    """A 33-byte zeroed buffer as text; a cut multibyte character becomes U+FFFD."""
    return _text_of(buffer.value)


def _text_of(data):
    return data.decode("utf-8", errors="replace")


def _whole_text(ask):
    """The whole text an export beside the twelve writes: ask(buffer, size) calls it and
    returns its result, the bytes the whole text needs with its terminator (0: no text, then
    None). A result above the size passed asks once more with a buffer that large."""
    size = _FIRST_WHOLE_BYTES
    for _ in range(2):
        buffer = ctypes.create_string_buffer(size)
        needed = ask(buffer, size)
        if needed <= 0:
            return None
        if needed <= size:
            return _text_of(buffer.value)
        size = needed
    # The text grew between the calls; what the last buffer holds is still a whole prefix.
    return _text_of(buffer.value)


def _seconds_text(seconds):
    """Seconds to the microsecond without trailing zeros: "90 s", "91.5 s"."""
    text = "%.6f" % seconds
    return text.rstrip("0").rstrip(".") + " s"

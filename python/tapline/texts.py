"""The library's texts: 32-byte buffers without a terminator as str, and seconds as the
package's messages write them."""

# Text buffers: the library writes at most 32 bytes and never a terminator.
TEXT_BYTES = 32


def _text(buffer):
    """A 33-byte zeroed buffer as text; a cut multibyte character becomes U+FFFD."""
    return _text_of(buffer.value)


def _text_of(data):
    return data.decode("utf-8", errors="replace")


def _seconds_text(seconds):
    """Seconds to the microsecond without trailing zeros: "90 s", "91.5 s"."""
    text = "%.6f" % seconds
    return text.rstrip("0").rstrip(".") + " s"

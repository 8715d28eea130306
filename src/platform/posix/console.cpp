// Console output straight to file descriptor 1, after flushing the stdio buffer: the library
// neither orients the host's stdout stream nor depends on its orientation. Texts go out in
// small chunks, so writing never needs memory that could run out.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cwchar>
#include <iterator>

#include "../console.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Calls sink(codePoint) for each character of the text; unpaired surrogates become U+FFFD.
template <typename Sink>
void ForEachCodePoint(const OLECHAR* text, Sink sink) {
  for (std::size_t at = 0; text[at] != 0; ++at) {
    const char32_t unit = text[at];
    if (unit < 0xD800 || unit > 0xDFFF) {
      sink(unit);
    } else if (unit <= 0xDBFF && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
      sink(0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00));
      ++at;
    } else {
      sink(kReplacement);
    }
  }
}

// Gives up silently on an error other than EINTR: there is nowhere to report it.
void WriteAll(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(descriptor, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Converts the text a slice at a time into a fixed buffer and hands each slice's UTF-8 to
// `flush`; unpaired surrogates become U+FFFD, except U+DC80 to U+DCFF, which the ANSI code page
// makes of bytes that are not UTF-8 (in file names) and turns back into them. Stops quietly
// should a conversion fail.
template <typename Flush>
void WriteUtf8(const OLECHAR* text, Flush flush) {
  constexpr std::size_t kSliceUnits = 256;
  char chunk[kSliceUnits * 3];  // no UTF-16 unit takes more than 3 bytes of UTF-8
  std::size_t at = 0;
  while (text[at] != 0) {
    std::size_t units = 0;
    while (units < kSliceUnits && text[at + units] != 0) ++units;
    // A pair cut between two slices would come out as two replacement characters.
    if (units == kSliceUnits && text[at + units - 1] >= 0xD800 && text[at + units - 1] <= 0xDBFF) --units;
    const int size = WideCharToMultiByte(CP_ACP, 0, text + at, static_cast<int>(units), chunk,
                                         static_cast<int>(sizeof chunk), nullptr, nullptr);
    if (size <= 0) return;
    flush(chunk, static_cast<std::size_t>(size));
    at += units;
  }
}

void WriteStandardOutput(const char* bytes, std::size_t size) { WriteAll(STDOUT_FILENO, bytes, size); }

void WriteWide(std::FILE* stream, const OLECHAR* text) {
  wchar_t chunk[256];
  std::size_t used = 0;
  ForEachCodePoint(text, [&](char32_t value) {
    if (used == std::size(chunk) - 1) {
      chunk[used] = L'\0';
      std::fputws(chunk, stream);
      used = 0;
    }
    chunk[used++] = static_cast<wchar_t>(value);  // wchar_t holds UTF-32 here
  });
  chunk[used] = L'\0';
  std::fputws(chunk, stream);
}

// One key from a terminal, read without line editing or echo; the terminal's settings are
// restored afterwards. Returns at once when the settings cannot be read.
void WaitForKey() {
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  char key = 0;
  while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

void WriteConsoleText(const OLECHAR* text) {
  if (text == nullptr) return;
  std::fflush(stdout);  // what the host printed comes first
  WriteUtf8(text, WriteStandardOutput);
}

void WriteStreamText(std::FILE* stream, const OLECHAR* text) {
  if (stream == nullptr || text == nullptr) return;
  if (std::fwide(stream, 0) > 0) {
    WriteWide(stream, text);
  } else {
    WriteUtf8(text, [stream](const char* bytes, std::size_t size) { std::fwrite(bytes, 1, size, stream); });
  }
  std::fflush(stream);
}

void Pause() {
  static constexpr char16_t kPrompt[] = u"Press any key to continue . . . ";
  WriteConsoleText(kPrompt);
  if (isatty(STDIN_FILENO)) WaitForKey();
  WriteConsoleText(u"\n");
}

}  // namespace platform

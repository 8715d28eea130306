#include "random_access_file.h"

#include <algorithm>
#include <cstring>

namespace edf {

namespace {

// Reading the bytes between two ranges costs less than a second read while they are this few:
// a system call costs about as much as copying a few pages from the cache, and from a disk
// they lie on the same or the next block anyway.
constexpr std::int64_t kCoalesceGapBytes = 8 << 10;
constexpr std::int64_t kCoalescedReadBytes = 1 << 20;

// The end of the group of ranges, from `first` on, that one read fetches best: ranges that
// follow each other in the file with small gaps, up to a size.
std::size_t CoalescedEnd(std::span<const FileRange> ranges, std::size_t first) {
  std::size_t end = first + 1;
  std::int64_t spanEnd = ranges[first].offset + ranges[first].length;
  while (end < ranges.size() && ranges[end].offset >= spanEnd &&
         ranges[end].offset - spanEnd <= kCoalesceGapBytes &&
         ranges[end].offset + ranges[end].length - ranges[first].offset <= kCoalescedReadBytes) {
    spanEnd = ranges[end].offset + ranges[end].length;
    ++end;
  }
  return end;
}

}  // namespace

Result<std::unique_ptr<RandomAccessFile>> RandomAccessFile::Open(const std::string& utf8Path) {
  // The path's bytes are UTF-8 (char8_t is how the standard says so; same bytes).
  const std::u8string path(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size());
  return OpenNative(std::filesystem::path(path));
}

bool RandomAccessFile::WithinOpenedSize(std::int64_t offset, std::uint64_t length) const {
  // Compared with the remainder, so a hostile offset or length cannot wrap.
  return offset >= 0 && offset <= opened.size &&
         static_cast<std::uint64_t>(opened.size - offset) >= length;
}

bool RandomAccessFile::Unchanged() const {
  const std::optional<State> now = CurrentState();
  return now && *now == opened;
}

bool RandomAccessFile::ReadAt(std::int64_t offset, std::span<std::byte> destination) {
  if (!WithinOpenedSize(offset, destination.size())) return false;
  // Checked after the read: a change that lands during it is caught, one after it does not
  // matter to the bytes already read.
  return ReadFully(offset, destination) && Unchanged();
}

bool RandomAccessFile::ReadRanges(std::span<const FileRange> ranges, std::span<std::byte> destination) {
  std::uint64_t total = 0;
  for (const FileRange& range : ranges) {
    if (range.length < 0 || !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length))) {
      return false;
    }
    total += static_cast<std::uint64_t>(range.length);
  }
  if (total != destination.size()) return false;

  std::byte* out = destination.data();
  for (std::size_t first = 0; first < ranges.size();) {
    // Ranges that follow each other closely become one read from the first one's offset.
    const std::size_t end = CoalescedEnd(ranges, first);
    const std::int64_t spanEnd = ranges[end - 1].offset + ranges[end - 1].length;
    if (end == first + 1) {
      const auto length = static_cast<std::size_t>(ranges[first].length);
      if (!ReadFully(ranges[first].offset, {out, length})) return false;
      out += length;
    } else {
      coalesced.resize(static_cast<std::size_t>(spanEnd - ranges[first].offset));
      if (!ReadFully(ranges[first].offset, coalesced)) return false;
      for (std::size_t i = first; i < end; ++i) {
        const auto length = static_cast<std::size_t>(ranges[i].length);
        if (length == 0) continue;  // out may be null when nothing at all is wanted
        std::memcpy(out, coalesced.data() + (ranges[i].offset - ranges[first].offset), length);
        out += length;
      }
    }
    first = end;
  }
  return Unchanged();
}

void RandomAccessFile::WillNeed(std::span<const FileRange> ranges) {
  for (const FileRange& range : ranges) {
    if (range.length < 0 || !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length))) return;
  }
  for (std::size_t first = 0; first < ranges.size();) {
    const std::size_t end = CoalescedEnd(ranges, first);
    Prefetch(ranges[first].offset, ranges[end - 1].offset + ranges[end - 1].length - ranges[first].offset);
    first = end;
  }
}

}  // namespace edf

#include "common/random_access_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

namespace common {

namespace {

constexpr std::int64_t kCoalescedReadBytes = 1 << 20;
// A second thread costs about as much as a few dozen reads from the cache: worth it from
// thousands of reads on.
constexpr std::size_t kReadsWorthASecondThread = 2048;
// Reads a thread claims at a time: few enough that the other never waits long for the last.
constexpr std::size_t kReadsPerPiece = 256;

// The end of the group of ranges, from `first` on, that one read fetches best: ranges that
// follow each other in the file with small gaps, up to a size.
std::size_t CoalescedEnd(std::span<const FileRange> ranges, std::size_t first) {
  std::size_t end = first + 1;
  std::int64_t spanEnd = ranges[first].offset + ranges[first].length;
  while (end < ranges.size() && ranges[end].offset >= spanEnd &&
         ranges[end].offset - spanEnd <= RandomAccessFile::kLargestGapReadThrough &&
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

bool RandomAccessFile::Unchanged() {
  const std::optional<State> now = CurrentState();
  if (!now) return false;
  if (!now->ContentsMayDifferFrom(opened) ||
      (grownAndChecked && !now->ContentsMayDifferFrom(*grownAndChecked))) {
    return true;
  }
  // Growth alone is forgiven, where the caller named bytes that show a rewrite; a file of the
  // same size whose times changed was written over.
  if (stableRanges.empty() || now->size <= opened.size || !StableBytesUnchanged()) return false;
  // A change after `now` changes the state again and is checked then.
  grownAndChecked = now;
  return true;
}

bool RandomAccessFile::KeepServingWhileGrowing(std::span<const FileRange> stable) {
  std::uint64_t total = 0;
  for (const FileRange& range : stable) {
    if (range.length < 0 ||
        !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length))) {
      return false;
    }
    total += static_cast<std::uint64_t>(range.length);
  }
  std::vector<std::byte> bytes(static_cast<std::size_t>(total));
  if (!ReadRanges(stable, bytes)) return false;
  stableRanges.assign(stable.begin(), stable.end());
  stableBytes = std::move(bytes);
  return true;
}

bool RandomAccessFile::KeepServingWhileGrowing() {
  const std::int64_t head = std::min(opened.size, kGrowthCheckBytes);
  const std::int64_t tail = std::max(head, opened.size - kGrowthCheckBytes);
  const FileRange ends[] = {{0, head}, {tail, opened.size - tail}};
  return KeepServingWhileGrowing(ends);
}

bool RandomAccessFile::StableBytesUnchanged() {
  std::vector<std::byte> now(stableBytes.size());
  return ReadEachRange(stableRanges, now.data(), coalesced) && now == stableBytes;
}

bool RandomAccessFile::ReadAt(std::int64_t offset, std::span<std::byte> destination) {
  if (!WithinOpenedSize(offset, destination.size())) return false;
  // Checked after the read: a change that lands during it is caught, one after it does not
  // matter to the bytes already read.
  return ReadFully(offset, destination) && Unchanged();
}

bool RandomAccessFile::ReadRanges(std::span<const FileRange> ranges,
                                  std::span<std::byte> destination) {
  std::uint64_t total = 0;
  for (const FileRange& range : ranges) {
    if (range.length < 0 ||
        !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length))) {
      return false;
    }
    total += static_cast<std::uint64_t>(range.length);
  }
  if (total != destination.size()) return false;

  // Reads of bytes in the system's cache are bound by the processor (finding and copying a
  // page), so many of them go faster shared with a second thread; from a disk two waits overlap.
  const std::vector<Piece> pieces = PiecesForTwoThreads(ranges);
  if (pieces.empty()) return ReadEachRange(ranges, destination.data(), coalesced) && Unchanged();
  return ReadPiecesOnTwoThreads(ranges, pieces, destination.data()) && Unchanged();
}

std::vector<RandomAccessFile::Piece> RandomAccessFile::PiecesForTwoThreads(
    std::span<const FileRange> ranges) {
  static const bool twoCores = std::thread::hardware_concurrency() > 1;
  std::vector<Piece> pieces;
  if (!twoCores || ranges.size() < kReadsWorthASecondThread) return pieces;
  std::size_t reads = 0;
  std::size_t outOffset = 0;
  for (std::size_t first = 0; first < ranges.size();) {
    if (reads++ % kReadsPerPiece == 0) pieces.push_back({first, outOffset});
    const std::size_t end = CoalescedEnd(ranges, first);
    for (; first < end; ++first) outOffset += static_cast<std::size_t>(ranges[first].length);
  }
  if (reads < kReadsWorthASecondThread) return {};
  pieces.push_back({ranges.size(), outOffset});
  return pieces;
}

bool RandomAccessFile::ReadPiecesOnTwoThreads(std::span<const FileRange> ranges,
                                              std::span<const Piece> pieces, std::byte* out) {
  // Each thread claims the next piece until none is left, so that a second thread the system
  // starts late (or never) leaves its share to the first instead of holding it up.
  std::atomic<std::size_t> nextPiece{0};
  std::atomic<bool> failed{false};
  const auto readPieces = [&](std::vector<std::byte>& scratch) {
    while (!failed.load(std::memory_order_relaxed)) {
      const std::size_t piece = nextPiece.fetch_add(1, std::memory_order_relaxed);
      if (piece + 1 >= pieces.size()) return;
      const std::span<const FileRange> its = ranges.subspan(
          pieces[piece].firstRange, pieces[piece + 1].firstRange - pieces[piece].firstRange);
      if (!ReadEachRange(its, out + pieces[piece].outOffset, scratch)) failed = true;
    }
  };
  std::optional<std::thread> second;
  try {
    second.emplace([&] {
      try {
        readPieces(secondCoalesced);
      } catch (...) {
        failed = true;  // out of memory: the read fails, as any other
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: this one reads every piece.
  }
  try {
    readPieces(coalesced);
  } catch (...) {
    failed = true;
    if (second) second->join();  // it writes into out
    throw;
  }
  if (second) second->join();
  return !failed;
}

bool RandomAccessFile::ReadEachRange(std::span<const FileRange> ranges, std::byte* out,
                                     std::vector<std::byte>& scratch) {
  for (std::size_t first = 0; first < ranges.size();) {
    // Ranges that follow each other closely become one read from the first one's offset.
    const std::size_t end = CoalescedEnd(ranges, first);
    const std::int64_t spanEnd = ranges[end - 1].offset + ranges[end - 1].length;
    if (end == first + 1) {
      const auto length = static_cast<std::size_t>(ranges[first].length);
      if (!ReadFully(ranges[first].offset, {out, length})) return false;
      out += length;
    } else {
      scratch.resize(static_cast<std::size_t>(spanEnd - ranges[first].offset));
      if (!ReadFully(ranges[first].offset, scratch)) return false;
      for (std::size_t i = first; i < end; ++i) {
        const auto length = static_cast<std::size_t>(ranges[i].length);
        if (length == 0) continue;  // out may be null when nothing at all is wanted
        std::memcpy(out, scratch.data() + (ranges[i].offset - ranges[first].offset), length);
        out += length;
      }
    }
    first = end;
  }
  return true;
}

void RandomAccessFile::WillNeed(std::span<const FileRange> ranges) {
  for (const FileRange& range : ranges) {
    if (range.length < 0 ||
        !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length)))
      return;
  }
  for (std::size_t first = 0; first < ranges.size();) {
    const std::size_t end = CoalescedEnd(ranges, first);
    Prefetch(ranges[first].offset,
             ranges[end - 1].offset + ranges[end - 1].length - ranges[first].offset);
    first = end;
  }
}

}  // namespace common

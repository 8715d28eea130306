// Positioned reads from a regular file of any size (64-bit offsets), on every system the
// component builds for. Nothing is read ahead unless asked: a read fetches exactly its bytes.
//
// A recording stays open while a host works with it, and someone may cut the file short or
// write over it meanwhile. Every read therefore checks afterwards that the file still has the
// size, modification time and change time it had when it was opened, and fails otherwise: a
// read never yields bytes of another file, or of a position the file no longer has. The change
// time catches a rewrite whose modification time was set back, as copies that keep times do
// (cp -p, rsync -t, tar): they cannot set it back on POSIX and do not on Windows. A file that grows
// may be let through (KeepServingWhileGrowing). The file is never mapped into memory, where a
// shrinking file would fault instead of failing a read.
//
// The caller owns the object (a unique_ptr from Open); the handle closes with it. Calls on one
// object must not overlap: reads share its buffers and its record of the file's state (a large
// ReadRanges uses a second thread of its own and waits for it). Separate objects, of the same
// file too, may be used from separate threads. The POSIX and Windows variants
// (random_access_file_posix.cpp, random_access_file_windows.cpp) behave alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"

namespace common {

struct FileRange {
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

class RandomAccessFile {
 public:
  // Opens a regular file for reading. The path is the system's own form of a file name (its
  // bytes on POSIX, UTF-16 on Windows). Refuses, without blocking, a FIFO, a device, a socket
  // or a directory, also when a symbolic link leads there, with a reason for the user.
  static Result<std::unique_ptr<RandomAccessFile>> OpenNative(const std::filesystem::path& path);
  // The same for a UTF-8 file name.
  static Result<std::unique_ptr<RandomAccessFile>> Open(const std::string& utf8Path);

  ~RandomAccessFile();
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;

  // ReadRanges reads through gaps up to this size between ranges rather than make a second
  // read: a system call costs about as much as copying a few pages from the cache, and from a
  // disk they lie on the same or the next block anyway.
  static constexpr std::int64_t kLargestGapReadThrough = 8 << 10;

  // The size when the file was opened; reads beyond it fail.
  std::int64_t Size() const { return opened.size; }
  // Reads destination.size() bytes from the offset. False when they are not all there or when
  // the file changed since it was opened; destination may then be partly written.
  bool ReadAt(std::int64_t offset, std::span<std::byte> destination);
  // Reads each range in turn into consecutive bytes of destination, whose size must be the
  // ranges' total; neighbouring ranges with little between them are fetched in one read, and
  // thousands of reads are shared with a second thread. Checks once, after every read, that the
  // file is unchanged. False as for ReadAt.
  bool ReadRanges(std::span<const FileRange> ranges, std::span<std::byte> destination);
  // Tells the system that the ranges will be read soon, so that reads from a disk are queued
  // together rather than one after the other. Only a hint; does nothing where not supported.
  void WillNeed(std::span<const FileRange> ranges);
  // Whether the range is in the system's cache, so that reading it would not wait for a disk.
  // False when the system cannot tell.
  bool IsCached(FileRange range);
  // Whether the system should read ahead of each read (the default) or fetch only what a read
  // asks for, as while scanning a few bytes out of every large record.
  void ReadAheadOnEachRead(bool enabled);
  // From now on a file that grew (as a recording still being written appends records) keeps
  // serving reads within the size it had when opened, as long as the bytes of `stable` are
  // still the ones they are now; a file that did not grow but changed still fails every read.
  // False, and nothing kept, when those bytes cannot be read now.
  bool KeepServingWhileGrowing(std::span<const FileRange> stable);
  // The same for a file without a header that changes as it grows (a file of samples): its
  // first and last kGrowthCheckBytes bytes at open are the ones that must stay.
  bool KeepServingWhileGrowing();

  // How many bytes at each end of a file without a header must stay for it to be served as
  // it grows: a rewrite of a file, as a rule, changes its start or its end.
  static constexpr std::int64_t kGrowthCheckBytes = 4096;

 private:
  // What tells that the file's contents changed. (The handle's identity cannot change: a file
  // replaced under its name leaves the handle on the old file, whose bytes are still whole.)
  struct State {
    std::int64_t size = 0;
    std::int64_t modified = 0;  // in the system's finest unit
    std::int64_t changed = 0;   // the same, for the contents or the metadata
    std::int64_t links = 0;     // names the file has

    // Whether the contents may differ from those of `before`. The change time also moves when
    // a name of the file is added or removed (another file renamed over it, or the file
    // deleted), which leaves the contents alone; any other move of it without a new
    // modification time tells a write whose modification time was set back (or a change of
    // permissions, which cannot be told from one).
    bool ContentsMayDifferFrom(const State& before) const {
      return size != before.size || modified != before.modified ||
             (changed != before.changed && links == before.links);
    }
  };

  explicit RandomAccessFile(std::intptr_t handle) : handle(handle) {}
  // Reads exactly destination.size() bytes at the offset, without the check for changes.
  bool ReadFully(std::int64_t offset, std::span<std::byte> destination);
  // Reads the ranges into consecutive bytes from `out`, coalescing through `scratch`; no check.
  bool ReadEachRange(std::span<const FileRange> ranges, std::byte* out,
                     std::vector<std::byte>& scratch);
  // A run of ranges that one thread reads, from the start of a read on, and where in the
  // destination its bytes go.
  struct Piece {
    std::size_t firstRange = 0;
    std::size_t outOffset = 0;
  };
  // The pieces the ranges fall into, and an end piece after them; none when one thread reads
  // them all best.
  static std::vector<Piece> PiecesForTwoThreads(std::span<const FileRange> ranges);
  bool ReadPiecesOnTwoThreads(std::span<const FileRange> ranges, std::span<const Piece> pieces,
                              std::byte* out);
  // The handle's current state; nullopt when the system cannot tell.
  std::optional<State> CurrentState() const;
  // Asks the system to fetch the bytes into its cache in the background.
  void Prefetch(std::int64_t offset, std::int64_t length);
  // Whether the file still holds the bytes it was opened with: the same state, or a state
  // after growth whose stable bytes are unchanged (remembered, so that is read once a state).
  bool Unchanged();
  bool StableBytesUnchanged();
  bool WithinOpenedSize(std::int64_t offset, std::uint64_t length) const;

  std::intptr_t handle;  // a file descriptor on POSIX, a HANDLE on Windows
  State opened;
  std::optional<State> grownAndChecked;  // the last state after growth found sound
  std::vector<FileRange> stableRanges;
  std::vector<std::byte> stableBytes;      // their bytes at the time they were named
  std::vector<std::byte> coalesced;        // kept between reads of neighbouring ranges
  std::vector<std::byte> secondCoalesced;  // the same for the second thread
};

}  // namespace common

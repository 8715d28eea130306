// The annotation bytes of every data record, read in batches of records. Opening a long
// recording reads a few bytes out of every large record: the batches are read with one
// positioned read per record (or one for several small records), and the system is told
// about the batches ahead, so that from a disk the reads wait in one queue instead of one
// after the other. Bytes already in the system's cache are read in larger batches, whose reads
// two threads share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/random_access_file.h"
#include "edf_header.h"

namespace edf {

class AnnotationBytesReader {
 public:
  // Reads the first `recordCount` records of the file that `header` describes.
  AnnotationBytesReader(common::RandomAccessFile& file, const Header& header,
                        std::int64_t recordCount);
  // Lets the system read ahead again, as suits reading samples.
  ~AnnotationBytesReader();
  AnnotationBytesReader(const AnnotationBytesReader&) = delete;
  AnnotationBytesReader& operator=(const AnnotationBytesReader&) = delete;

  // The bytes of every annotation signal of the record, signal after signal in header order.
  // Records are asked for in increasing order. nullopt when the file cannot be read (it was
  // cut short or changed) or the record does not exist.
  std::optional<std::span<const std::byte>> Record(std::int64_t record);

 private:
  // The file ranges of the annotation bytes of records [first, end).
  void RangesOf(std::int64_t first, std::int64_t end, std::vector<common::FileRange>& ranges) const;
  void HintUpTo(std::int64_t endRecord);

  common::RandomAccessFile& file;
  std::int64_t headerBytes;
  std::int64_t recordBytes;
  std::int64_t recordCount;
  std::vector<common::FileRange> inRecord;  // each annotation signal's bytes within a record
  std::int64_t annotationBytesPerRecord = 0;
  std::int64_t batchRecords = 1;        // while reading from a disk
  std::int64_t cachedBatchRecords = 1;  // while the bytes are in the system's cache
  std::int64_t batchFirst = 0;
  std::int64_t batchEnd = 0;
  std::int64_t hintedEnd = 0;
  bool fromDisk = false;  // some bytes were not in the system's cache
  std::vector<std::byte> batch;
  std::vector<common::FileRange> ranges;
};

}  // namespace edf

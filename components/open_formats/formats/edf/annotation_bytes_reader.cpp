#include "annotation_bytes_reader.h"

#include <algorithm>

namespace edf {

namespace {

// A batch holds about this many annotation bytes, and at most this many records: enough reads
// to keep a disk busy, few enough hints ahead that the cache keeps them until they are read.
constexpr std::int64_t kBatchBytes = 256 << 10;
constexpr std::int64_t kMostBatchRecords = 1024;
// From the cache no hint waits to be used: batches of records read one at a time are larger,
// large enough for the file to share their reads between two threads. (Records close together
// are read many at once: larger batches would not spare reads.)
constexpr std::int64_t kCachedBatchBytes = 4 << 20;
constexpr std::int64_t kMostCachedBatchRecords = 65536;
// How many batches ahead of the one being read the system is asked to fetch.
constexpr std::int64_t kBatchesHintedAhead = 2;

}  // namespace

AnnotationBytesReader::AnnotationBytesReader(common::RandomAccessFile& file, const Header& header,
                                             std::int64_t recordCount)
    : file(file),
      headerBytes(header.fixed.headerBytes),
      recordBytes(header.recordBytes),
      recordCount(recordCount) {
  for (const SignalHeader& signal : header.signals) {
    if (!signal.isAnnotation) continue;
    const std::int64_t length = std::int64_t{signal.samplesPerRecord} * 2;
    // Annotation signals side by side in the record are one range.
    if (!inRecord.empty() && inRecord.back().offset + inRecord.back().length == signal.offsetInRecord) {
      inRecord.back().length += length;
    } else {
      inRecord.push_back({signal.offsetInRecord, length});
    }
    annotationBytesPerRecord += length;
  }
  if (annotationBytesPerRecord > 0) {
    batchRecords = std::clamp<std::int64_t>(kBatchBytes / annotationBytesPerRecord, 1, kMostBatchRecords);
    const bool readOneAtATime =
        recordBytes - annotationBytesPerRecord > common::RandomAccessFile::kLargestGapReadThrough;
    cachedBatchRecords =
        readOneAtATime
            ? std::clamp<std::int64_t>(kCachedBatchBytes / annotationBytesPerRecord, 1, kMostCachedBatchRecords)
            : batchRecords;
  }
  // Each record's few bytes would otherwise make the system read ahead a stretch of samples.
  file.ReadAheadOnEachRead(false);
}

AnnotationBytesReader::~AnnotationBytesReader() { file.ReadAheadOnEachRead(true); }

void AnnotationBytesReader::RangesOf(std::int64_t first, std::int64_t end,
                                     std::vector<common::FileRange>& out) const {
  out.clear();
  for (std::int64_t record = first; record < end; ++record) {
    const std::int64_t recordOffset = headerBytes + record * recordBytes;
    for (const common::FileRange& range : inRecord)
      out.push_back({recordOffset + range.offset, range.length});
  }
}

void AnnotationBytesReader::HintUpTo(std::int64_t endRecord) {
  endRecord = std::min(endRecord, recordCount);
  hintedEnd = std::max(hintedEnd, batchFirst);  // what was read already needs no hint
  if (endRecord <= hintedEnd) return;
  std::vector<common::FileRange> ahead;
  RangesOf(hintedEnd, endRecord, ahead);
  file.WillNeed(ahead);
  hintedEnd = endRecord;
}

std::optional<std::span<const std::byte>> AnnotationBytesReader::Record(std::int64_t record) {
  if (record < 0 || record >= recordCount || record < batchFirst) return std::nullopt;
  if (record >= batchEnd) {
    batchFirst = record;
    batchEnd = std::min(recordCount, record + (fromDisk ? batchRecords : cachedBatchRecords));
    RangesOf(batchFirst, batchEnd, ranges);
    // Hints cost a system call per range: worth it only while the bytes come from a disk. Once
    // they do, the whole rest of the scan is hinted, batches ahead, so that the disk stays busy.
    if (!fromDisk && !ranges.empty()) {
      fromDisk = !file.IsCached(ranges.front()) || !file.IsCached(ranges[ranges.size() / 2]) ||
                 !file.IsCached(ranges.back());
      if (fromDisk && batchEnd - batchFirst > batchRecords) {
        batchEnd = batchFirst + batchRecords;
        RangesOf(batchFirst, batchEnd, ranges);
      }
    }
    if (fromDisk) {
      // The batch's own reads too: they then wait together, not one after the other.
      HintUpTo(batchEnd + kBatchesHintedAhead * batchRecords);
    }
    batch.resize(static_cast<std::size_t>((batchEnd - batchFirst) * annotationBytesPerRecord));
    if (!file.ReadRanges(ranges, batch)) {
      batchEnd = batchFirst;  // nothing of the batch is valid
      return std::nullopt;
    }
  }
  const auto perRecord = static_cast<std::size_t>(annotationBytesPerRecord);
  return std::span<const std::byte>(batch).subspan(static_cast<std::size_t>(record - batchFirst) * perRecord,
                                                    perRecord);
}

}  // namespace edf

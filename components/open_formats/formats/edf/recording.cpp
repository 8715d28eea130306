#include "recording.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "annotation_bytes_reader.h"
#include "annotations.h"
#include "common/checked_arithmetic.h"
#include "numeric_fields.h"

namespace edf {

namespace {

// Records read at once when a window spans many of them.
constexpr std::int64_t kReadBatchBytes = std::int64_t{4} << 20;
// The bytes before the end of the records in use that must not change while a file grows.
constexpr std::int64_t kGrowthCheckTailBytes = 4096;

std::string SecondsText(std::int64_t ticks) {
  const std::int64_t whole = ticks / kTicksPerSecond;
  std::int64_t fraction = ticks % kTicksPerSecond;
  // Appended rather than "-" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
  std::string text = ticks < 0 && whole == 0 ? "-" : "";
  text += std::to_string(whole);
  if (fraction != 0) {
    std::string digits = std::to_string(fraction < 0 ? -fraction : fraction);
    digits.insert(0, 7 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    text += "." + digits;
  }
  return text + " s";
}

std::string RecordName(std::int64_t record) { return "data record " + std::to_string(record + 1); }

}  // namespace

common::Result<std::unique_ptr<Recording>> Recording::Open(const std::string& utf8Path) {
  const std::u8string path(utf8Path.begin(), utf8Path.end());  // the same bytes, said to be UTF-8
  return OpenNative(std::filesystem::path(path));
}

common::Result<std::unique_ptr<Recording>> Recording::OpenNative(
    const std::filesystem::path& path) {
  using OpenResult = common::Result<std::unique_ptr<Recording>>;
  std::unique_ptr<Recording> recording(new Recording);
  auto opened = common::RandomAccessFile::OpenNative(path);
  if (!opened.Ok()) return OpenResult::Refuse(opened.Reason());
  recording->file = std::move(opened.Value());
  common::RandomAccessFile& file = *recording->file;

  std::vector<std::byte> bytes(std::min<std::int64_t>(file.Size(), kFixedHeaderBytes));
  if (!file.ReadAt(0, bytes)) return OpenResult::Refuse("the file cannot be read");
  auto fixed = ParseFixedHeader(bytes);
  if (!fixed.Ok()) return OpenResult::Refuse(fixed.Reason());
  if (file.Size() < fixed.Value().headerBytes) {
    return OpenResult::Refuse("the file ends inside its header (" + std::to_string(file.Size()) +
                              " of " + std::to_string(fixed.Value().headerBytes) + " bytes)");
  }
  bytes.resize(static_cast<std::size_t>(fixed.Value().headerBytes) - kFixedHeaderBytes);
  if (!file.ReadAt(kFixedHeaderBytes, bytes)) return OpenResult::Refuse("the file cannot be read");
  auto header = ParseSignalHeaders(fixed.Value(), bytes);
  if (!header.Ok()) return OpenResult::Refuse(header.Reason());
  recording->header = std::move(header.Value());
  const Header& h = recording->header;

  // Forgiving: a count of -1, or one the file falls short of, gives the complete records;
  // bytes after the declared records are ignored. Both are said, a count of -1 not being a
  // fault.
  const std::int64_t completeRecords = (file.Size() - h.fixed.headerBytes) / h.recordBytes;
  recording->recordCount = h.fixed.declaredRecordCount == -1
                                ? completeRecords
                                : std::min(completeRecords, h.fixed.declaredRecordCount);
  recording->warnings = h.warnings;
  recording->NoteRecordsForgiven(file.Size());
  for (std::size_t i = 0; i < h.signals.size(); ++i) {
    if (!h.signals[i].isAnnotation) recording->channelSignals.push_back(i);
  }
  if (auto refusal = recording->CheckRecordsDuration()) return OpenResult::Refuse(*refusal);
  if (auto refusal = recording->ScanRecords()) return OpenResult::Refuse(*refusal);
  // A recording still being written grows by whole records, and its writer may update the
  // record count. The records there now stay readable while the rest of the header and the
  // bytes that end them are unchanged; any other change fails every read.
  const std::int64_t end = h.fixed.headerBytes + recording->recordCount * h.recordBytes;
  const std::int64_t tail = std::max(h.fixed.headerBytes, end - kGrowthCheckTailBytes);
  constexpr auto kCountEnd = static_cast<std::int64_t>(kRecordCountOffset + kRecordCountWidth);
  const common::FileRange stable[] = {{0, static_cast<std::int64_t>(kRecordCountOffset)},
                                      {kCountEnd, h.fixed.headerBytes - kCountEnd},
                                      {tail, end - tail}};
  if (!file.KeepServingWhileGrowing(stable)) return OpenResult::Refuse("the file cannot be read");
  return recording;
}

void Recording::NoteRecordsForgiven(std::int64_t fileBytes) {
  const std::int64_t declared = header.fixed.declaredRecordCount;
  const std::int64_t unread = fileBytes - header.fixed.headerBytes - recordCount * header.recordBytes;
  if (declared > recordCount) {
    warnings.push_back("the header gives " + std::to_string(declared) +
                       " data records but the file holds " + std::to_string(recordCount) +
                       " complete ones; those are read");
  } else if (unread > 0) {
    warnings.push_back(std::to_string(unread) + " bytes after " +
                       (recordCount > 0 ? "the last data record" : "the header") +
                       " are not read (a data record is " + std::to_string(header.recordBytes) +
                       " bytes)");
  }
}

std::optional<std::string> Recording::ScanRecords() {
  const Header& h = header;
  const std::int64_t duration = h.fixed.recordDurationTicks;
  if (h.fixed.variant == FileVariant::Edf) {
    // Plain EDF has no annotations: the records follow each other from the start second.
    if (recordCount > 0) segments.push_back({0, recordCount, 0, recordCount * duration});
    return std::nullopt;
  }
  // Looked up once rather than among all signals in each of the many records.
  std::vector<std::size_t> annotationSignals;
  for (std::size_t signal = 0; signal < h.signals.size(); ++signal) {
    if (h.signals[signal].isAnnotation) annotationSignals.push_back(signal);
  }
  AnnotationBytesReader reader(*file, h, recordCount);
  std::int64_t previousOnset = 0;
  for (std::int64_t record = 0; record < recordCount; ++record) {
    const auto recordBytes = reader.Record(record);
    if (!recordBytes) return "the file cannot be read";
    std::size_t annotationOffset = 0;  // of the signal's bytes among the record's annotation bytes
    std::optional<std::int64_t> onset;
    for (const std::size_t signal : annotationSignals) {
      const auto bytes = recordBytes->subspan(annotationOffset,
                                              static_cast<std::size_t>(h.signals[signal].samplesPerRecord) * 2);
      annotationOffset += bytes.size();
      const bool keepsTime = !onset.has_value();  // the first annotation signal keeps time
      auto parsed = ParseAnnotationBytes(bytes, keepsTime);
      if (!parsed.Ok()) {
        return RecordName(record) + ", signal " + std::to_string(signal + 1) + ": " + parsed.Reason();
      }
      if (keepsTime) onset = parsed.Value().timeKeepingOnsetTicks;
      for (Annotation& annotation : parsed.Value().annotations) {
        events.push_back({annotation.onsetTicks, annotation.durationTicks,
                           std::move(annotation.text), signal});
      }
    }
    // Records of duration 0 (annotations only, as EDF+ allows) span no time: they make no
    // segment, so no segment query can meet one that holds neither samples nor time.
    if (duration == 0) continue;
    // Every EDF+ file has an annotation signal, so the time keeper has given the onset.
    const std::int64_t expected = previousOnset + duration;
    if (record == 0 || *onset != expected) {
      if (record > 0 && *onset < expected) {
        return RecordName(record) + " starts at " + SecondsText(*onset) + ", before the end of " +
               RecordName(record - 1) + " at " + SecondsText(expected) +
               ": the time-keeping annotations go backwards";
      }
      if (record > 0 && h.fixed.variant == FileVariant::EdfPlusContinuous) {
        return "the EDF+C file is not contiguous: " + RecordName(record) + " starts at " +
               SecondsText(*onset) + ", not at " + SecondsText(expected);
      }
      segments.push_back({record, 0, *onset, 0});
    }
    segments.back().recordCount += 1;
    segments.back().durationTicks += duration;
    previousOnset = *onset;
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.onsetTicks < b.onsetTicks; });
  return std::nullopt;
}

std::optional<std::string> Recording::CheckRecordsDuration() const {
  // 10^18 ticks: beyond any recording, and far from the 64-bit limit the segments' sums meet.
  constexpr std::int64_t kMaximumRecordingTicks = std::int64_t{1'000'000'000'000'000'000};
  const auto total = common::CheckedMultiply(recordCount, RecordDurationTicks());
  if (!total || *total > kMaximumRecordingTicks) {
    return "the data records would last more than 3000 years";
  }
  return std::nullopt;
}

const SignalHeader& Recording::ChannelHeader(std::size_t channel) const {
  return header.signals[channelSignals[channel]];
}

double Recording::SamplingRate(std::size_t channel) const {
  return static_cast<double>(ChannelHeader(channel).samplesPerRecord) *
         static_cast<double>(kTicksPerSecond) / static_cast<double>(RecordDurationTicks());
}

bool Recording::ReadWindow(const Window& window, std::span<std::byte* const> destinations) {
  if (window.segment >= segments.size() || window.channels.size() != channelSignals.size() ||
      destinations.size() != channelSignals.size()) {
    return false;
  }
  const Segment& segment = segments[window.segment];
  // The records (within the segment) that hold any wanted sample.
  std::int64_t firstRecord = std::numeric_limits<std::int64_t>::max();
  std::int64_t endRecord = 0;
  for (std::size_t channel = 0; channel < window.channels.size(); ++channel) {
    const model::SampleRange& range = window.channels[channel];
    if (range.count <= 0) continue;
    const std::int64_t n = ChannelHeader(channel).samplesPerRecord;
    firstRecord = std::min(firstRecord, range.first / n);
    endRecord = std::max(endRecord, (range.first + range.count + n - 1) / n);
  }
  if (endRecord > segment.recordCount) return false;
  if (endRecord <= firstRecord) return true;  // no channel wants a sample
  const std::int64_t recordBytes = header.recordBytes;
  const std::int64_t batchRecords = std::max<std::int64_t>(1, kReadBatchBytes / recordBytes);
  // No zero fill: every byte is read from the file before it is used.
  const auto largestBatch =
      static_cast<std::size_t>(std::min(batchRecords, endRecord - firstRecord) * recordBytes);
  if (readBufferBytes < largestBatch) {
    readBuffer.reset(new std::byte[largestBatch]);
    readBufferBytes = largestBatch;
  }
  for (std::int64_t batchStart = firstRecord; batchStart < endRecord; batchStart += batchRecords) {
    const std::int64_t batchEnd = std::min(endRecord, batchStart + batchRecords);
    const std::span<std::byte> buffer(readBuffer.get(),
                                      static_cast<std::size_t>((batchEnd - batchStart) * recordBytes));
    const std::int64_t offset =
        header.fixed.headerBytes + (segment.firstRecord + batchStart) * recordBytes;
    if (!file->ReadAt(offset, buffer)) return false;
    // De-interleave: each channel's part of each record goes to its place in one copy.
    for (std::size_t channel = 0; channel < window.channels.size(); ++channel) {
      const model::SampleRange& range = window.channels[channel];
      if (range.count <= 0) continue;
      const SignalHeader& signal = ChannelHeader(channel);
      const std::int64_t n = signal.samplesPerRecord;
      const std::int64_t from = std::max(range.first, batchStart * n);
      const std::int64_t to = std::min(range.first + range.count, batchEnd * n);
      for (std::int64_t k = from; k < to;) {
        const std::int64_t record = k / n;
        const std::int64_t chunkEnd = std::min(to, (record + 1) * n);
        const std::byte* source = buffer.data() + (record - batchStart) * recordBytes +
                                  signal.offsetInRecord + (k - record * n) * 2;
        // Samples are little-endian 16-bit in the file and in the destination: copy as bytes.
        std::memcpy(destinations[channel] + (k - range.first) * 2, source,
                    static_cast<std::size_t>(chunkEnd - k) * 2);
        k = chunkEnd;
      }
    }
  }
  return true;
}

}  // namespace edf

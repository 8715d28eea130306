#include "component_queries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "com/storage_man.h"
#include "platform/com_ptr.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"

namespace tapline_fuzz {

namespace {

using Bytes = std::vector<BYTE>;

// Queries stop after this many segments or events: enough for every branch, and a single
// input cannot run for minutes.
constexpr std::int32_t kMaxSegments = 64;
constexpr std::int32_t kMaxEvents = 512;
// A sample block beyond this is not laid out (the file's size bounds real blocks anyway).
constexpr std::uint64_t kMaxBlockBytes = 64u << 20;

template <typename T>
T FieldAt(const BYTE* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);  // packet fields are unaligned
  return value;
}

// A packet as the library fetches it: the size first, then a buffer of exactly that size.
// A buffer one byte short must be refused without being written past.
void CheckPacketHeader(const Bytes& packet, const GUID& kind) {
  if (packet.size() < 24 || std::memcmp(packet.data(), &kind, 16) != 0) Fail("packet header");
  if (FieldAt<std::uint64_t>(packet.data(), 16) != packet.size()) Fail("packet size field");
}

void CheckTable(const Bytes& packet, std::uint64_t header, std::uint64_t entry) {
  if (packet.size() < header) Fail("table header");
  const auto count = FieldAt<std::int32_t>(packet.data(), header - 8);
  if (count < 0 || header + entry * static_cast<std::uint64_t>(count) > packet.size()) {
    Fail("table entries");
  }
}

void ReadRecordingWidePacket(reader::PacketInterface* packets, const GUID& kind,
                             std::uint64_t header, std::uint64_t entry) {
  std::int32_t size = 0;
  if (packets->GetPacketSize(kind, &size) < 0 || size <= 0) return;
  Bytes buffer(static_cast<std::size_t>(size));
  if (packets->ReadPacket(kind, size, buffer.data()) < 0) Fail("announced packet not read");
  CheckPacketHeader(buffer, kind);
  CheckTable(buffer, header, entry);
  Bytes shorter(static_cast<std::size_t>(size) - 1);
  if (packets->ReadPacket(kind, size - 1, shorter.data()) >= 0) Fail("short buffer accepted");
}

void ReadTsInfo(reader::PacketInterface* packets, double days, double seconds) {
  std::uint32_t size = 0, reference = 0;
  if (packets->GetTimedPacketSize(reader::kTsInfoKind, days, seconds, &size, &reference) < 0 ||
      size == 0) {
    return;
  }
  Bytes buffer(size);
  if (packets->ReadTimedPacket(reference, size, buffer.data()) < 0) Fail("TsInfo not read");
  CheckPacketHeader(buffer, reader::kTsInfoKind);
  CheckTable(buffer, 760, 552);
  Bytes shorter(size - 1);
  if (packets->ReadTimedPacket(reference, size - 1, shorter.data()) >= 0) {
    Fail("short TsInfo buffer accepted");
  }
}

// The library's sample read: channel count, per-channel counts, a block laid out for them.
// Then the same block announced as `shortfall` bytes smaller (or larger, for a negative
// value, while the memory is only as large as the layout): the component must refuse a block
// too small and never write outside the bytes it was given.
// With `cutReadsFail`, the files were cut short after they were opened: a read that needs any
// sample must fail.
void ReadWindow(reader::PacketInterface* packets, double days, double seconds, double duration,
                std::int32_t shortfall, bool cutReadsFail = false) {
  std::int32_t channels = 0;
  if (packets->GetSampleChannelCount(days, seconds, &channels) < 0) return;
  if (channels < 0) Fail("negative channel count");
  std::vector<std::int32_t> counts(static_cast<std::size_t>(channels));
  std::uint64_t size = 68 + 4 * std::uint64_t(counts.size());
  for (std::int32_t ch = 0; ch < channels; ++ch) {
    if (packets->GetSampleCount(ch, days, seconds, duration, &counts[ch]) < 0) return;
    if (counts[ch] < 0) Fail("negative sample count");
    size += 2 * std::uint64_t(counts[ch]);
  }
  std::int32_t outside = 0;
  if (packets->GetSampleCount(channels, days, seconds, duration, &outside) >= 0 ||
      packets->GetSampleCount(-1, days, seconds, duration, &outside) >= 0) {
    Fail("channel outside the recording counted");
  }
  if (size > kMaxBlockBytes) return;
  Bytes block(static_cast<std::size_t>(size), 0xEE);
  std::memcpy(block.data(), &reader::kSampleBlockKind, 16);
  std::memcpy(block.data() + 16, &size, 8);
  std::memcpy(block.data() + 24, &reader::kSixteenBitSampleKind, 16);
  std::memcpy(block.data() + 64, &channels, 4);
  if (!counts.empty()) std::memcpy(block.data() + 68, counts.data(), 4 * counts.size());
  const auto blockSize = static_cast<std::uint32_t>(size);
  const HRESULT read = packets->ReadSamples(days, seconds, duration, blockSize, block.data());
  const bool anySample = size > 68 + 4 * std::uint64_t(counts.size());
  if (cutReadsFail && anySample && read >= 0)
    Fail("samples read from a file cut short after it was opened");

  if (shortfall > 0 && static_cast<std::uint64_t>(shortfall) <= size) {
    Bytes small(block.begin(), block.end() - shortfall);
    if (packets->ReadSamples(days, seconds, duration, static_cast<std::uint32_t>(small.size()),
                             small.data()) >= 0) {
      Fail("sample block too small accepted");
    }
  }
  // Counts that disagree with the window: the first channel's count raised by one.
  if (channels > 0) {
    Bytes wrong = block;
    const std::int32_t raised = counts[0] + 1;
    std::memcpy(wrong.data() + 68, &raised, 4);
    if (packets->ReadSamples(days, seconds, duration, blockSize, wrong.data()) >= 0) {
      Fail("sample block with a wrong count accepted");
    }
  }
}

// Windows as a host places them: its own day number, the segment's start plus a fraction of
// the segment, as {D, 0}, for a part of the segment's duration.
void ReadWindowsAtHostStarts(reader::SegmentInterface* segments, reader::PacketInterface* packets,
                             std::int32_t count, std::uint16_t seed, bool cutReadsFail) {
  for (std::int32_t i = 0; i < 4 && count > 0; ++i) {
    const std::int32_t s = (seed + i) % count;
    double days = -1, seconds = -1, duration = 0;
    segments->GetSegmentStart(s, &days, &seconds);
    segments->GetSegmentDuration(s, &duration);
    const double start = days + seconds * 1.1574074074074073e-05;
    const double offset = duration * ((seed >> i) & 0xFF) / 256.0;
    const double length = duration * ((seed >> (8 - i)) & 0x3F) / 64.0;
    ReadWindow(packets, start + offset / 86400.0, 0.0, length, 0, cutReadsFail);
  }
}

void QuerySegments(reader::StorageManInterface* storageMan, const QueryPlan& plan,
                   const FileCut& cut) {
  ComPtr<reader::SegmentInterface> segments;
  ComPtr<reader::PacketInterface> packets;
  if (storageMan->GetSegmentInterface(segments.put()) < 0 ||
      storageMan->GetPacketInterface(packets.put()) < 0) {
    Fail("sub-interface refused");
  }
  std::int32_t count = 0;
  segments->GetSegmentCount(&count);
  if (count < 0) Fail("negative segment count");
  for (std::int32_t s = -1; s <= count && s < kMaxSegments; ++s) {
    double startDays = -1, startSeconds = -1, endDays = -1, endSeconds = -1, duration = 0;
    segments->GetSegmentStart(s, &startDays, &startSeconds);
    segments->GetSegmentEnd(s, &endDays, &endSeconds);
    segments->GetSegmentDuration(s, &duration);
    std::int32_t found = 0;
    VARIANT_BOOL isFound = 0;
    segments->FindSegment(startDays, startSeconds, &found, &isFound);
    segments->FindSegment(endDays, endSeconds, &found, &isFound);
    double days = 0, seconds = 0;
    segments->SecondsToDate(duration, &days, &seconds);
    if (s < 0 || s == count) continue;
    ReadTsInfo(packets.get(), startDays, startSeconds);
    ReadWindow(packets.get(), startDays, startSeconds, duration, plan.blockShortfall);
  }
  if (count > 0) {
    const std::int32_t s = plan.segment % count;
    double days = -1, seconds = -1;
    segments->GetSegmentStart(s, &days, &seconds);
    ReadWindow(packets.get(), days, seconds + plan.offsetMs / 1000.0, plan.durationMs / 1000.0,
               plan.blockShortfall);
  }
  ReadWindow(packets.get(), plan.rawDays, plan.rawSeconds, plan.rawDuration, plan.blockShortfall);
  ReadWindowsAtHostStarts(segments.get(), packets.get(), count, plan.windowSeed, false);
  std::int32_t found = 0;
  VARIANT_BOOL isFound = 0;
  segments->FindSegment(plan.rawDays, plan.rawSeconds, &found, &isFound);
  double days = 0, seconds = 0;
  segments->SecondsToDate(plan.rawDuration, &days, &seconds);
  ReadTsInfo(packets.get(), plan.rawDays, plan.rawSeconds);
  ReadRecordingWidePacket(packets.get(), reader::kSensorInfoKind, 752, 440);
  ReadRecordingWidePacket(packets.get(), reader::kEventTypeTableKind, 752, 1152);

  if (plan.cutAt == 0 || !cut.shorten || !cut.shorten(plan.cutAt)) return;
  for (std::int32_t s = 0; s < count && s < kMaxSegments; ++s) {
    double startDays = -1, startSeconds = -1, duration = 0;
    segments->GetSegmentStart(s, &startDays, &startSeconds);
    segments->GetSegmentDuration(s, &duration);
    ReadWindow(packets.get(), startDays, startSeconds, duration, 0, cut.readsFail);
  }
  ReadWindowsAtHostStarts(segments.get(), packets.get(), count, plan.windowSeed, cut.readsFail);
}

// Every byte of each record up to its declared size, and its label up to its terminator
// within the field, as the library reads them.
void QueryEvents(reader::StorageManInterface* storageMan) {
  ComPtr<reader::EventInterface> events;
  if (storageMan->GetEventInterface(events.put()) < 0) Fail("event interface refused");
  std::int32_t count = 0;
  events->CountEvents(&count);
  if (count < 0) Fail("negative event count");
  volatile BYTE sink = 0;
  for (std::int32_t e = -1; e <= count && e < kMaxEvents; ++e) {
    BYTE* record = nullptr;
    const HRESULT result = events->GetEventPacket(e, &record);
    if (e < 0 || e == count) {
      if (result >= 0) Fail("event outside the recording handed out");
      continue;
    }
    if (result < 0 || !record) Fail("event not handed out");
    if (std::memcmp(record, &reader::kEventRecordKind, 16) != 0) Fail("event record kind");
    const auto size = FieldAt<std::uint64_t>(record, 16);
    const auto capacity = FieldAt<std::int64_t>(record, 128);
    if (size < 264 || capacity < 0 || 264 + 2 * std::uint64_t(capacity) > size) {
      Fail("event record layout");
    }
    for (std::uint64_t i = 0; i < size; ++i) sink = sink + record[i];
  }
}

// With TAPLINE_FUZZ_OPENED=1, whether the recording opened, else the component's reason (its
// error object's text, non-ASCII as '?'): which inputs of a corpus reach the queries.
void ShowOpening(HRESULT opened) {
  static const bool show = [] {
    const char* value = std::getenv("TAPLINE_FUZZ_OPENED");
    return value && std::string(value) == "1";
  }();
  if (!show) return;
  std::string reason = opened == S_OK ? "opened" : "refused";
  ComPtr<IErrorInfo> info;
  BSTR description = nullptr;
  if (opened != S_OK && GetErrorInfo(0, info.put()) == S_OK && info &&
      info->GetDescription(&description) >= 0 && description) {
    reason += ": ";
    for (BSTR c = description; *c; ++c) reason += *c < 0x80 ? static_cast<char>(*c) : '?';
    SysFreeString(description);
  }
  std::fprintf(stderr, "%s\n", reason.c_str());
}

}  // namespace

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "component broke a promise: %s\n", what);
  std::abort();
}

QueryPlan TakePlan(FuzzInput& input) {
  const auto planBytes = input.TakeBytes(kPlanBytes);
  FuzzInput plan(planBytes.data(), planBytes.size());
  QueryPlan result{};
  result.segment = plan.Take<std::uint8_t>();
  result.offsetMs = plan.Take<std::int32_t>();
  result.durationMs = plan.Take<std::int32_t>();
  result.rawDays = plan.Take<double>();
  result.rawSeconds = plan.Take<double>();
  result.rawDuration = plan.Take<double>();
  result.blockShortfall = plan.Take<std::int32_t>();
  result.cutAt = plan.Take<std::uint8_t>();
  result.windowSeed = plan.Take<std::uint16_t>();
  return result;
}

void OpenAndQuery(const std::string& path, const QueryPlan& plan, const FileCut& cut) {
  ComPtr<reader::StorageManInterface> storageMan;
  storageMan.attach(new open_formats::StorageMan);
  const std::u16string text16(path.begin(), path.end());  // an ASCII path
  BSTR text = SysAllocStringLen(text16.data(), static_cast<UINT>(text16.size()));
  const HRESULT opened = storageMan->OpenRecording(text, 3, 0, 1);
  SysFreeString(text);
  ShowOpening(opened);
  if (opened == S_OK) {
    QuerySegments(storageMan.get(), plan, cut);
    QueryEvents(storageMan.get());
  }
  storageMan->CloseRecording();
  storageMan->CloseRecording();
}

}  // namespace tapline_fuzz

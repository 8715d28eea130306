// Fuzz target: arbitrary file bytes opened by the EDF reader component, then every query the
// library can make of it. The input is a 40-byte query plan followed by the file's bytes.
//
// Besides the sanitizers, the target checks what the library relies on: every packet fits the
// size the component announced for it, a sample read writes only inside the block it is given,
// and an event record is readable over its whole declared size and label field.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/com_ptr.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"
#include "storage_man.h"

namespace {

using tapline_fuzz::FuzzInput;
using Bytes = std::vector<BYTE>;

// Queries stop after this many segments or events: enough for every branch, and a single
// input cannot run for minutes.
constexpr std::int32_t kMaxSegments = 64;
constexpr std::int32_t kMaxEvents = 512;
// A sample block beyond this is not laid out (the file's size bounds real blocks anyway).
constexpr std::uint64_t kMaxBlockBytes = 64u << 20;
constexpr std::size_t kPlanBytes = 40;

struct QueryPlan {
  std::uint8_t segment;           // which segment the relative window starts in
  std::int32_t offsetMs;          // the relative window's start after that segment's start
  std::int32_t durationMs;        // its duration
  double rawDays;                 // a window of any values at all
  double rawSeconds;
  double rawDuration;
  std::int32_t blockShortfall;    // bytes the hostile block size lacks (or has in excess)
  std::uint8_t cutAt;             // 0: the file stays; else it is cut to cutAt/256 of its size
  std::uint16_t windowSeed;       // places a few windows at the starts a host would compute
};

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

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "component broke a promise: %s\n", what);
  std::abort();
}

template <typename T>
T FieldAt(const BYTE* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);  // packet fields are unaligned
  return value;
}

// One file for the whole run, rewritten for every input. It is unlinked at once and reached
// through the descriptor's name, so no run leaves it behind.
int InputDescriptor() {
  static const int descriptor = [] {
    const char* directory = std::getenv("TMPDIR");
    std::string pattern = std::string(directory && *directory ? directory : "/tmp") +
                          "/tapline_edf_fuzz_XXXXXX";
    const int opened = mkstemp(pattern.data());
    if (opened < 0) Fail("no temporary file");
    unlink(pattern.c_str());
    return opened;
  }();
  return descriptor;
}

const std::string& InputPath() {
  static const std::string path = "/proc/self/fd/" + std::to_string(InputDescriptor());
  return path;
}

void WriteInputFile(std::span<const std::uint8_t> bytes) {
  const int descriptor = InputDescriptor();
  if (ftruncate(descriptor, 0) != 0) Fail("temporary file not truncated");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = pwrite(descriptor, bytes.data() + written, bytes.size() - written,
                             static_cast<off_t>(written));
    if (n <= 0) Fail("temporary file not written");
    written += static_cast<std::size_t>(n);
  }
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
// With `cut`, the file was cut short after it was opened: a read that needs any sample must fail.
void ReadWindow(reader::PacketInterface* packets, double days, double seconds, double duration,
                std::int32_t shortfall, bool cut = false) {
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
  if (cut && anySample && read >= 0) Fail("samples read from a file cut short after it was opened");

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
                             std::int32_t count, std::uint16_t seed, bool cut) {
  for (std::int32_t i = 0; i < 4 && count > 0; ++i) {
    const std::int32_t s = (seed + i) % count;
    double days = -1, seconds = -1, duration = 0;
    segments->GetSegmentStart(s, &days, &seconds);
    segments->GetSegmentDuration(s, &duration);
    const double start = days + seconds * 1.1574074074074073e-05;
    const double offset = duration * ((seed >> i) & 0xFF) / 256.0;
    const double length = duration * ((seed >> (8 - i)) & 0x3F) / 64.0;
    ReadWindow(packets, start + offset / 86400.0, 0.0, length, 0, cut);
  }
}

void QuerySegments(reader::StorageManInterface* storageMan, const QueryPlan& plan) {
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

  if (plan.cutAt == 0) return;
  const off_t size = lseek(InputDescriptor(), 0, SEEK_END);
  const off_t cutSize = size * plan.cutAt / 256;
  if (size <= 0 || cutSize >= size) return;
  if (ftruncate(InputDescriptor(), cutSize) != 0) Fail("temporary file not cut");
  for (std::int32_t s = 0; s < count && s < kMaxSegments; ++s) {
    double startDays = -1, startSeconds = -1, duration = 0;
    segments->GetSegmentStart(s, &startDays, &startSeconds);
    segments->GetSegmentDuration(s, &duration);
    ReadWindow(packets.get(), startDays, startSeconds, duration, 0, true);
  }
  ReadWindowsAtHostStarts(segments.get(), packets.get(), count, plan.windowSeed, true);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QueryPlan plan = TakePlan(input);
  WriteInputFile(input.Rest());

  ComPtr<reader::StorageManInterface> storageMan;
  storageMan.attach(new edf_component::StorageMan);
  std::u16string path(InputPath().begin(), InputPath().end());  // an ASCII path
  BSTR text = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
  const HRESULT opened = storageMan->OpenRecording(text, 3, 0, 1);
  SysFreeString(text);
  if (opened == S_OK) {
    QuerySegments(storageMan.get(), plan);
    QueryEvents(storageMan.get());
  }
  storageMan->CloseRecording();
  storageMan->CloseRecording();
  return 0;
}

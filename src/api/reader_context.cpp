// ReaderContext: the lifecycle of the component's StorageMan object, and every query on it.
// Each query obtains the sub-interface it needs afresh and releases it before it returns; the
// component's status is ignored except where noted, and every out-value is preset so that a
// component that writes nothing leaves a defined answer.
#include "api/reader_context.h"

#include <algorithm>
#include <new>
#include <optional>

#include "api/sample_copy.h"
#include "packets/event_record_packet.h"
#include "packets/info_packet.h"
#include "packets/packet_fetcher.h"
#include "packets/sample_block_packet.h"
#include "reader/reader_ids.h"

namespace api {
namespace {

// A block for this many channels would need 2^32 bytes or more for its count table alone
// (68 + 4n bytes), so its counts need not even be asked for.
bool TableAloneTooLarge(std::int32_t channelCount) {
  return 68 + std::uint64_t{4} * static_cast<std::uint32_t>(channelCount) >= (std::uint64_t{1} << 32);
}

// Lays `block` out from the counts and has the component fill it. False when the block cannot
// be built (2^32 bytes or more, memory short) or the component fails the read.
bool ReadIntoBlock(reader::PacketInterface& packets, RecordingTime start, double duration,
                   const std::vector<std::int32_t>& counts, packets::SampleBlockPacketBase& block) {
  if (!block.Build(static_cast<std::int32_t>(counts.size()), counts.data())) return false;
  const std::span<std::byte> bytes = block.Block();
  // Build keeps blocks below 2^32 bytes, so the size the component receives is the whole size.
  // A failed read may have left part of the block unwritten: nothing of it may reach the host.
  return SUCCEEDED(packets.ReadSamples(start.days, start.seconds, duration, static_cast<std::uint32_t>(bytes.size()),
                                       reinterpret_cast<BYTE*>(bytes.data())));  // std::byte and BYTE are both bytes
}

}  // namespace

ReaderContext readerContext;

ReaderContext::~ReaderContext() { CloseAndReleaseStorageMan(); }

void ReaderContext::BeginComUse() noexcept {
  const HRESULT result = CoInitialize(nullptr);
  if (result == S_OK || result == S_FALSE) ++comInitialisations;
}

void ReaderContext::EndComUse() noexcept {
  for (; comInitialisations > 0; --comInitialisations) CoUninitialize();
}

bool ReaderContext::CreateStorageMan() {
  const HRESULT result = CoCreateInstance(reader::kStorageManClassId, nullptr, CLSCTX_INPROC_SERVER,
                                          reader::kStorageManInterfaceId, storageMan.put_void());
  // A null object is a failed creation whatever the code says: every later call needs it.
  if (result == S_OK && storageMan) return true;
  // A creation that failed but still handed out a pointer must not leave it half-held.
  storageMan.reset();
  return false;
}

bool ReaderContext::OpenRecordingFile(BSTR path, std::int32_t openMode) {
  return storageMan->OpenRecording(path, openMode, 0, 1) == S_OK;
}

void ReaderContext::CloseRecordingFile() { storageMan->CloseRecording(); }

void ReaderContext::CloseAndReleaseStorageMan() noexcept {
  ++recordingGeneration;
  if (!storageMan) return;
  try {
    CloseRecordingFile();
  } catch (...) {
    // The component failed to close; releasing the object below is all that is left to do.
  }
  storageMan.reset();
}

std::int32_t ReaderContext::SegmentCount() {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (!segments) return 0;
  std::int32_t count = 0;
  segments->GetSegmentCount(&count);
  return count;
}

double ReaderContext::SegmentDuration(std::int32_t index) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (!segments) return 0.0;
  double duration = 0.0;
  segments->GetSegmentDuration(index, &duration);
  return duration;
}

RecordingTime ReaderContext::SegmentStart(std::int32_t index) {
  RecordingTime start = kEmptyTime;
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (segments) segments->GetSegmentStart(index, &start.days, &start.seconds);
  return start;
}

RecordingTime ReaderContext::SegmentEnd(std::int32_t index) {
  RecordingTime end = kEmptyTime;
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (segments) segments->GetSegmentEnd(index, &end.days, &end.seconds);
  return end;
}

std::int32_t ReaderContext::SegmentAt(RecordingTime time) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (!segments) return -1;
  std::int32_t index = 0;
  // Preset to "not found": a component that leaves it unwritten must not make up a segment.
  VARIANT_BOOL found = VARIANT_FALSE;
  segments->FindSegment(time.days, time.seconds, &index, &found);
  return found != VARIANT_FALSE ? index : -1;
}

bool ReaderContext::ConvertRecordingSeconds(double seconds, RecordingTime& time) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (!segments) return false;
  // Only S_OK means converted: S_FALSE and other success codes leave `time` unreliable.
  return segments->SecondsToDate(seconds, &time.days, &time.seconds) == S_OK;
}

bool ReaderContext::WindowFitsSegment(RecordingTime start, double duration) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegments();
  if (!segments) return false;
  std::int32_t index = 0;
  VARIANT_BOOL found = VARIANT_FALSE;
  segments->FindSegment(start.days, start.seconds, &index, &found);
  if (found == VARIANT_FALSE) return false;
  // Only the day numbers take part: the component keeps whole seconds there, and the seconds
  // members would let a window end a fraction past its segment.
  const RecordingTime end = SegmentEnd(index);
  // A NaN on either side compares false.
  return duration <= WholeSecondsBetween(start.days, end.days);
}

ComPtr<reader::PacketInterface> ReaderContext::AskSampleCounts(RecordingTime start, double duration,
                                                               std::vector<std::int32_t>& counts) {
  if (!WindowFitsSegment(start, duration)) return {};
  ComPtr<reader::PacketInterface> packets = ObtainPackets();
  if (!packets) return {};

  std::int32_t channelCount = 0;
  // A negative count, or one no block can hold, would otherwise size the counts from a wrapped
  // number.
  if (FAILED(packets->GetSampleChannelCount(start.days, start.seconds, &channelCount)) || channelCount < 0 ||
      TableAloneTooLarge(channelCount)) {
    return {};
  }
  try {
    counts.assign(static_cast<std::size_t>(channelCount), 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  // Preset once, not per channel: a channel the component succeeds on without writing takes the
  // count of the channel before it. A failed channel fails the read: its count is unknown, and
  // any count put in its place would misplace every later channel's samples in the host's buffer.
  std::int32_t count = 0;
  for (std::int32_t channel = 0; channel < channelCount; ++channel) {
    if (FAILED(packets->GetSampleCount(channel, start.days, start.seconds, duration, &count))) return {};
    counts[static_cast<std::size_t>(channel)] = count;
  }
  return packets;
}

bool ReaderContext::ReadSampleWindow(RecordingTime start, double duration, packets::SampleBlockPacketBase& block) {
  std::vector<std::int32_t> counts;
  const ComPtr<reader::PacketInterface> packets = AskSampleCounts(start, duration, counts);
  return packets && ReadIntoBlock(*packets, start, duration, counts, block);
}

bool ReaderContext::ReadSampleCounts(RecordingTime start, double duration, std::vector<std::int32_t>& counts) {
  const ComPtr<reader::PacketInterface> packets = AskSampleCounts(start, duration, counts);
  if (!packets) return false;
  const std::optional<std::uint64_t> size =
      packets::SampleBlockPacketBase::BlockSizeFor(static_cast<std::int32_t>(counts.size()), counts.data());
  if (!size) return false;  // a negative count lays out no block, large or not
  if (!packets::IsUsableBlockSize(*size)) return true;
  packets::SampleBlockPacket block;
  if (!ReadIntoBlock(*packets, start, duration, counts, block)) return false;
  // GetData copies by the block as the read left it, not by the answers given before it.
  counts = CopiedSampleCounts(block);
  return true;
}

bool ReaderContext::WindowSampleCounts(RecordingTime start, double duration,
                                       std::vector<std::int32_t>& counts) {
  if (!AskSampleCounts(start, duration, counts)) return false;
  return std::all_of(counts.begin(), counts.end(), [](std::int32_t count) { return count >= 0; });
}

bool ReaderContext::ReadCalibration(packets::CalibrationPacket& packet, std::int32_t segment) {
  return packets::CalibrationFetcher().Fetch(storageMan.get(), segment, packet);
}

bool ReaderContext::ReadTsInfo(packets::TsInfoPacket& packet, std::int32_t segment) {
  return packets::TsInfoFetcher().Fetch(storageMan.get(), segment, packet);
}

bool ReaderContext::ReadSensorInfo(packets::SensorInfoPacket& packet) {
  return packets::SensorInfoFetcher().Fetch(storageMan.get(), packet);
}

bool ReaderContext::ReadEventTypeTable(packets::EventTypeTablePacket& table) {
  return packets::EventTypeTableFetcher().Fetch(storageMan.get(), table);
}

std::int32_t ReaderContext::EventCount() {
  const ComPtr<reader::EventInterface> events = ObtainEvents();
  if (!events) return 0;
  std::int32_t count = 0;
  events->CountEvents(&count);
  return count;
}

bool ReaderContext::ReadEventRecord(std::int32_t eventIndex, packets::EventRecordPacket& record) {
  const ComPtr<reader::EventInterface> events = ObtainEvents();
  if (!events) return false;
  BYTE* bytes = nullptr;
  if (FAILED(events->GetEventPacket(eventIndex, &bytes))) return false;
  // The bytes stay the component's and readable until the recording closes; their length is
  // known only from their own header, so the record checks they can be read that far.
  return record.Attach(packets::WritableBlockView::OfUnknownLength(bytes));
}

ComPtr<reader::SegmentInterface> ReaderContext::ObtainSegments() const {
  return reader::ObtainInterface(storageMan.get(), &reader::StorageManInterface::GetSegmentInterface);
}

ComPtr<reader::PacketInterface> ReaderContext::ObtainPackets() const {
  return reader::ObtainInterface(storageMan.get(), &reader::StorageManInterface::GetPacketInterface);
}

ComPtr<reader::EventInterface> ReaderContext::ObtainEvents() const {
  return reader::ObtainInterface(storageMan.get(), &reader::StorageManInterface::GetEventInterface);
}

}  // namespace api

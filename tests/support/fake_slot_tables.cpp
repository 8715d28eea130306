// The component's operations at the slot numbers of its own table. Each function receives the
// object first, as the caller's virtual call passes it.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <typeinfo>
#include <utility>

#include <cxxabi.h>

#include "fake_object.h"

namespace fake {
namespace {

template <typename... Rest>
std::string Args(const std::string& first, const Rest&... rest) {
  std::string text = first;
  ((text += ", ", text += rest), ...);
  return text;
}
std::string Int(std::int64_t value) { return std::to_string(value); }

// Records a caller that did not preset an out-value as the component's contract asks.
template <typename T>
void ExpectPreset(FakeObject* self, const char* operation, const T* out, T preset) {
  if (out == nullptr) {
    self->component->Fault(self->name + "." + operation + ": null out-pointer");
  } else if (std::memcmp(out, &preset, sizeof(T)) != 0) {
    self->component->Fault(self->name + "." + operation + ": out-value not preset");
  }
}

// --- IUnknown, slots 0-2 ---------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE QueryInterface(FakeObject* self, const IID* iid, void** object) {
  // Sub-interfaces come from StorageMan's operations, never from a query.
  self->component->Log(self->name + ".QueryInterface(" + FormatGuid(*iid) + ")");
  self->component->Check(self, "QueryInterface");
  if (object != nullptr) *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(FakeObject* self) {
  self->component->Check(self, "AddRef");
  ++self->references;
  self->component->Log(self->name + ".AddRef() = " + Int(self->references));
  return self->references;
}

ULONG STDMETHODCALLTYPE Release(FakeObject* self) {
  self->component->Check(self, "Release");
  if (self->references == 0) return 0;
  if (--self->references == 0) self->released = true;
  self->component->Log(self->name + ".Release() = " + Int(self->references));
  return self->references;
}

template <std::size_t slot>
HRESULT STDMETHODCALLTYPE UnexpectedSlot(FakeObject* self) {
  self->component->Fault(self->name + ": unexpected slot " + std::to_string(slot));
  return E_NOTIMPL;
}

// --- StorageMan ------------------------------------------------------------------------------

template <ObjectKind kind>
HRESULT STDMETHODCALLTYPE HandOut(FakeObject* self, Operation operation, const char* name,
                                  void** out) {
  const Outcome& outcome = self->component->Enter(self, operation, std::string(name) + "()");
  ExpectPreset<void*>(self, name, out, nullptr);
  if (outcome.writesOutValues && out != nullptr) *out = self->component->NewObject(kind);
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE GetSegmentInterface(FakeObject* self, void** out) {
  return HandOut<ObjectKind::Segment>(self, Operation::GetSegmentInterface, "GetSegmentInterface", out);
}
HRESULT STDMETHODCALLTYPE GetPacketInterface(FakeObject* self, void** out) {
  return HandOut<ObjectKind::Packet>(self, Operation::GetPacketInterface, "GetPacketInterface", out);
}
HRESULT STDMETHODCALLTYPE GetEventInterface(FakeObject* self, void** out) {
  return HandOut<ObjectKind::Event>(self, Operation::GetEventInterface, "GetEventInterface", out);
}

HRESULT STDMETHODCALLTYPE OpenRecording(FakeObject* self, BSTR path, std::int32_t openMode,
                                        std::int32_t reserved, std::int32_t flags) {
  return self->component
      ->Enter(self, Operation::OpenRecording,
              "OpenRecording(" + Args(FormatText(path), Int(openMode), Int(reserved), Int(flags)) + ")")
      .result;
}

HRESULT STDMETHODCALLTYPE CloseRecording(FakeObject* self) {
  return self->component->Enter(self, Operation::CloseRecording, "CloseRecording()").result;
}

// --- Segment ---------------------------------------------------------------------------------

const SegmentData* SegmentAt(FakeObject* self, std::int32_t index) {
  const auto& segments = self->component->recording.segments;
  if (index < 0 || static_cast<std::size_t>(index) >= segments.size()) return nullptr;
  return &segments[static_cast<std::size_t>(index)];
}

HRESULT STDMETHODCALLTYPE GetSegmentCount(FakeObject* self, std::int32_t* count) {
  const Outcome& outcome = self->component->Enter(self, Operation::GetSegmentCount, "GetSegmentCount()");
  ExpectPreset<std::int32_t>(self, "GetSegmentCount", count, 0);
  const Recording& recording = self->component->recording;
  if (outcome.writesOutValues && count != nullptr) {
    *count = recording.segmentCount.value_or(static_cast<std::int32_t>(recording.segments.size()));
  }
  return outcome.result;
}

template <Operation operation>
HRESULT STDMETHODCALLTYPE SegmentBound(FakeObject* self, std::int32_t index, double* days,
                                       double* seconds) {
  const char* name = operation == Operation::GetSegmentStart ? "GetSegmentStart" : "GetSegmentEnd";
  const Outcome& outcome = self->component->Enter(self, operation, std::string(name) + "(" + Int(index) + ")");
  ExpectPreset<double>(self, name, days, -1.0);
  ExpectPreset<double>(self, name, seconds, -1.0);
  if (!outcome.writesOutValues) return outcome.result;
  const SegmentData* segment = SegmentAt(self, index);
  if (segment == nullptr) return E_INVALIDARG;
  const Time& time = operation == Operation::GetSegmentStart ? segment->start : segment->end;
  *days = time.days;
  *seconds = time.seconds;
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE GetSegmentDuration(FakeObject* self, std::int32_t index, double* seconds) {
  const Outcome& outcome =
      self->component->Enter(self, Operation::GetSegmentDuration, "GetSegmentDuration(" + Int(index) + ")");
  ExpectPreset<double>(self, "GetSegmentDuration", seconds, 0.0);
  if (!outcome.writesOutValues) return outcome.result;
  const SegmentData* segment = SegmentAt(self, index);
  if (segment == nullptr) return E_INVALIDARG;
  *seconds = segment->duration;
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE FindSegment(FakeObject* self, double days, double seconds,
                                      std::int32_t* index, VARIANT_BOOL* found) {
  const Outcome& outcome = self->component->Enter(
      self, Operation::FindSegment, "FindSegment(" + Args(FormatDouble(days), FormatDouble(seconds)) + ")");
  ExpectPreset<std::int32_t>(self, "FindSegment", index, 0);
  if (outcome.writesOutValues && index != nullptr && found != nullptr) {
    *index = self->component->recording.foundSegment;
    *found = self->component->recording.segmentFound;
  }
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE SecondsToDate(FakeObject* self, double recordingSeconds, double* days,
                                        double* seconds) {
  const Outcome& outcome = self->component->Enter(self, Operation::SecondsToDate,
                                                  "SecondsToDate(" + FormatDouble(recordingSeconds) + ")");
  if (outcome.writesOutValues && days != nullptr && seconds != nullptr) {
    *days = self->component->recording.convertedTime.days;
    *seconds = self->component->recording.convertedTime.seconds;
  }
  return outcome.result;
}

// --- Packet ----------------------------------------------------------------------------------

std::uint32_t ReadU32LittleEndian(const BYTE* bytes) {
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);  // the block may sit at any alignment
  return value;
}

// Fills each channel's area of a block the library laid out: channelCount at 64, the counts
// from 68, then the samples. A block whose counts do not fit its size is the library's fault.
void FillSampleBlock(FakeObject* self, std::uint32_t blockSize, BYTE* block) {
  const std::string where = self->name + ".ReadSamples: ";
  if (block == nullptr || blockSize < 68) {
    self->component->Fault(where + "no room for the block header");
    return;
  }
  const std::uint64_t channels = ReadU32LittleEndian(block + 64);
  std::uint64_t offset = 68 + 4 * channels;
  if (offset > blockSize) {
    self->component->Fault(where + "channel count beyond the block");
    return;
  }
  const auto& samples = self->component->recording.samples;
  for (std::uint64_t channel = 0; channel < channels; ++channel) {
    const std::uint64_t count = ReadU32LittleEndian(block + 68 + 4 * channel);
    if (2 * count > blockSize - offset) {
      self->component->Fault(where + "samples of channel " + std::to_string(channel) + " beyond the block");
      return;
    }
    if (channel < samples.size()) {
      const std::size_t available = std::min<std::size_t>(count, samples[channel].size());
      if (available != 0) std::memcpy(block + offset, samples[channel].data(), 2 * available);
    }
    offset += 2 * count;
  }
  if (offset != blockSize) self->component->Fault(where + "block larger than its samples");
}

HRESULT STDMETHODCALLTYPE ReadSamples(FakeObject* self, double days, double seconds, double duration,
                                      std::uint32_t blockSize, BYTE* block) {
  const Outcome& outcome = self->component->Enter(
      self, Operation::ReadSamples,
      "ReadSamples(" + Args(FormatDouble(days), FormatDouble(seconds), FormatDouble(duration), Int(blockSize)) + ")");
  if (!outcome.writesOutValues) return outcome.result;
  FillSampleBlock(self, blockSize, block);
  const auto& rewritten = self->component->recording.countsRewrittenByRead;
  if (!rewritten.empty() && blockSize >= 68 + 4 * rewritten.size()) {
    std::memcpy(block + 68, rewritten.data(), 4 * rewritten.size());
  }
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE GetSampleChannelCount(FakeObject* self, double days, double seconds,
                                                std::int32_t* count) {
  const Outcome& outcome = self->component->Enter(
      self, Operation::GetSampleChannelCount,
      "GetSampleChannelCount(" + Args(FormatDouble(days), FormatDouble(seconds)) + ")");
  ExpectPreset<std::int32_t>(self, "GetSampleChannelCount", count, 0);
  if (outcome.writesOutValues && count != nullptr) *count = self->component->recording.sampleChannelCount;
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE GetSampleCount(FakeObject* self, std::int32_t channel, double days,
                                         double seconds, double duration, std::int32_t* count) {
  const Outcome& outcome = self->component->Enter(
      self, Operation::GetSampleCount,
      "GetSampleCount(" + Args(Int(channel), FormatDouble(days), FormatDouble(seconds), FormatDouble(duration)) + ")");
  // Callers preset the count once, before the first channel: a later channel that is told
  // nothing keeps the count of the channel before it.
  if (channel == 0) ExpectPreset<std::int32_t>(self, "GetSampleCount", count, 0);
  if (!outcome.writesOutValues) return outcome.result;
  const auto& unwritten = self->component->recording.countsLeftUnwritten;
  if (std::find(unwritten.begin(), unwritten.end(), channel) != unwritten.end()) return outcome.result;
  const auto& counts = self->component->recording.sampleCounts;
  if (channel < 0 || static_cast<std::size_t>(channel) >= counts.size()) return E_INVALIDARG;
  *count = counts[static_cast<std::size_t>(channel)];
  return outcome.result;
}

void CopyPacket(const std::vector<std::uint8_t>& bytes, std::uint64_t capacity, BYTE* buffer) {
  const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, bytes.size()));
  if (length > 0) std::memcpy(buffer, bytes.data(), length);
}

HRESULT STDMETHODCALLTYPE GetTimedPacketSize(FakeObject* self, GUID kind, double days, double seconds,
                                             std::uint32_t* size, std::uint32_t* reference) {
  const Outcome& outcome = self->component->Enter(
      self, Operation::GetTimedPacketSize,
      "GetTimedPacketSize(" + Args(FormatGuid(kind), FormatDouble(days), FormatDouble(seconds)) + ")");
  ExpectPreset<std::uint32_t>(self, "GetTimedPacketSize", size, 0);
  ExpectPreset<std::uint32_t>(self, "GetTimedPacketSize", reference, 0);
  if (!outcome.writesOutValues) return outcome.result;
  const auto& packets = self->component->recording.timedPackets;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const TimedPacket& packet = packets[i];
    if (packet.kind == kind && packet.time.days == days && packet.time.seconds == seconds) {
      *size = packet.reportedSize.value_or(static_cast<std::uint32_t>(packet.bytes.size()));
      *reference = packet.reference.value_or(static_cast<std::uint32_t>(i + 1));
      return outcome.result;
    }
  }
  return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE ReadTimedPacket(FakeObject* self, std::uint32_t reference, std::uint32_t size,
                                          BYTE* buffer) {
  const Outcome& outcome = self->component->Enter(self, Operation::ReadTimedPacket,
                                                  "ReadTimedPacket(" + Args(Int(reference), Int(size)) + ")");
  if (!outcome.writesOutValues) return outcome.result;
  const auto& packets = self->component->recording.timedPackets;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    if (packets[i].reference.value_or(static_cast<std::uint32_t>(i + 1)) == reference) {
      CopyPacket(packets[i].bytes, size, buffer);
      return outcome.result;
    }
  }
  return E_INVALIDARG;
}

const RecordingPacket* PacketOfKind(FakeObject* self, const GUID& kind) {
  for (const RecordingPacket& packet : self->component->recording.packets) {
    if (packet.kind == kind) return &packet;
  }
  return nullptr;
}

HRESULT STDMETHODCALLTYPE GetPacketSize(FakeObject* self, GUID kind, std::int32_t* size) {
  const Outcome& outcome =
      self->component->Enter(self, Operation::GetPacketSize, "GetPacketSize(" + FormatGuid(kind) + ")");
  ExpectPreset<std::int32_t>(self, "GetPacketSize", size, 0);
  if (!outcome.writesOutValues) return outcome.result;
  const RecordingPacket* packet = PacketOfKind(self, kind);
  if (packet == nullptr) return E_INVALIDARG;
  *size = packet->reportedSize.value_or(static_cast<std::int32_t>(packet->bytes.size()));
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE ReadPacket(FakeObject* self, GUID kind, std::int32_t size, BYTE* buffer) {
  const Outcome& outcome = self->component->Enter(self, Operation::ReadPacket,
                                                  "ReadPacket(" + Args(FormatGuid(kind), Int(size)) + ")");
  if (!outcome.writesOutValues) return outcome.result;
  const RecordingPacket* packet = PacketOfKind(self, kind);
  if (packet == nullptr) return E_INVALIDARG;
  if (size > 0) CopyPacket(packet->bytes, static_cast<std::uint64_t>(size), buffer);
  return outcome.result;
}

// --- Event -----------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE GetEventPacket(FakeObject* self, std::int32_t index, BYTE** record) {
  const Outcome& outcome =
      self->component->Enter(self, Operation::GetEventPacket, "GetEventPacket(" + Int(index) + ")");
  ExpectPreset<BYTE*>(self, "GetEventPacket", record, nullptr);
  if (!outcome.writesOutValues) return outcome.result;
  const auto& addresses = self->component->recording.eventRecordAddresses;
  if (!addresses.empty()) {
    if (index < 0 || static_cast<std::size_t>(index) >= addresses.size()) return E_INVALIDARG;
    *record = addresses[static_cast<std::size_t>(index)];
    return outcome.result;
  }
  auto& records = self->component->recording.eventRecords;
  if (index < 0 || static_cast<std::size_t>(index) >= records.size()) return E_INVALIDARG;
  *record = records[static_cast<std::size_t>(index)].data();
  return outcome.result;
}

HRESULT STDMETHODCALLTYPE CountEvents(FakeObject* self, std::int32_t* count) {
  const Outcome& outcome = self->component->Enter(self, Operation::CountEvents, "CountEvents()");
  ExpectPreset<std::int32_t>(self, "CountEvents", count, 0);
  const Recording& recording = self->component->recording;
  if (outcome.writesOutValues && count != nullptr) {
    *count = recording.eventCount.value_or(static_cast<std::int32_t>(recording.eventRecords.size()));
  }
  return outcome.result;
}

// --- Tables ----------------------------------------------------------------------------------

template <typename Function>
SlotFunction Slot(Function function) {
  // Every slot is called with the object first and its own arguments after it; the table only
  // stores addresses, as a compiler-made table does.
  return reinterpret_cast<SlotFunction>(function);
}

// A table as the C++ ABI lays it out: the offset of the object in its complete object and the
// type information sit before slot 0. Callers' sanitizers read them to check the object's type
// on every call, so they name the interface the object stands for, by its name alone.
template <std::size_t size>
struct ObjectTable {
  std::ptrdiff_t offsetToTop;
  const std::type_info* typeInfo;
  std::array<SlotFunction, size> slots;
};
static_assert(offsetof(ObjectTable<1>, slots) == sizeof(std::ptrdiff_t) + sizeof(void*), "no gap before slot 0");

template <std::size_t size, std::size_t... slots>
std::array<SlotFunction, size> UnexpectedSlots(std::index_sequence<slots...>) {
  return {Slot(&UnexpectedSlot<slots>)...};
}

template <std::size_t size>
ObjectTable<size> BaseTable(const char* mangledInterfaceName) {
  // Every interface derives from IUnknown alone. Lives as long as the process: the tables
  // refer to it.
  const auto* unknown = dynamic_cast<const abi::__class_type_info*>(&typeid(IUnknown));
  const auto* typeInfo = new abi::__si_class_type_info(mangledInterfaceName, unknown);
  ObjectTable<size> table{0, typeInfo, UnexpectedSlots<size>(std::make_index_sequence<size>())};
  table.slots[0] = Slot(&QueryInterface);
  table.slots[1] = Slot(&AddRef);
  table.slots[2] = Slot(&Release);
  return table;
}

ObjectTable<30> StorageManTable() {
  auto table = BaseTable<30>("N6reader19StorageManInterfaceE");
  table.slots[9] = Slot(&GetSegmentInterface);
  table.slots[11] = Slot(&GetPacketInterface);
  table.slots[13] = Slot(&GetEventInterface);
  table.slots[26] = Slot(&OpenRecording);
  table.slots[29] = Slot(&CloseRecording);
  return table;
}

ObjectTable<19> SegmentTable() {
  auto table = BaseTable<19>("N6reader16SegmentInterfaceE");
  table.slots[7] = Slot(&GetSegmentCount);
  table.slots[10] = Slot(&SegmentBound<Operation::GetSegmentStart>);
  table.slots[11] = Slot(&SegmentBound<Operation::GetSegmentEnd>);
  table.slots[12] = Slot(&GetSegmentDuration);
  table.slots[13] = Slot(&FindSegment);
  table.slots[18] = Slot(&SecondsToDate);
  return table;
}

ObjectTable<28> PacketTable() {
  auto table = BaseTable<28>("N6reader15PacketInterfaceE");
  table.slots[13] = Slot(&ReadSamples);
  table.slots[14] = Slot(&GetSampleChannelCount);
  table.slots[15] = Slot(&GetSampleCount);
  table.slots[20] = Slot(&GetTimedPacketSize);
  table.slots[25] = Slot(&ReadTimedPacket);
  table.slots[26] = Slot(&GetPacketSize);
  table.slots[27] = Slot(&ReadPacket);
  return table;
}

ObjectTable<13> EventTable() {
  auto table = BaseTable<13>("N6reader14EventInterfaceE");
  table.slots[10] = Slot(&GetEventPacket);
  table.slots[12] = Slot(&CountEvents);
  return table;
}

}  // namespace

const SlotFunction* SlotTable(ObjectKind kind) {
  static const auto storageMan = StorageManTable();
  static const auto segment = SegmentTable();
  static const auto packet = PacketTable();
  static const auto event = EventTable();
  switch (kind) {
    case ObjectKind::StorageMan: return storageMan.slots.data();
    case ObjectKind::Segment: return segment.slots.data();
    case ObjectKind::Packet: return packet.slots.data();
    case ObjectKind::Event: return event.slots.data();
  }
  return nullptr;
}

}  // namespace fake

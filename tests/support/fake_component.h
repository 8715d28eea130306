// A scriptable stand-in for the reader component, registered in-process under the StorageMan
// class id for as long as a Component lives. Its objects are tables of functions indexed by
// slot number, written from the component's own table of operations and independent of the
// library's interface declarations, so a misplaced declaration calls the wrong slot and shows
// up as a fault or a wrong log line.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct FakeObject;

enum class ObjectKind { StorageMan, Segment, Packet, Event };

enum class Operation {
  CreateInstance,
  GetSegmentInterface, GetPacketInterface, GetEventInterface, OpenRecording, CloseRecording,
  GetSegmentCount, GetSegmentStart, GetSegmentEnd, GetSegmentDuration, FindSegment, SecondsToDate,
  ReadSamples, GetSampleChannelCount, GetSampleCount, GetTimedPacketSize, ReadTimedPacket,
  GetPacketSize, ReadPacket,
  GetEventPacket, CountEvents,
};

struct Time {
  double days = 0.0;
  double seconds = 0.0;
};

// A _com_error that an operation raises instead of returning; with error information when
// `withErrorInfo`, carrying the two texts.
struct RaisedError {
  HRESULT code = E_FAIL;
  bool withErrorInfo = false;
  std::u16string source{};  // brace-initialised so that {code, withErrorInfo} suffices
  std::u16string description{};
};

// What an operation does once it has been logged: raise, or write its out-values (unless
// told to leave the caller's presets alone) and return `result`.
struct Outcome {
  HRESULT result = S_OK;
  bool writesOutValues = true;
  std::optional<RaisedError> raise;
  bool raisesBadAlloc = false;  // an exception that is not a component error
};

struct SegmentData {
  Time start;
  Time end;
  double duration = 0.0;
};

// A packet that belongs to the whole recording, served by GetPacketSize / ReadPacket.
struct RecordingPacket {
  GUID kind{};
  std::vector<std::uint8_t> bytes;
  std::optional<std::int32_t> reportedSize;  // else bytes.size()
};

// A packet that belongs to a time, served by GetTimedPacketSize / ReadTimedPacket. The
// reference handed out is `reference`, else the packet's position + 1.
struct TimedPacket {
  GUID kind{};
  Time time;
  std::vector<std::uint8_t> bytes;
  std::optional<std::uint32_t> reportedSize;
  std::optional<std::uint32_t> reference;
};

// The recording the component pretends to have open. An index outside a table makes the
// operation return E_INVALIDARG without writing.
struct Recording {
  std::optional<std::int32_t> segmentCount;  // else segments.size()
  std::vector<SegmentData> segments;
  std::int32_t foundSegment = 0;  // FindSegment's answer, whatever the time asked
  VARIANT_BOOL segmentFound = VARIANT_FALSE;
  Time convertedTime;  // SecondsToDate's answer
  std::int32_t sampleChannelCount = 0;
  std::vector<std::int32_t> sampleCounts;            // GetSampleCount, per channel
  // Channels whose GetSampleCount succeeds without writing the count.
  std::vector<std::int32_t> countsLeftUnwritten;
  std::vector<std::vector<std::int16_t>> samples;    // ReadSamples fills each channel from these
  // When not empty, ReadSamples writes these over the block's count table after filling it.
  std::vector<std::int32_t> countsRewrittenByRead;
  std::vector<RecordingPacket> packets;
  std::vector<TimedPacket> timedPackets;
  std::vector<std::vector<std::uint8_t>> eventRecords;  // GetEventPacket hands out their bytes
  // When not empty, GetEventPacket hands out these addresses instead: records a test lays out
  // itself, such as one that ends where an unreadable page begins.
  std::vector<BYTE*> eventRecordAddresses;
  std::optional<std::int32_t> eventCount;               // else eventRecords.size()
};

class Component {
 public:
  // Registers the class; a failed registration is recorded as a fault.
  Component();
  // Revokes the class. Objects stay allocated until here, so a late call is logged, not a crash.
  ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Recording recording;

  // Creation (Operation::CreateInstance) honours `result` and `writesOutValues` only.
  Outcome& On(Operation operation) { return outcomes[operation]; }
  // The operation returns `result` and writes nothing.
  void Refuse(Operation operation, HRESULT result);
  void Raise(Operation operation, RaisedError error);

  // "StorageMan#1.OpenRecording(\"a.edf\", 3, 0, 1)", "Segment#1.Release() = 0", ...; doubles
  // printed with %.17g, GUIDs in registry form.
  const std::vector<std::string>& Calls() const { return calls; }
  void ClearCalls() { calls.clear(); }
  // Calls without a COM apartment, after release to zero, into unused slots, with out-values not
  // preset, malformed sample blocks, ...
  const std::vector<std::string>& Faults() const { return faults; }
  int CloseRecordingCount() const { return closeRecordingCount; }
  int ObjectsCreated(ObjectKind kind) const;
  // Objects whose reference count is not zero, as "Segment#2 (1)".
  std::vector<std::string> HeldObjects() const;

  // For the objects' slot functions.
  FakeObject* NewObject(ObjectKind kind);
  // Logs the call, checks the object and the apartment, raises when scripted to.
  const Outcome& Enter(FakeObject* self, Operation operation, const std::string& call);
  // Records a call without a COM apartment on the calling thread or after release to zero.
  void Check(const FakeObject* self, const std::string& operation);
  void Fault(const std::string& text) { faults.push_back(text); }
  void Log(const std::string& text) { calls.push_back(text); }

 private:
  class ClassFactory;

  std::map<Operation, Outcome> outcomes;
  std::vector<std::string> calls;
  std::vector<std::string> faults;
  int closeRecordingCount = 0;
  std::deque<std::unique_ptr<FakeObject>> objects;
  std::unique_ptr<ClassFactory> factory;
  DWORD registrationCookie = 0;
  bool registered = false;
};

// Call-log formatting shared with the slot functions.
std::string FormatDouble(double value);
std::string FormatGuid(const GUID& guid);
std::string FormatText(const OLECHAR* text);  // quoted UTF-8, or null

}  // namespace fake

// The one process-wide state of the library: the reader component's StorageMan object that
// the most recent OpenEx created, and the COM initialisations the library itself made.
#pragma once

#include <cstdint>
#include <vector>

#include "api/recording_time.h"
#include "platform/platform.h"
#include "reader/reader_interfaces.h"

namespace packets {
class CalibrationPacket;
class EventRecordPacket;
class EventTypeTablePacket;
class SampleBlockPacketBase;
class SensorInfoPacket;
class TsInfoPacket;
}  // namespace packets

namespace api {

class ReaderContext {
 public:
  ReaderContext() = default;
  ReaderContext(const ReaderContext&) = delete;
  ReaderContext& operator=(const ReaderContext&) = delete;
  // At unload: closes and releases the object still held (OpenEx without Close). Leaves COM
  // alone: the loader may run this on any thread, and the apartment may already be gone.
  virtual ~ReaderContext();

  // CoInitialize for the calling thread. Counts the initialisation when it took effect
  // (S_OK or S_FALSE) so that EndComUse undoes exactly that; a refused one (another
  // threading mode) is not counted and never undone.
  void BeginComUse() noexcept;
  // Undoes every initialisation BeginComUse counted and none of the host's own.
  void EndComUse() noexcept;

  // CoCreateInstance of StorageMan into storageMan. True only for S_OK; storageMan is empty
  // after any other result.
  bool CreateStorageMan();
  // OpenRecording(path, openMode, 0, 1) on storageMan. True only for S_OK.
  bool OpenRecordingFile(BSTR path, std::int32_t openMode);
  // CloseRecording on storageMan; the component's result tells nothing the caller can act on.
  void CloseRecordingFile();
  // Closes the recording of the object held and releases it, leaving storageMan empty. The
  // release happens even when the close raises; nothing escapes. No-op when nothing is held.
  void CloseAndReleaseStorageMan() noexcept;

  // Segment count of the open recording; 0 when the component hands out no segment interface.
  std::int32_t SegmentCount();

  // Segment queries. Indices go to the component unchecked; without a segment interface each
  // gives its empty answer (0.0, kEmptyTime, -1, false), and so does a component that writes
  // nothing.
  double SegmentDuration(std::int32_t index);
  RecordingTime SegmentStart(std::int32_t index);
  RecordingTime SegmentEnd(std::int32_t index);
  // Index of the segment that holds `time`; -1 when the component finds none.
  std::int32_t SegmentAt(RecordingTime time);
  // Recording seconds to a time, written into `time` by the component. True only for S_OK.
  bool ConvertRecordingSeconds(double seconds, RecordingTime& time);
  // The window lies within the segment that holds its start: `duration` is at most the whole
  // seconds (rounded to nearest) between the day numbers of the start and the segment's end.
  // False when no segment holds the start, when either number is NaN, or without a segment
  // interface.
  bool WindowFitsSegment(RecordingTime start, double duration);

  // Reads every channel's samples of the window into `block`, laid out from the counts the
  // component reports and filled by it in place. False when the window does not fit its
  // segment, no packet interface is handed out, the component fails a count or the read (a
  // negative status), a count is negative, the block would need 2^32 bytes or more, or memory
  // is short; the block's samples are then not to be used.
  bool ReadSampleWindow(RecordingTime start, double duration, packets::SampleBlockPacketBase& block);
  // Each channel's sample count in the window, as GetData lays the window out in a host's
  // buffer. A block below 2^32 bytes is read as ReadSampleWindow reads it, and fails the same
  // way; the counts are then the block's own after the read (a component may rewrite them). A
  // larger block, which no read can carry, is not read at all: the counts are the component's
  // answers, so a host still learns the layout of a long segment. False on every failure of
  // ReadSampleWindow but the size.
  bool ReadSampleCounts(RecordingTime start, double duration, std::vector<std::int32_t>& counts);

  // Each channel's sample count in the window as GetData2 would lay them out, asked of the
  // component without reading a sample. False when the window does not fit its segment, no
  // packet interface is handed out, or a count fails or is negative.
  bool WindowSampleCounts(RecordingTime start, double duration, std::vector<std::int32_t>& counts);
  // The packets of the segment or the recording. False, with the packet unchanged, when any
  // step of the fetch fails or the packet refuses the bytes.
  bool ReadTsInfo(packets::TsInfoPacket& packet, std::int32_t segment);
  bool ReadCalibration(packets::CalibrationPacket& packet, std::int32_t segment);
  bool ReadSensorInfo(packets::SensorInfoPacket& packet);
  bool ReadEventTypeTable(packets::EventTypeTablePacket& table);

  // Number of events; 0 without an event interface or when the component writes nothing.
  std::int32_t EventCount();
  // Makes `record` adopt the component's bytes for event `eventIndex` (passed unchecked).
  // False, with the record unchanged, without an event interface, when the component refuses
  // the index, or when the bytes are not a whole event record.
  bool ReadEventRecord(std::int32_t eventIndex, packets::EventRecordPacket& record);

  // Changes whenever the recording held may change (every OpenEx and Close), so that what was
  // kept from one recording is never taken for another's.
  std::uint64_t RecordingGeneration() const noexcept { return recordingGeneration; }

  ComPtr<reader::StorageManInterface> storageMan;

 private:
  // StorageMan's sub-interfaces, obtained afresh for one operation; empty without a StorageMan
  // or when the component refuses.
  ComPtr<reader::SegmentInterface> ObtainSegments() const;
  ComPtr<reader::PacketInterface> ObtainPackets() const;
  ComPtr<reader::EventInterface> ObtainEvents() const;

  // The window check, the packet interface and every channel's count, asked once each: the
  // first steps of both sample reads. Empty when any fails.
  ComPtr<reader::PacketInterface> AskSampleCounts(RecordingTime start, double duration,
                                                  std::vector<std::int32_t>& counts);

  // Initialisations made by BeginComUse and not yet undone: the host's thread owns the rest.
  int comInitialisations = 0;
  std::uint64_t recordingGeneration = 0;
};

// Constructed by static initialisation at load, destroyed at unload.
extern ReaderContext readerContext;

}  // namespace api

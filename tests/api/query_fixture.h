// The query exports of a freshly loaded library, over a recording the fake component opened,
// and the packets such a component serves, made of distinct bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "distinct_bytes.h"
#include "library_fixture.h"
#include "reader/reader_ids.h"

namespace apitest {

// The packet kinds as the library declares them; reader_ids_test holds them to their text form.
using reader::kEventRecordKind;
using reader::kEventTypeTableKind;
using reader::kSensorInfoKind;
using reader::kTsInfoKind;

// A packet-failure report and the pause after it, as the console receives them without a
// terminal behind standard input.
inline std::string PacketFailureOutput(const std::string& word) {
  return support::ConsoleLines("ERROR in " + word + " packet please contact SDK provider for support\n\n") +
         support::PausePrompt();
}

using support::Bytes;
using support::DistinctBytes;
using support::Put;

// Writes `text` as UTF-16 units at `offset`, with a terminator when `terminate`.
void PutText(Bytes& bytes, std::size_t offset, const std::u16string& text, bool terminate = true);

// A table packet of `entries` entries of E bytes after an H-byte header, filled with distinct
// bytes; the caller writes the entry fields it needs.
Bytes TableBlock(const GUID& kind, std::uint32_t headerSize, std::uint32_t entrySize, std::uint32_t entries);
inline std::size_t EntryOffset(std::uint32_t headerSize, std::uint32_t entrySize, std::uint32_t index) {
  return headerSize + std::size_t{entrySize} * index;
}

// A TsInfo packet whose channel i is named names[i] and has value values[i].
Bytes TsInfoBlock(const std::vector<std::u16string>& names, const std::vector<double>& values = {});
// A SensorInfo packet with `entries` entries.
Bytes SensorInfoBlock(std::uint32_t entries);

struct EventType {
  GUID typeGuid;
  std::u16string text1;
  std::u16string text2;
};
Bytes EventTypeTableBlock(const std::vector<EventType>& types);

struct EventRecord {
  GUID typeGuid;
  double days = 0.0;
  double seconds = 0.0;
  double duration = 0.0;
  std::u16string label;
  std::int64_t labelCapacity = -1;  // -1: the label's length + 1
};
Bytes EventRecordBlock(const EventRecord& record);

// A GUID whose bytes all differ from those of any other `n`.
GUID TypeGuid(std::uint8_t n);

// The twelve exports come from the TaplineExports base, taken from the freshly loaded library.
class QueryTest : public LibraryTest, protected tapline_host::TaplineExports {
 protected:
  void SetUp() override;
  void TearDown() override;

  // OpenEx on the fake component, then a clean call log for the test's own calls.
  void OpenRecording();

  // Serves a packet of the segment that starts at `start`.
  void ServeTimedPacket(const GUID& kind, fake::Time start, Bytes bytes);
  void ServePacket(const GUID& kind, Bytes bytes);

 private:
  bool opened = false;
};

}  // namespace apitest

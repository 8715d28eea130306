// The query exports of a freshly loaded library, over a recording the fake component opened,
// and the packets such a component serves, made of distinct bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace apitest {

inline constexpr GUID kTsInfoKind = {
    0xA271CCCB, 0x515D, 0x4590, {0xB6, 0xA1, 0xDC, 0x17, 0x0C, 0x8D, 0x6E, 0xE2}};
inline constexpr GUID kSensorInfoKind = {
    0x30950D98, 0xC39C, 0x4352, {0xAF, 0x3E, 0xCB, 0x17, 0xD5, 0xB9, 0x3D, 0xED}};
inline constexpr GUID kEventTypeTableKind = {
    0xC728E565, 0xE5A0, 0x4419, {0x93, 0xD2, 0xF6, 0xCF, 0xC6, 0x9F, 0x3B, 0x8F}};
inline constexpr GUID kEventRecordKind = {
    0xB799F680, 0x72A4, 0x11D3, {0x93, 0xD3, 0x00, 0x50, 0x04, 0x00, 0xC1, 0x48}};

// A packet-failure report and the pause after it, as the console receives them without a
// terminal behind standard input.
inline std::string PacketFailureOutput(const std::string& word) {
  return support::ConsoleLines("ERROR in " + word + " packet please contact SDK provider for support\n\n") +
         support::PausePrompt();
}

using Bytes = std::vector<std::uint8_t>;

template <typename T>
void Put(Bytes& bytes, std::size_t offset, const T& value) {
  std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

// Writes `text` as UTF-16 units at `offset`, with a terminator when `terminate`.
void PutText(Bytes& bytes, std::size_t offset, const std::u16string& text, bool terminate = true);

// n bytes counting 1, 2, 3, ... from `first`, skipping 0 so that no text ends early.
Bytes DistinctBytes(std::size_t n, std::uint8_t first = 1);

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

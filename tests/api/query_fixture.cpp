#include "query_fixture.h"

namespace apitest {

void PutText(Bytes& bytes, std::size_t offset, const std::u16string& text, bool terminate) {
  std::memcpy(bytes.data() + offset, text.data(), 2 * text.size());
  if (terminate) Put<std::uint16_t>(bytes, offset + 2 * text.size(), 0);
}

Bytes TableBlock(const GUID& kind, std::uint32_t headerSize, std::uint32_t entrySize, std::uint32_t entries) {
  Bytes bytes = DistinctBytes(EntryOffset(headerSize, entrySize, entries));
  Put(bytes, 0, kind);
  Put<std::uint64_t>(bytes, 16, bytes.size());
  Put(bytes, headerSize - 8, entries);
  return bytes;
}

Bytes TsInfoBlock(const std::vector<std::u16string>& names, const std::vector<double>& values) {
  const auto count = static_cast<std::uint32_t>(names.size());
  Bytes bytes = TableBlock(kTsInfoKind, 760, 552, count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = EntryOffset(760, 552, i);
    // A name of the full 72 units leaves no room for a terminator in its field.
    PutText(bytes, entry + 128, names[i], names[i].size() < 72);
    if (i < values.size()) Put(bytes, entry + 272, values[i]);
  }
  return bytes;
}

Bytes SensorInfoBlock(std::uint32_t entries) { return TableBlock(kSensorInfoKind, 752, 440, entries); }

Bytes EventTypeTableBlock(const std::vector<EventType>& types) {
  const auto count = static_cast<std::uint32_t>(types.size());
  Bytes bytes = TableBlock(kEventTypeTableKind, 752, 1152, count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = EntryOffset(752, 1152, i);
    Put(bytes, entry, types[i].typeGuid);
    PutText(bytes, entry + 32, types[i].text1);
    PutText(bytes, entry + 544, types[i].text2);
  }
  return bytes;
}

Bytes EventRecordBlock(const EventRecord& record) {
  const std::int64_t capacity =
      record.labelCapacity >= 0 ? record.labelCapacity : static_cast<std::int64_t>(record.label.size() + 1);
  // 16 bytes of further data behind the label field, as the component may add.
  const std::size_t size = 264 + 2 * static_cast<std::size_t>(capacity > 0 ? capacity : 0) + 16;
  Bytes bytes = DistinctBytes(size, 7);
  Put(bytes, 0, kEventRecordKind);
  Put<std::uint64_t>(bytes, 16, size);
  Put(bytes, 32, record.days);
  Put(bytes, 40, record.seconds);
  Put(bytes, 48, record.duration);
  Put(bytes, 128, capacity);
  Put(bytes, 136, record.typeGuid);
  if (capacity > 0) PutText(bytes, 264, record.label, record.label.size() < static_cast<std::size_t>(capacity));
  return bytes;
}

GUID TypeGuid(std::uint8_t n) {
  const auto b = static_cast<std::uint8_t>(0x10 * n);
  return GUID{0xE0000000u + n, static_cast<std::uint16_t>(0x100 + n), static_cast<std::uint16_t>(0x200 + n),
              {b, 1, 2, 3, 4, 5, 6, n}};
}

void QueryTest::SetUp() {
  LibraryTest::SetUp();
  static_cast<tapline_host::TaplineExports&>(*this) = *library;
}

void QueryTest::TearDown() {
  // Braced: the assertion macro is an if-else of its own.
  if (opened && library->IsLoaded()) {
    EXPECT_EQ(library->Close(), 1);
  }
  LibraryTest::TearDown();
}

void QueryTest::OpenRecording() {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("rec.edf", &segmentCount), 1);
  opened = true;
  component.ClearCalls();
}

void QueryTest::ServeTimedPacket(const GUID& kind, fake::Time start, Bytes bytes) {
  component.recording.timedPackets.push_back(fake::TimedPacket{kind, start, std::move(bytes), {}, {}});
}

void QueryTest::ServePacket(const GUID& kind, Bytes bytes) {
  component.recording.packets.push_back(fake::RecordingPacket{kind, std::move(bytes), {}});
}

}  // namespace apitest

// The component through the reader interfaces, created by class id after its own registration
// in a private class registry, the way the library meets it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "common/calendar.h"
#include "edf_test_files.h"
#include "packets/name_based_guid.h"
#include "packets/packet_layout.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"

namespace {

using edf_test::RecordSamples;
using edf_writer::EdfWriter;
using edf_writer::Tal;
using edf_writer::TimeKeepingTal;
using namespace packet_layout;

using Bytes = std::vector<BYTE>;

template <typename T>
T Get(const BYTE* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);  // fields are unaligned
  return value;
}

// The zero-terminated UTF-16 text at the offset, read within maxUnits.
std::u16string TextAt(const BYTE* bytes, std::size_t offset, std::size_t maxUnits) {
  std::u16string text;
  for (std::size_t i = 0; i < maxUnits; ++i) {
    const auto unit = Get<char16_t>(bytes, offset + 2 * i);
    if (unit == 0) return text;
    text.push_back(unit);
  }
  ADD_FAILURE() << "text without terminator";
  return text;
}

// Whole seconds since 1899-12-30 of the test files' header start, 01.02.03 04.05.06.
const std::int64_t kHeaderStartSecond = common::DayNumberOf({2003, 2, 1}) * 86400 + 14706;

double DayOf(std::int64_t wholeSeconds) { return static_cast<double>(wholeSeconds) / 86400.0; }

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Tests must never wait on a terminal.
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    ASSERT_EQ(setenv("XDG_DATA_HOME", registry.path().c_str(), 1), 0);
    module = dlopen(TAPLINE_EDF_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    ASSERT_EQ(Function("DllRegisterServer")(), S_OK);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoCreateInstance(reader::kStorageManClassId, nullptr, CLSCTX_INPROC_SERVER,
                               reader::kStorageManInterfaceId, storageMan.put_void()),
              S_OK);
  }
  void TearDown() override {
    storageMan.reset();
    CoUninitialize();
    if (module) dlclose(module);
  }

  DllRegisterServerFunction Function(const char* name) {
    // dlsym hands out addresses as void*; the module exports these with this signature.
    return reinterpret_cast<DllRegisterServerFunction>(dlsym(module, name));
  }

  HRESULT Open(const std::string& bytes) { return OpenPath(files.Write("file.edf", bytes)); }
  HRESULT OpenPath(const std::string& path) {
    std::u16string wide;
    for (unsigned char c : path) wide.push_back(c);  // the test paths are ASCII
    BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    const HRESULT result = storageMan->OpenRecording(text, 3, 0, 1);
    SysFreeString(text);
    return result;
  }

  ComPtr<reader::SegmentInterface> Segments() {
    ComPtr<reader::SegmentInterface> segments;
    EXPECT_EQ(storageMan->GetSegmentInterface(segments.put()), S_OK);
    return segments;
  }
  ComPtr<reader::PacketInterface> Packets() {
    ComPtr<reader::PacketInterface> packets;
    EXPECT_EQ(storageMan->GetPacketInterface(packets.put()), S_OK);
    return packets;
  }
  ComPtr<reader::EventInterface> Events() {
    ComPtr<reader::EventInterface> events;
    EXPECT_EQ(storageMan->GetEventInterface(events.put()), S_OK);
    return events;
  }

  // The block the library lays out for a window, as counts the component reported.
  static Bytes LayOutBlock(const std::vector<std::int32_t>& counts) {
    std::size_t size = 68 + 4 * counts.size();
    for (std::int32_t count : counts) size += 2 * static_cast<std::size_t>(count);
    Bytes block(size, 0xEE);
    std::memcpy(block.data(), &reader::kSampleBlockKind, 16);
    const std::uint64_t size64 = size;
    std::memcpy(block.data() + 16, &size64, 8);
    std::memcpy(block.data() + 24, &reader::kSixteenBitSampleKind, 16);
    const auto channels = static_cast<std::int32_t>(counts.size());
    std::memcpy(block.data() + 64, &channels, 4);
    if (!counts.empty()) std::memcpy(block.data() + 68, counts.data(), 4 * counts.size());
    return block;
  }

  // The library's sample read: channel count at the start, counts per channel, then the fill.
  std::vector<std::vector<std::int16_t>> ReadWindow(double days, double seconds, double duration) {
    auto packets = Packets();
    std::int32_t channels = 0;
    EXPECT_EQ(packets->GetSampleChannelCount(days, seconds, &channels), S_OK);
    std::vector<std::int32_t> counts(static_cast<std::size_t>(channels));
    for (std::int32_t ch = 0; ch < channels; ++ch) {
      EXPECT_EQ(packets->GetSampleCount(ch, days, seconds, duration, &counts[ch]), S_OK);
    }
    Bytes block = LayOutBlock(counts);
    EXPECT_EQ(packets->ReadSamples(days, seconds, duration, static_cast<std::uint32_t>(block.size()),
                                   block.data()),
              S_OK);
    std::vector<std::vector<std::int16_t>> samples;
    std::size_t offset = 68 + 4 * counts.size();
    for (std::int32_t count : counts) {
      samples.emplace_back(count);
      std::memcpy(samples.back().data(), block.data() + offset, 2 * static_cast<std::size_t>(count));
      offset += 2 * static_cast<std::size_t>(count);
    }
    return samples;
  }

  edf_test::TemporaryDirectory registry;
  edf_test::TemporaryDirectory files;
  void* module = nullptr;
  ComPtr<reader::StorageManInterface> storageMan;
};

TEST_F(ComponentTest, UnregisteredClassIsNoLongerCreated) {
  ASSERT_EQ(Function("DllUnregisterServer")(), S_OK);
  ComPtr<reader::StorageManInterface> other;
  EXPECT_EQ(CoCreateInstance(reader::kStorageManClassId, nullptr, CLSCTX_INPROC_SERVER,
                             reader::kStorageManInterfaceId, other.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(other);
}

TEST_F(ComponentTest, ModuleCanUnloadOnlyWhenNoObjectIsAlive) {
  const auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(module, "DllCanUnloadNow"));
  ASSERT_NE(canUnload, nullptr);
  auto segments = Segments();
  EXPECT_EQ(canUnload(), S_FALSE);
  storageMan.reset();
  EXPECT_EQ(canUnload(), S_FALSE);  // the segment object keeps StorageMan alive
  segments.reset();
  EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(ComponentTest, QueriesAndUnusedSlotsAnswerAsDocumented) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(storageMan->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
  void* none = &none;
  EXPECT_EQ(storageMan->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(storageMan->Unused3(), E_NOTIMPL);
  EXPECT_EQ(Packets()->Unused21(), E_NOTIMPL);
  // Nothing is open yet.
  std::int32_t count = 77;
  EXPECT_EQ(Segments()->GetSegmentCount(&count), E_UNEXPECTED);
  EXPECT_EQ(count, 77);
  EXPECT_EQ(storageMan->CloseRecording(), S_FALSE);
}

TEST_F(ComponentTest, RefusedFileFailsAndClosesWhatWasOpen) {
  ASSERT_EQ(Open(edf_test::PlainEdf().FileBytes()), S_OK);
  EdfWriter bad = edf_test::PlainEdf();
  bad.header.version = "2";
  EXPECT_EQ(OpenPath(files.Write("bad.edf", bad.FileBytes())), E_FAIL);
  std::int32_t count = 77;
  EXPECT_EQ(Segments()->GetSegmentCount(&count), E_UNEXPECTED);
  EXPECT_EQ(storageMan->OpenRecording(nullptr, 3, 0, 1), E_INVALIDARG);
  EXPECT_EQ(OpenPath((files.path() / "absent.edf").string()), E_FAIL);
}

TEST_F(ComponentTest, SegmentsOfEdfPlusDiscontinuousAsDayNumbersAndSeconds) {
  ASSERT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), S_OK);
  auto segments = Segments();
  std::int32_t count = 0;
  ASSERT_EQ(segments->GetSegmentCount(&count), S_OK);
  ASSERT_EQ(count, 3);
  struct Expected {
    std::int64_t startSecond;
    double startFraction;
    double duration;
  };
  const Expected expected[] = {{0, 0.0, 2.0}, {10, 0.0, 1.0}, {20, 0.5, 3.0}};
  for (std::int32_t i = 0; i < 3; ++i) {
    double days = -1, seconds = -1, duration = 0;
    ASSERT_EQ(segments->GetSegmentStart(i, &days, &seconds), S_OK);
    EXPECT_EQ(days, DayOf(kHeaderStartSecond + expected[i].startSecond)) << i;
    EXPECT_EQ(seconds, expected[i].startFraction) << i;
    // The end is reported at the next whole second (23.5 s -> 24 s).
    ASSERT_EQ(segments->GetSegmentEnd(i, &days, &seconds), S_OK);
    const std::int64_t endSecond = kHeaderStartSecond + expected[i].startSecond +
                                   static_cast<std::int64_t>(expected[i].duration) +
                                   (expected[i].startFraction > 0 ? 1 : 0);
    EXPECT_EQ(days, DayOf(endSecond)) << i;
    EXPECT_EQ(seconds, 0.0) << i;
    ASSERT_EQ(segments->GetSegmentDuration(i, &duration), S_OK);
    EXPECT_EQ(duration, expected[i].duration) << i;
  }
  double days = -1, seconds = -1;
  EXPECT_EQ(segments->GetSegmentStart(3, &days, &seconds), E_INVALIDARG);
  EXPECT_EQ(segments->GetSegmentStart(-1, &days, &seconds), E_INVALIDARG);
  EXPECT_EQ(days, -1.0);

  struct Probe {
    double days;
    double seconds;
    std::int32_t segment;
  };
  // Host dates carry the fraction of a second in the day number.
  const Probe probes[] = {{DayOf(kHeaderStartSecond), 0.0, 0},
                          {DayOf(kHeaderStartSecond + 1), 0.999, 0},
                          {DayOf(kHeaderStartSecond + 2), 0.0, -1},
                          {DayOf(kHeaderStartSecond + 15), 0.0, -1},
                          {DayOf(kHeaderStartSecond + 20), 0.5, 2},
                          {DayOf(kHeaderStartSecond + 20) + 0.5 / 86400.0, 0.0, 2},
                          {DayOf(kHeaderStartSecond + 20) + 0.4999 / 86400.0, 0.0, -1},
                          {DayOf(kHeaderStartSecond), -0.0000005, 0},  // 1 us early still in
                          {DayOf(kHeaderStartSecond), -0.000002, -1}};
  for (const Probe& probe : probes) {
    std::int32_t segment = 99;
    VARIANT_BOOL found = 99;
    ASSERT_EQ(segments->FindSegment(probe.days, probe.seconds, &segment, &found), S_OK);
    EXPECT_EQ(segment, probe.segment) << &probe - probes;
    EXPECT_EQ(found, probe.segment >= 0 ? VARIANT_TRUE : VARIANT_FALSE);
  }
  ASSERT_EQ(segments->SecondsToDate(-1.25, &days, &seconds), S_OK);
  EXPECT_EQ(days, DayOf(kHeaderStartSecond - 2));
  EXPECT_EQ(seconds, 0.75);
}

// -1.0 is the day number a host reads as "refused": no time before day 0 is converted.
// Records dated far from now open at their dates, up to 9999-12-31 (de-identified databases
// shift dates by centuries); their windows start on the sample a host's day number names.
TEST_F(ComponentTest, RecordingsDatedUpToTheYear9999OpenAtTheirDates) {
  struct Case {
    const char* name;
    std::string path;
    common::CivilDate date;
    std::int64_t secondOfDay;
    double rate;
  };
  EdfWriter edf;  // EDF+ after 2084: "yy" in the header, the year in the recording field
  edf.header.reserved = "EDF+C";
  edf.header.startDate = "14.05.yy";
  edf.header.startTime = "09.30.00";
  edf.header.recording = "Startdate 14-MAY-2091 X X X";
  edf.AddSignal("EEG", 256);
  edf.AddAnnotationSignal(8);
  for (int r = 0; r < 16; ++r) {
    edf.AddRecord({RecordSamples(0, r, 256), TimeKeepingTal("+" + std::to_string(r))});
  }
  const std::string wfdbHeader = "r 1 1000 4000 08:00:00 01/07/";
  const std::string wfdbSignal = "r.dat 16 200 16 0 0 0 0 ECG\n";
  std::string wfdbSamples;
  for (int k = 0; k < 4000; ++k) {  // sample k is k, little-endian
    wfdbSamples += {static_cast<char>(k % 256), static_cast<char>(k / 256)};
  }
  const Case cases[] = {
      {"EDF+ 2091", files.Write("file.edf", edf.FileBytes()), {2091, 5, 14}, 34200, 256.0},
      {"WFDB 2896", files.Write("r.hea", wfdbHeader + "2896\n" + wfdbSignal), {2896, 7, 1}, 28800,
       1000.0},
      {"WFDB 9999", files.Write("s.hea", "s" + wfdbHeader.substr(1) + "9999\n" + wfdbSignal),
       {9999, 7, 1}, 28800, 1000.0},
  };
  files.Write("r.dat", wfdbSamples);
  for (const Case& c : cases) {
    ASSERT_EQ(OpenPath(c.path), S_OK) << c.name;
    double days = -1, seconds = -1;
    ASSERT_EQ(Segments()->GetSegmentStart(0, &days, &seconds), S_OK);
    EXPECT_EQ(days, DayOf(common::DayNumberOf(c.date) * 86400 + c.secondOfDay)) << c.name;
    EXPECT_EQ(seconds, 0.0) << c.name;
    for (std::int64_t k : {0, 1, 255, 2047, 3839}) {
      const double start = days + (static_cast<double>(k) / c.rate) * 1.1574074074074073e-05;
      const auto window = ReadWindow(start, 0.0, 1.0 / c.rate);
      ASSERT_EQ(window.size(), 1u) << c.name;
      ASSERT_EQ(window[0].size(), 1u) << c.name << " sample " << k;
      const std::int16_t expected =
          c.rate == 1000.0 ? static_cast<std::int16_t>(k) : edf_test::SampleValue(0, k);
      EXPECT_EQ(window[0][0], expected) << c.name << " sample " << k;
    }
  }
}

TEST_F(ComponentTest, RecordingSecondsBeforeDayNumberZeroAreRefused) {
  EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.startDate = "30.12.99";
  writer.header.startTime = "00.00.00";
  writer.header.recording = "Startdate 30-DEC-1899 X X X";
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(8);
  writer.AddRecord({RecordSamples(0, 0, 1), TimeKeepingTal("+0")});
  ASSERT_EQ(Open(writer.FileBytes()), S_OK);
  auto segments = Segments();
  const struct {
    double recordingSeconds;
    HRESULT result;
    double days;
  } cases[] = {{0.0, S_OK, 0.0}, {86400.5, S_OK, 1.0}, {-0.25, E_INVALIDARG, 7.0},
               {-86400.0, E_INVALIDARG, 7.0}};
  for (const auto& c : cases) {
    double days = 7.0, seconds = 7.0;
    EXPECT_EQ(segments->SecondsToDate(c.recordingSeconds, &days, &seconds), c.result)
        << c.recordingSeconds;
    EXPECT_EQ(days, c.days) << c.recordingSeconds;
  }
}

TEST_F(ComponentTest, TsInfoOfEverySegmentDescribesTheChannels) {
  EdfWriter writer = edf_test::PlainEdf();
  writer.signals[0].transducer = "AgAgCl electrode";
  writer.signals[0].physicalDimension = "\xB5V";
  writer.signals[0].prefiltering = "HP:0.1Hz LP:75Hz";
  writer.signals[1].physicalMinimum = "-500.5";
  ASSERT_EQ(Open(writer.FileBytes()), S_OK);
  double days = 0, seconds = 0;
  ASSERT_EQ(Segments()->GetSegmentStart(0, &days, &seconds), S_OK);
  auto packets = Packets();
  std::uint32_t size = 0, ref = 0;
  ASSERT_EQ(packets->GetTimedPacketSize(reader::kTsInfoKind, days, seconds, &size, &ref), S_OK);
  ASSERT_EQ(size, kTsInfoHeaderBytes + 2 * kTsInfoEntryBytes);
  Bytes packet(size + 8, 0xAB);
  // One byte short: refused, nothing written.
  EXPECT_LT(packets->ReadTimedPacket(ref, size - 1, packet.data()), 0);
  EXPECT_EQ(packet, Bytes(size + 8, 0xAB));
  ASSERT_EQ(packets->ReadTimedPacket(ref, size, packet.data()), S_OK);
  EXPECT_EQ(std::memcmp(packet.data(), &reader::kTsInfoKind, 16), 0);
  EXPECT_EQ(Get<std::uint64_t>(packet.data(), 16), size);
  EXPECT_EQ(Get<std::uint32_t>(packet.data(), 752), 2u);
  EXPECT_EQ(packet[size], 0xAB);  // nothing past the packet
  const BYTE* entry0 = packet.data() + kTsInfoHeaderBytes;
  const BYTE* entry1 = entry0 + kTsInfoEntryBytes;
  EXPECT_EQ(TextAt(entry0, ts_info_entry::kChannelName, 72), u"EEG Fz");
  EXPECT_EQ(TextAt(entry1, ts_info_entry::kChannelName, 72), u"EEG Cz");
  EXPECT_EQ(Get<double>(entry0, ts_info_entry::kChannelValue), 4.0);
  EXPECT_EQ(Get<double>(entry1, ts_info_entry::kChannelValue), 2.0);
  EXPECT_EQ(Get<double>(entry1, ts_info_entry::kPhysicalMinimum), -500.5);
  EXPECT_EQ(Get<double>(entry1, ts_info_entry::kPhysicalMaximum), 3200.0);
  EXPECT_EQ(Get<std::int32_t>(entry1, ts_info_entry::kDigitalMinimum), -32768);
  EXPECT_EQ(Get<std::int32_t>(entry1, ts_info_entry::kDigitalMaximum), 32767);
  EXPECT_EQ(Get<std::int32_t>(entry0, ts_info_entry::kSamplesPerRecord), 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry0 + ts_info_entry::kPhysicalDimension), 3),
            std::string("\xB5V\0", 3));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry0 + ts_info_entry::kTransducer)),
            "AgAgCl electrode");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry0 + ts_info_entry::kPrefiltering)),
            "HP:0.1Hz LP:75Hz");
  EXPECT_EQ(Get<std::int64_t>(entry0, ts_info_entry::kRecordDurationTicks), 10000000);

  // Only TsInfo is timed; times outside every segment and stale references are refused.
  EXPECT_EQ(packets->GetTimedPacketSize(reader::kSensorInfoKind, days, seconds, &size, &ref), E_INVALIDARG);
  EXPECT_EQ(packets->GetTimedPacketSize(reader::kTsInfoKind, days + 1, seconds, &size, &ref), E_INVALIDARG);
  EXPECT_EQ(packets->ReadTimedPacket(0, size, packet.data()), E_INVALIDARG);
  EXPECT_EQ(packets->ReadTimedPacket(2, size, packet.data()), E_INVALIDARG);
}

TEST_F(ComponentTest, SensorInfoIsRecordingWideAndUnknownKindsFail) {
  ASSERT_EQ(Open(edf_test::EdfPlusContinuousSubSecond().FileBytes()), S_OK);
  auto packets = Packets();
  std::int32_t size = 0;
  ASSERT_EQ(packets->GetPacketSize(reader::kSensorInfoKind, &size), S_OK);
  ASSERT_EQ(size, static_cast<std::int32_t>(kSensorInfoHeaderBytes + kSensorInfoEntryBytes));
  Bytes packet(static_cast<std::size_t>(size), 0xAB);
  EXPECT_LT(packets->ReadPacket(reader::kSensorInfoKind, size - 1, packet.data()), 0);
  EXPECT_EQ(packet, Bytes(static_cast<std::size_t>(size), 0xAB));
  ASSERT_EQ(packets->ReadPacket(reader::kSensorInfoKind, size, packet.data()), S_OK);
  EXPECT_EQ(Get<std::uint32_t>(packet.data(), 744), 1u);
  const BYTE* entry = packet.data() + kSensorInfoHeaderBytes;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry + sensor_info_entry::kLabel)), "ECG");
  EXPECT_EQ(Get<std::int32_t>(entry, sensor_info_entry::kSignalIndex), 0);
  EXPECT_EQ(Get<double>(entry, sensor_info_entry::kSamplingRate), 5.0);
  EXPECT_EQ(packets->GetPacketSize(reader::kTsInfoKind, &size), E_INVALIDARG);
  EXPECT_EQ(packets->ReadPacket(reader::kSampleBlockKind, size, packet.data()), E_INVALIDARG);
}

TEST_F(ComponentTest, SamplesOfWholeSegmentsAndHostWindows) {
  ASSERT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), S_OK);
  auto segments = Segments();
  std::int64_t firstRecord = 0;
  for (std::int32_t i = 0; i < 3; ++i) {
    double days = 0, seconds = 0, duration = 0;
    segments->GetSegmentStart(i, &days, &seconds);
    segments->GetSegmentDuration(i, &duration);
    const auto records = static_cast<std::int64_t>(duration);
    std::vector<std::int16_t> expected;
    for (std::int64_t r = firstRecord; r < firstRecord + records; ++r) {
      const auto part = RecordSamples(0, r, 2);
      expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(ReadWindow(days, seconds, duration), std::vector<std::vector<std::int16_t>>{expected}) << "segment " << i;
    firstRecord += records;
  }
  // A host window {date, 0.0}: [21.0 s, 22.5 s) of the third segment (records 3-5 at 20.5 s)
  // holds samples 1, 2 and 3 of that segment.
  const double date = DayOf(kHeaderStartSecond + 21);
  const auto window = ReadWindow(date, 0.0, 1.5);
  EXPECT_EQ(window[0], (std::vector<std::int16_t>{edf_test::SampleValue(0, 7), edf_test::SampleValue(0, 8),
                                                  edf_test::SampleValue(0, 9)}));
  std::int32_t channels = 5;
  EXPECT_EQ(Packets()->GetSampleChannelCount(DayOf(kHeaderStartSecond + 15), 0.0, &channels), E_INVALIDARG);
  EXPECT_EQ(channels, 5);
}

// A read asks for every channel's count with the same arguments, and the located window is kept
// for them: each count must still be that of the window asked for, whichever argument changed.
TEST_F(ComponentTest, SampleCountsFollowEveryChangeOfTheWindowAskedFor) {
  ASSERT_EQ(Open(edf_test::PlainEdf().FileBytes()), S_OK);  // 3 s at 4 Hz and at 2 Hz
  double days = 0, seconds = 0;
  ASSERT_EQ(Segments()->GetSegmentStart(0, &days, &seconds), S_OK);
  struct Query {
    const char* name;
    double days, seconds, duration;
    HRESULT result;
    std::int32_t fast, slow;
  };
  const Query queries[] = {
      {"whole segment", days, seconds, 3.0, S_OK, 12, 6},
      {"shorter", days, seconds, 1.0, S_OK, 4, 2},
      {"later by seconds", days, seconds + 2.5, 1.0, S_OK, 2, 1},
      {"later by days", days + 2.0 / 86400, seconds, 1.0, S_OK, 4, 2},
      {"an earlier window again", days, seconds + 2.5, 1.0, S_OK, 2, 1},
      {"outside the segment", days, seconds + 10.0, 1.0, E_INVALIDARG, 77, 77},
      {"the same window after a refusal", days, seconds + 2.5, 1.0, S_OK, 2, 1},
  };
  auto packets = Packets();
  for (const Query& q : queries) {
    std::int32_t fast = 77, slow = 77;
    EXPECT_EQ(packets->GetSampleCount(0, q.days, q.seconds, q.duration, &fast), q.result) << q.name;
    EXPECT_EQ(packets->GetSampleCount(1, q.days, q.seconds, q.duration, &slow), q.result) << q.name;
    EXPECT_EQ(fast, q.fast) << q.name;
    EXPECT_EQ(slow, q.slow) << q.name;
  }
}

// 22 records of 99999999 samples (1000 s each): 2.2 x 10^9 samples, more than a 32-bit count
// holds. The file is sparse: extended, never written.
TEST_F(ComponentTest, SampleCountBeyondInt32IsRefusedWhileSmallerWindowsOfTheChannelRead) {
  EdfWriter writer;
  writer.header.recordDuration = "1000";
  writer.header.recordCount = "22";
  writer.AddSignal("Dense", 99999999);
  const std::string header = writer.HeaderBytes();
  const std::string path = files.Write("dense.edf", header);
  std::filesystem::resize_file(path, header.size() + std::uintmax_t{22} * 2 * 99999999);
  ASSERT_EQ(OpenPath(path), S_OK);
  double days = 0, seconds = 0, duration = 0;
  ASSERT_EQ(Segments()->GetSegmentStart(0, &days, &seconds), S_OK);
  ASSERT_EQ(Segments()->GetSegmentDuration(0, &duration), S_OK);
  auto packets = Packets();
  std::int32_t count = 77;
  EXPECT_EQ(packets->GetSampleCount(0, days, seconds, duration, &count), E_INVALIDARG);
  EXPECT_EQ(count, 77);
  // 21474 s hold 2147399979 samples, just below 2^31; 21475 s do not fit.
  EXPECT_EQ(packets->GetSampleCount(0, days, seconds, 21474.0, &count), S_OK);
  EXPECT_EQ(count, 2147399979);
  count = 77;
  EXPECT_EQ(packets->GetSampleCount(0, days, seconds, 21475.0, &count), E_INVALIDARG);
  EXPECT_EQ(count, 77);
  // 1 ms late in the segment (samples 100.000001 ticks apart): 99 or 100 samples, all read.
  const auto window = ReadWindow(days, seconds + 21900.5, 0.001);
  ASSERT_EQ(window.size(), 1u);
  EXPECT_GE(window[0].size(), 99u);
  EXPECT_LE(window[0].size(), 100u);
  EXPECT_EQ(window[0], std::vector<std::int16_t>(window[0].size(), 0));
}

TEST_F(ComponentTest, ReadSamplesRefusesABlockThatDoesNotMatchAndNeverWritesPastItsSize) {
  ASSERT_EQ(Open(edf_test::PlainEdf().FileBytes()), S_OK);
  auto packets = Packets();
  const double days = DayOf(kHeaderStartSecond);
  struct Case {
    const char* name;
    std::vector<std::int32_t> counts;
    std::int64_t sizeChange;
  };
  for (const Case& c : {Case{"count too high", {13, 6}, 0}, Case{"count too low", {12, 5}, 0},
                        Case{"one channel", {12}, 0}, Case{"size one byte short", {12, 6}, -1},
                        Case{"negative count", {12, -6}, 0}, Case{"header only", {}, 0}}) {
    Bytes block = LayOutBlock(c.counts);
    block.resize(block.size() + 64, 0xEE);
    const Bytes before = block;
    const auto size = static_cast<std::uint32_t>(block.size() - 64 + c.sizeChange);
    EXPECT_EQ(packets->ReadSamples(days, 0.0, 3.0, size, block.data()), E_INVALIDARG) << c.name;
    EXPECT_EQ(block, before) << c.name;
  }
  Bytes wrongKind = LayOutBlock({12, 6});
  wrongKind[24] ^= 1;
  const Bytes before = wrongKind;
  EXPECT_EQ(packets->ReadSamples(days, 0.0, 3.0, static_cast<std::uint32_t>(wrongKind.size()), wrongKind.data()),
            E_INVALIDARG);
  EXPECT_EQ(wrongKind, before);
  // The exact size is filled and the guard bytes behind it stay.
  Bytes block = LayOutBlock({12, 6});
  const std::size_t exact = block.size();
  block.resize(exact + 16, 0xEE);
  ASSERT_EQ(packets->ReadSamples(days, 0.0, 3.0, static_cast<std::uint32_t>(exact), block.data()), S_OK);
  EXPECT_EQ(Bytes(block.begin() + static_cast<std::ptrdiff_t>(exact), block.end()), Bytes(16, 0xEE));
  EXPECT_EQ(Get<std::int16_t>(block.data(), 76 + 2 * 11), edf_test::SampleValue(0, 11));
  EXPECT_EQ(Get<std::int16_t>(block.data(), 76 + 24 + 2 * 5), edf_test::SampleValue(1, 5));
}

TEST_F(ComponentTest, EventsCarryTimeDurationTypeAndLabelUntilClose) {
  EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(400);
  // 254 units then a pair: text1 (255 units at most) must stop before the pair.
  std::string longText(254, 'a');
  longText += "\xF0\x9F\x98\x80";
  writer.AddRecord({RecordSamples(0, 0, 1),
                    TimeKeepingTal("+0") + Tal("+1.25", "0.5", {"Spike", longText}) +
                        Tal("-0.25", std::nullopt, {"Spike"}) + Tal("+0.75", std::nullopt, {"Bad \xFF"})});
  ASSERT_EQ(Open(writer.FileBytes()), S_OK);

  std::int32_t typeTableSize = 0;
  auto packets = Packets();
  ASSERT_EQ(packets->GetPacketSize(reader::kEventTypeTableKind, &typeTableSize), S_OK);
  Bytes table(static_cast<std::size_t>(typeTableSize));
  ASSERT_EQ(packets->ReadPacket(reader::kEventTypeTableKind, typeTableSize, table.data()), S_OK);
  ASSERT_EQ(Get<std::uint32_t>(table.data(), 744), 3u);
  struct Type {
    std::u16string text1;
    std::string utf8;
  };
  const Type types[] = {{u"Spike", "Spike"}, {u"Bad \uFFFD", "Bad \xFF"},
                        {std::u16string(254, u'a'), longText}};
  for (std::size_t i = 0; i < 3; ++i) {
    const BYTE* entry = table.data() + kEventTypeTableHeaderBytes + kEventTypeEntryBytes * i;
    EXPECT_EQ(Get<GUID>(entry, event_type_entry::kTypeGuid),
              open_formats::NameBasedGuid(types[i].utf8))
        << i;
    EXPECT_EQ(TextAt(entry, event_type_entry::kText1, 256), types[i].text1) << i;
    EXPECT_EQ(TextAt(entry, event_type_entry::kText2, 304), u"EDF Annotations") << i;
  }

  auto events = Events();
  std::int32_t count = 0;
  ASSERT_EQ(events->CountEvents(&count), S_OK);
  ASSERT_EQ(count, 4);
  struct Expected {
    std::int64_t second;
    double fraction;
    double duration;
    std::u16string label;
    std::size_t type;
  };
  const Expected expected[] = {{-1, 0.75, 0.0, u"Spike", 0},
                               {0, 0.75, 0.0, u"Bad \uFFFD", 1},
                               {1, 0.25, 0.5, u"Spike", 0},
                               {1, 0.25, 0.5, std::u16string(254, u'a') + u"\U0001F600", 2}};
  std::vector<BYTE*> records;
  for (std::int32_t i = 0; i < count; ++i) {
    BYTE* record = nullptr;
    ASSERT_EQ(events->GetEventPacket(i, &record), S_OK);
    records.push_back(record);
    const Expected& e = expected[i];
    EXPECT_EQ(std::memcmp(record, &reader::kEventRecordKind, 16), 0);
    EXPECT_EQ(Get<double>(record, event_record::kTimeDays), DayOf(kHeaderStartSecond + e.second)) << i;
    EXPECT_EQ(Get<double>(record, event_record::kTimeSeconds), e.fraction) << i;
    EXPECT_EQ(Get<double>(record, event_record::kDuration), e.duration) << i;
    const auto capacity = Get<std::int64_t>(record, event_record::kLabelCapacity);
    EXPECT_EQ(capacity % 4, 0) << i;
    EXPECT_GT(capacity, static_cast<std::int64_t>(e.label.size())) << i;
    EXPECT_EQ(Get<std::uint64_t>(record, 16), event_record::kLabel + 2 * static_cast<std::uint64_t>(capacity));
    EXPECT_EQ(TextAt(record, event_record::kLabel, static_cast<std::size_t>(capacity)), e.label) << i;
    const BYTE* entry = table.data() + kEventTypeTableHeaderBytes + kEventTypeEntryBytes * e.type;
    EXPECT_EQ(std::memcmp(record + event_record::kTypeGuid, entry, 16), 0) << i;
  }
  BYTE* untouched = reinterpret_cast<BYTE*>(&count);
  EXPECT_EQ(events->GetEventPacket(count, &untouched), E_INVALIDARG);
  EXPECT_EQ(events->GetEventPacket(-1, &untouched), E_INVALIDARG);
  EXPECT_EQ(untouched, reinterpret_cast<BYTE*>(&count));
  // The bytes outlive the interface that handed them out.
  events.reset();
  BYTE* again = nullptr;
  ASSERT_EQ(Events()->GetEventPacket(3, &again), S_OK);
  EXPECT_EQ(again, records[3]);
  EXPECT_EQ(storageMan->CloseRecording(), S_OK);
  EXPECT_EQ(Events()->CountEvents(&count), E_UNEXPECTED);
}

// The thread's error object after OpenRecording, as a host reads it: its description, or
// nullopt when the thread holds none.
std::optional<std::u16string> TakeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK) return std::nullopt;
  GUID guid{};
  EXPECT_EQ(info->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, reader::kStorageManInterfaceId));
  BSTR description = nullptr;
  EXPECT_EQ(info->GetDescription(&description), S_OK);
  std::u16string text(description, description + SysStringLen(description));
  SysFreeString(description);
  return text;
}

// An object an earlier call left, which no open may let survive.
void LeaveStaleErrorObject() {
  ComPtr<ICreateErrorInfo> stale;
  ASSERT_EQ(CreateErrorInfo(stale.put()), S_OK);
  std::u16string text = u"stale";
  ASSERT_EQ(stale->SetDescription(text.data()), S_OK);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(stale->QueryInterface(IID_IErrorInfo, info.put_void()), S_OK);
  ASSERT_EQ(SetErrorInfo(0, info.get()), S_OK);
}

struct OpenMessageCase {
  const char* name;
  std::string (*bytes)();
  HRESULT result;
  std::optional<std::u16string> description;
};

void PrintTo(const OpenMessageCase& c, std::ostream* out) { *out << c.name; }

class OpenMessageTest : public ComponentTest,
                        public ::testing::WithParamInterface<OpenMessageCase> {};

// A refusal's reason, the warnings of a forgiving open one a line, and nothing after a clean
// open.
TEST_P(OpenMessageTest, LeavesTheReasonOrTheWarningsOrNothing) {
  LeaveStaleErrorObject();
  EXPECT_EQ(Open(GetParam().bytes()), GetParam().result);
  EXPECT_EQ(TakeErrorDescription(), GetParam().description);
}

EdfWriter WithDigitalRange(EdfWriter writer, const char* minimum, const char* maximum) {
  writer.signals[0].digitalMinimum = minimum;
  writer.signals[0].digitalMaximum = maximum;
  return writer;
}

EdfWriter WithRecordCount(EdfWriter writer, const char* count) {
  writer.header.recordCount = count;
  return writer;
}

// PlainEdf: 3 records of 12 bytes ("EEG Fz" 4 samples, "EEG Cz" 2).
INSTANTIATE_TEST_SUITE_P(
    Edf, OpenMessageTest,
    ::testing::Values(
        OpenMessageCase{"Clean", [] { return edf_test::PlainEdf().FileBytes(); }, S_OK,
                        std::nullopt},
        OpenMessageCase{"UnknownCountIsNoFault",
                        [] { return WithRecordCount(edf_test::PlainEdf(), "-1").FileBytes(); },
                        S_OK, std::nullopt},
        OpenMessageCase{"FewerRecordsThanPromised",
                        [] { return WithRecordCount(edf_test::PlainEdf(), "5").FileBytes(); },
                        S_OK, u"the header gives 5 data records but the file holds 3 complete "
                              u"ones; those are read"},
        OpenMessageCase{"BytesAfterTheLastRecord",
                        [] { return edf_test::PlainEdf().FileBytes() + "12345"; }, S_OK,
                        u"5 bytes after the last data record are not read (a data record is 12 "
                        u"bytes)"},
        OpenMessageCase{"DigitalMinimumAboveMaximum",
                        [] {
                          return WithRecordCount(WithDigitalRange(edf_test::PlainEdf(), "100", "-100"),
                                                 "4")
                              .FileBytes();
                        },
                        S_OK,
                        u"signal 1 (\"EEG Fz\"): the digital minimum 100 is above the maximum -100\n"
                        u"the header gives 4 data records but the file holds 3 complete ones; "
                        u"those are read"},
        OpenMessageCase{"EqualDigitalBoundsAreNoFault",
                        [] { return WithDigitalRange(edf_test::PlainEdf(), "7", "7").FileBytes(); },
                        S_OK, std::nullopt},
        OpenMessageCase{"Refused", [] { return std::string("0       X"); }, E_FAIL,
                        u"the file is shorter than the 256-byte EDF header"}),
    [](const auto& info) { return std::string(info.param.name); });

// StorageMan says that its own interface leaves error objects, and no other does.
TEST_F(ComponentTest, SupportsErrorInfoForItsOwnInterface) {
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(storageMan->QueryInterface(IID_ISupportErrorInfo, support.put_void()), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(reader::kStorageManInterfaceId), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(reader::kStorageManClassId), S_FALSE);
  // One object: its other interface leads back to StorageMan.
  ComPtr<reader::StorageManInterface> back;
  ASSERT_EQ(support->QueryInterface(reader::kStorageManInterfaceId, back.put_void()), S_OK);
  EXPECT_EQ(back.get(), storageMan.get());
}

}  // namespace

// The event type table: a type per distinct annotation text while there are few, else types for
// the most frequent texts and one shared type for the rest.
#include <gtest/gtest.h>

#include <cstring>

#include "edf_test_files.h"
#include "formats/edf/edf_format.h"
#include "formats/format_registry.h"
#include "packets/name_based_guid.h"
#include "packets/packet_builders.h"
#include "packets/packet_layout.h"
#include "wfdb_writer.h"

namespace {

using model::kSharedAnnotationTypeText;
using open_formats::kMostTextTypes;
using namespace packet_layout;

struct TypeEntry {
  GUID guid;
  std::string text1;  // ASCII in these tests
  std::string text2;
};

std::string AsciiAt(const std::vector<std::byte>& bytes, std::size_t offset) {
  std::string text;
  for (std::size_t at = offset; at + 1 < bytes.size(); at += 2) {
    char16_t unit;
    std::memcpy(&unit, bytes.data() + at, 2);  // UTF-16 little-endian, possibly unaligned
    if (unit == 0) break;
    text.push_back(static_cast<char>(unit));
  }
  return text;
}

std::vector<TypeEntry> Entries(const std::vector<std::byte>& table) {
  std::uint32_t count = 0;
  std::memcpy(&count, table.data() + kEventTypeTableHeaderBytes - 8, 4);  // entryCount
  std::vector<TypeEntry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kEventTypeTableHeaderBytes + kEventTypeEntryBytes * i;
    TypeEntry e{};
    std::memcpy(&e.guid, table.data() + entry + event_type_entry::kTypeGuid, sizeof(GUID));
    e.text1 = AsciiAt(table, entry + event_type_entry::kText1);
    e.text2 = AsciiAt(table, entry + event_type_entry::kText2);
    entries.push_back(e);
  }
  return entries;
}

// One annotation per text, in this order, 0.01 s apart, in the annotation signal `signals[i]`
// (0 or 1) of a two-annotation-signal EDF+C; each record holds 100 of them.
std::string FileWith(const std::vector<std::string>& texts, const std::vector<int>& signals) {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(1200);
  writer.AddAnnotationSignal(1200);
  const std::size_t records = texts.size() / 100 + 1;
  for (std::size_t record = 0; record < records; ++record) {
    std::string first = edf_writer::TimeKeepingTal("+" + std::to_string(record));
    std::string second;
    for (std::size_t i = record * 100; i < std::min(texts.size(), record * 100 + 100); ++i) {
      const std::string onset = "+" + std::to_string(i / 100) + "." + std::to_string(i % 100 / 10) + std::to_string(i % 10);
      (signals[i] == 0 ? first : second) += edf_writer::Tal(onset, std::nullopt, {texts[i]});
    }
    writer.AddRecord({std::vector<std::int16_t>{1}, first, second});
  }
  return writer.FileBytes();
}

struct TypesCase {
  const char* name;
  std::vector<std::string> texts;  // one event each, in time order
  std::vector<int> signals;        // empty: all in the first annotation signal
  // Per event, the type it must get: its own text's, or the shared one.
  std::vector<std::string> expectedType1;
  std::size_t expectedTypes;
};

std::vector<std::string> Numbered(const char* prefix, std::size_t count) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < count; ++i) texts.push_back(prefix + std::to_string(i));
  return texts;
}

TypesCase FewTexts() {
  return {"FewTexts", {"B", "A", "B", "C", "A"}, {}, {"B", "A", "B", "C", "A"}, 3};
}

TypesCase ExactlyTheCap() {
  auto texts = Numbered("T", kMostTextTypes);
  return {"ExactlyTheCap", texts, {}, texts, kMostTextTypes};
}

// One text more than the cap, each once: the last one seen shares.
TypesCase OneOverTheCap() {
  auto texts = Numbered("T", kMostTextTypes + 1);
  auto expected = texts;
  expected.back() = kSharedAnnotationTypeText;
  return {"OneOverTheCap", texts, {}, expected, kMostTextTypes + 1};
}

// A text seen late but often keeps its type; the rarest texts seen last share.
TypesCase FrequencyBeatsOrder() {
  auto texts = Numbered("T", 200);
  auto expected = texts;
  for (std::size_t i = kMostTextTypes - 1; i < 200; ++i) expected[i] = kSharedAnnotationTypeText;
  for (int i = 0; i < 3; ++i) {
    texts.push_back("Late");
    expected.push_back("Late");
  }
  return {"FrequencyBeatsOrder", texts, {}, expected, kMostTextTypes + 1};
}

// One shared type serves every annotation signal, so that a file with many of them cannot make
// the table (copied for every event listed) grow with the file.
TypesCase SharedTypeAcrossSignals() {
  auto texts = Numbered("T", kMostTextTypes + 4);
  std::vector<int> signals(texts.size(), 0);
  signals[kMostTextTypes + 1] = 1;
  signals[kMostTextTypes + 3] = 1;
  auto expected = texts;
  for (std::size_t i = kMostTextTypes; i < texts.size(); ++i)
    expected[i] = kSharedAnnotationTypeText;
  return {"SharedTypeAcrossSignals", texts, signals, expected, kMostTextTypes + 1};
}

class EventTypesTest : public ::testing::TestWithParam<TypesCase> {};

TEST_P(EventTypesTest, GivesEachEventItsTextsTypeOrTheSharedOne) {
  const TypesCase& c = GetParam();
  const std::vector<int> signals = c.signals.empty() ? std::vector<int>(c.texts.size(), 0) : c.signals;
  edf_test::TemporaryDirectory directory;
  auto opened = edf::Open(directory.Write("file.edf", FileWith(c.texts, signals)));
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  const model::Recording& recording = opened.Value();
  ASSERT_EQ(recording.events.size(), c.texts.size());

  const open_formats::EventTypes types = open_formats::BuildEventTypes(recording);
  const std::vector<TypeEntry> entries = Entries(types.table);
  EXPECT_EQ(entries.size(), c.expectedTypes);
  const TypeEntry* sharedType = nullptr;
  for (std::size_t i = 0; i < c.texts.size(); ++i) {
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const TypeEntry& e) {
      return std::memcmp(&e.guid, &types.typeOfEvent[i], sizeof(GUID)) == 0;
    });
    ASSERT_NE(entry, entries.end()) << "event " << i << " has a type that is not in the table";
    EXPECT_EQ(entry->text1, c.expectedType1[i]) << "event " << i;
    EXPECT_EQ(entry->text2, "EDF Annotations") << "event " << i;
    if (entry->text1 == kSharedAnnotationTypeText) {
      if (!sharedType) sharedType = &*entry;
      EXPECT_EQ(sharedType, &*entry) << "event " << i << " of signal " << signals[i];
    } else {
      const GUID named = open_formats::NameBasedGuid(c.texts[i]);
      EXPECT_EQ(std::memcmp(&entry->guid, &named, sizeof(GUID)), 0) << "event " << i;
    }
  }
  // No two entries share a GUID: the library finds a type by its first match only.
  for (std::size_t a = 0; a < entries.size(); ++a) {
    for (std::size_t b = a + 1; b < entries.size(); ++b) {
      EXPECT_NE(std::memcmp(&entries[a].guid, &entries[b].guid, sizeof(GUID)), 0) << a << " and " << b;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, EventTypesTest,
                         ::testing::Values(FewTexts(), ExactlyTheCap(), OneOverTheCap(), FrequencyBeatsOrder(),
                                           SharedTypeAcrossSignals()),
                         [](const auto& info) { return std::string(info.param.name); });

// Few texts keep the grouping they always had: one type per text, in order of first appearance.
TEST(EventTypesOrderTest, FewTextsAreTypedInOrderOfFirstAppearance) {
  edf_test::TemporaryDirectory directory;
  auto opened =
      edf::Open(directory.Write("file.edf", FileWith({"B", "A", "B", "C"}, {0, 0, 0, 0})));
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  const std::vector<TypeEntry> entries =
      Entries(open_formats::BuildEventTypes(opened.Value()).table);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text1, "B");
  EXPECT_EQ(entries[1].text1, "A");
  EXPECT_EQ(entries[2].text1, "C");
}

// The cap is one rule for every format: past it, every kind shares one type, however many of
// a format's sources (annotation signals, annotators) hold them.
TEST(EventTypesOrderTest, KindsPastTheCapShareOneTypeInEveryFormat) {
  edf_test::TemporaryDirectory directory;
  directory.Write("r.hea", "r 1 100 10\nr.dat 16 200 16 0 0 0 0 ECG\n");
  directory.Write("r.dat", std::string(20, '\0'));
  // 40 codes in each of two annotators: 80 (annotator, code) kinds.
  for (const char* annotator : {"atr", "qrs"}) {
    std::vector<wfdb_test::WrittenAnnotation> annotations;
    for (int code = 1; code <= 40; ++code) annotations.push_back({code, code});
    directory.Write(std::string("r.") + annotator, wfdb_test::AnnotationFile(annotations));
  }
  auto wfdb = formats::OpenRecordingFile(directory.path() / "r.hea");
  ASSERT_TRUE(wfdb.Ok()) << wfdb.Reason();
  ASSERT_EQ(wfdb.Value().eventKinds.size(), 80u);
  auto edf = edf::Open(directory.Write("file.edf", FileWith(Numbered("T", 80), std::vector<int>(80, 0))));
  ASSERT_TRUE(edf.Ok()) << edf.Reason();
  for (const model::Recording* recording : {&wfdb.Value(), &edf.Value()}) {
    const std::vector<TypeEntry> entries = Entries(open_formats::BuildEventTypes(*recording).table);
    ASSERT_EQ(entries.size(), kMostTextTypes + 1);
    EXPECT_EQ(entries.back().text1, kSharedAnnotationTypeText);
  }
}

}  // namespace

// The library's class, interface and packet-kind ids against their text form in the
// component's documentation, spelled here apart from the declarations: a wrong byte in
// reader_ids.h fails here, whatever the fake component and the packet tests take from it.
#include <gtest/gtest.h>

#include <string>

#include "fake_component.h"
#include "reader/reader_ids.h"

namespace {

struct IdCase {
  const char* name;
  GUID id;
  std::string text;
};

class ReaderIdTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(ReaderIdTest, IsTheDocumentedId) {
  EXPECT_EQ(fake::FormatGuid(GetParam().id), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, ReaderIdTest,
    ::testing::Values(
        IdCase{"StorageManClass", reader::kStorageManClassId,
               "{57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}"},
        IdCase{"StorageManInterface", reader::kStorageManInterfaceId,
               "{18F60508-0347-4884-9D0C-F1307B8C029E}"},
        IdCase{"TsInfo", reader::kTsInfoKind, "{A271CCCB-515D-4590-B6A1-DC170C8D6EE2}"},
        IdCase{"SensorInfo", reader::kSensorInfoKind, "{30950D98-C39C-4352-AF3E-CB17D5B93DED}"},
        IdCase{"EventTypeTable", reader::kEventTypeTableKind,
               "{C728E565-E5A0-4419-93D2-F6CFC69F3B8F}"},
        IdCase{"EventRecord", reader::kEventRecordKind, "{B799F680-72A4-11D3-93D3-00500400C148}"},
        IdCase{"SampleBlock", reader::kSampleBlockKind, "{291E2381-B3B4-44D1-BB77-8CF5C24420D7}"},
        IdCase{"SixteenBitSamples", reader::kSixteenBitSampleKind,
               "{AF2B3281-7FCE-11D2-B2DE-00104B6FC652}"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

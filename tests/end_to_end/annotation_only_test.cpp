// EDF+ files whose data records hold only annotations, with the record duration 0 that EDF+
// allows for them: no segment (records that span no time hold no window), their events in full,
// and not one report on the console.
#include <gtest/gtest.h>

#include "edf_test_files.h"
#include "host_fixture.h"

namespace end_to_end {
namespace {

using edf_writer::Tal;
using edf_writer::TimeKeepingTal;

class AnnotationOnlyTest : public HostTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AnnotationOnlyTest, OpensWithoutSegmentsAndListsItsEventsSilently) {
  edf_writer::EdfWriter writer;
  writer.header.reserved = GetParam();
  writer.header.recordDuration = "0";
  writer.AddAnnotationSignal(30);
  writer.AddRecord({TimeKeepingTal("+0") + Tal("+1", std::nullopt, {"A"})});
  writer.AddRecord({TimeKeepingTal("+60") + Tal("+61", "2", {"B"})});
  writer.AddRecord({TimeKeepingTal("+30") + Tal("+30.5", std::nullopt, {"C"})});  // any order
  const std::string path = WriteFile(writer.FileBytes());
  int segments = -1, result = -1, events = -1;
  EXPECT_EQ(ConsoleOutputOf([&] {
              result = OpenEx(path.c_str(), &segments);
              GetEventCount(&events);
              for (int i = 0; i < events; ++i) {
                int type = -1;
                char text1[33] = {}, text2[33] = {}, label[33] = {};
                double duration = -1, time = -1;
                EXPECT_EQ(GetEvents(i, &type, text1, text2, label, &duration, &time), 1);
                EXPECT_EQ(std::string(label), std::string(1, "ACB"[i])) << i;
              }
            }),
            "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(segments, 0);
  EXPECT_EQ(events, 3);
}

INSTANTIATE_TEST_SUITE_P(Variants, AnnotationOnlyTest, ::testing::Values("EDF+C", "EDF+D"));

}  // namespace
}  // namespace end_to_end

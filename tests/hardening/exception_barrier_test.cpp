// No export lets an exception through: whichever component operation raises, a component
// error or an exception of another type, every export returns one of its documented results
// and every reference it obtained is released (the fixture checks the component at the end).
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <tuple>

#include "hostile_fixture.h"

namespace {

using fake::Operation;

struct NamedOperation {
  Operation operation;
  const char* name;
};

// Creation cannot raise through the fake; every other operation can.
const NamedOperation kOperations[] = {
    {Operation::GetSegmentInterface, "GetSegmentInterface"},
    {Operation::GetPacketInterface, "GetPacketInterface"},
    {Operation::GetEventInterface, "GetEventInterface"},
    {Operation::OpenRecording, "OpenRecording"},
    {Operation::CloseRecording, "CloseRecording"},
    {Operation::GetSegmentCount, "GetSegmentCount"},
    {Operation::GetSegmentStart, "GetSegmentStart"},
    {Operation::GetSegmentEnd, "GetSegmentEnd"},
    {Operation::GetSegmentDuration, "GetSegmentDuration"},
    {Operation::FindSegment, "FindSegment"},
    {Operation::SecondsToDate, "SecondsToDate"},
    {Operation::ReadSamples, "ReadSamples"},
    {Operation::GetSampleChannelCount, "GetSampleChannelCount"},
    {Operation::GetSampleCount, "GetSampleCount"},
    {Operation::GetTimedPacketSize, "GetTimedPacketSize"},
    {Operation::ReadTimedPacket, "ReadTimedPacket"},
    {Operation::GetPacketSize, "GetPacketSize"},
    {Operation::ReadPacket, "ReadPacket"},
    {Operation::GetEventPacket, "GetEventPacket"},
    {Operation::CountEvents, "CountEvents"},
};

enum class Raised { ComponentError, BadAlloc };

class ExceptionBarrierTest : public hardening::HostileTest,
                             public ::testing::WithParamInterface<std::tuple<NamedOperation, Raised>> {
 protected:
  void RaiseFromNowOn() {
    const auto [named, raised] = GetParam();
    if (raised == Raised::ComponentError) {
      component.Raise(named.operation, {E_UNEXPECTED, true, u"Source %s", u"Description %n"});
    } else {
      component.On(named.operation).raisesBadAlloc = true;
    }
  }
};

TEST_P(ExceptionBarrierTest, EveryExportReturnsADocumentedResult) {
  ServeWholeRecording();
  OpenRecording();
  RaiseFromNowOn();
  ConsoleOutputOf([&] {
    try {
      CallEveryQuery();
      EXPECT_EQ(library->Close(), 1);
      int segmentCount = -7;
      const int opened = library->OpenEx("again.edf", &segmentCount);
      EXPECT_TRUE(opened == 0 || opened == 1) << opened;
      if (opened == 0) {
        EXPECT_EQ(segmentCount, -7);
      }
      EXPECT_EQ(library->Close(), 1);
    } catch (...) {
      ADD_FAILURE() << "an exception left an export";
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperation, ExceptionBarrierTest,
    ::testing::Combine(::testing::ValuesIn(kOperations), ::testing::Values(Raised::ComponentError, Raised::BadAlloc)),
    [](const ::testing::TestParamInfo<ExceptionBarrierTest::ParamType>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == Raised::ComponentError ? "_ComponentError" : "_BadAlloc");
    });

}  // namespace

// The packet-failure report, called directly as the exports that read packets call it.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "api/failure_report.h"
#include "stdout_capture.h"

namespace {

std::string ContentsOf(std::FILE* stream) {
  std::string bytes;
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes += static_cast<char>(c);
  return bytes;
}

struct PacketWordCase {
  const OLECHAR* word;
  std::string message;
};

class ReportPacketFailureTest : public ::testing::TestWithParam<PacketWordCase> {};

TEST_P(ReportPacketFailureTest, WritesMessageThenPausesAndReturnsFalse) {
  support::StdoutCapture capture;
  const bool result = api::ReportPacketFailure(api::diagnosticStream, GetParam().word);
  EXPECT_EQ(capture.Finish(), support::ConsoleLines(GetParam().message) + support::PausePrompt());
  EXPECT_FALSE(result);
}

TEST_P(ReportPacketFailureTest, CopiesTheMessageToAGivenStream) {
  std::FILE* stream = support::TextTemporaryFile();
  ASSERT_NE(stream, nullptr);
  support::StdoutCapture capture;
  EXPECT_FALSE(api::ReportPacketFailure(stream, GetParam().word));
  EXPECT_EQ(capture.Finish(), support::ConsoleLines(GetParam().message) + support::PausePrompt());
  // Read back in the mode it was written in, as a host reads its log.
  EXPECT_EQ(ContentsOf(stream), GetParam().message);
  std::fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ReportPacketFailureTest,
    ::testing::Values(
        PacketWordCase{OLESTR("TsInfo"), "ERROR in TsInfo packet please contact SDK provider for support\n\n"},
        PacketWordCase{OLESTR("SensorInfo"), "ERROR in SensorInfo packet please contact SDK provider for support\n\n"},
        PacketWordCase{OLESTR("GetData"), "ERROR in GetData packet please contact SDK provider for support\n\n"},
        PacketWordCase{OLESTR("100%d"), "ERROR in 100%d packet please contact SDK provider for support\n\n"}));

}  // namespace

// No export hangs on its pause: when standard input is not a terminal the failure report's
// pause writes its prompt and returns at once, even when standard input is a pipe that would
// block any read for ever. Each case runs in a child process whose output the test reads
// with a deadline.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "hostile_fixture.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(30);
// The pause as it appears without a terminal: the prompt, then the line end it would have
// waited for.
const std::string kPausePrompt = "Press any key to continue . . . \n";

struct ChildResult {
  bool finished = false;
  int exitCode = -1;
  std::string output;
};

// Runs `body` in a child whose standard input is a pipe nobody writes to and whose standard
// output comes back to the test; the child exits with the body's result. Kills the child when
// it is not done by the deadline.
ChildResult RunWithSilentInput(const std::function<int()>& body) {
  int input[2], output[2];
  if (pipe(input) != 0 || pipe(output) != 0) return {};
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    dup2(input[0], STDIN_FILENO);  // input[1] stays open: a read would wait for ever
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    _exit(body());
  }
  close(input[0]);
  close(output[1]);
  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd readable{output[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[256];
    const ssize_t n = read(output[0], chunk, sizeof chunk);
    if (n <= 0) {
      result.finished = true;
      break;
    }
    result.output.append(chunk, static_cast<std::size_t>(n));
  }
  if (!result.finished) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  if (result.finished && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  close(input[1]);
  close(output[0]);
  return result;
}

class PauseWithoutTerminalTest : public hardening::HostileTest {};

TEST_F(PauseWithoutTerminalTest, PacketFailureReportReturnsAtOnce) {
  ServeWholeRecording();
  component.Refuse(fake::Operation::GetTimedPacketSize, E_FAIL);
  const ChildResult result = RunWithSilentInput([&] {
    int segmentCount = 0;
    if (library->OpenEx("rec.edf", &segmentCount) != 1) return 10;
    const int channels = GetChannelCount(0);
    library->Close();
    return channels == 0 ? 0 : 11;
  });
  ASSERT_TRUE(result.finished) << "the export waited for input";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, "ERROR in TsInfo packet please contact SDK provider for support\n\n" + kPausePrompt);
}

TEST_F(PauseWithoutTerminalTest, CreationFailureReturnsAtOnce) {
  component.Refuse(fake::Operation::CreateInstance, REGDB_E_CLASSNOTREG);
  const ChildResult result = RunWithSilentInput([&] {
    int segmentCount = -7;
    return library->OpenEx("rec.edf", &segmentCount) == 0 && segmentCount == -7 ? 0 : 12;
  });
  ASSERT_TRUE(result.finished) << "OpenEx waited for input";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output,
            "Creation of StorageMan failed\nMake sure that\n\tOrbinet.dll\n\tPlexwood.dll\n"
            "\tKelvane.dll and\n\tMurrow.dll\nare properly registered!\n" + kPausePrompt);
}

}  // namespace

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "stdout_capture.h"

namespace {

using support::StdoutCapture;

std::string ReadAll(int descriptor) {
  std::string bytes;
  char chunk[256];
  ssize_t n;
  while ((n = read(descriptor, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<std::size_t>(n));
  return bytes;
}

// Standard input is /dev/null for the test, as for a host without a console.
class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInput = dup(STDIN_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    close(null);
  }
  void TearDown() override {
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
  }

  int savedInput = -1;
};

TEST_F(ConsoleTest, WritesUtf8AfterTheHostsBufferedOutput) {
  StdoutCapture capture;
  std::printf("host ");  // still in the stdio buffer
  platform::WriteConsoleText(u"Gr\u00FC\u00DFe \U0001D11E\n\t%d\xD800.");
  EXPECT_EQ(capture.Finish(), "host Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E\n\t%d\xEF\xBF\xBD.");
}

TEST_F(ConsoleTest, WritesLongTextWhole) {
  std::u16string text;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    text += static_cast<char16_t>(u'a' + i % 26);
    text += u"\u20AC";
    expected += static_cast<char>('a' + i % 26);
    expected += "\xE2\x82\xAC";
  }
  StdoutCapture capture;
  platform::WriteConsoleText(text.c_str());
  EXPECT_EQ(capture.Finish(), expected);
}

// With one unit ahead of them, the pairs straddle every boundary of the converted slices.
TEST_F(ConsoleTest, LongTextKeepsSurrogatePairsWhole) {
  std::u16string text = u"a";
  std::string expected = "a";
  for (int i = 0; i < 1000; ++i) {
    text += u"\U0001D11E";
    expected += "\xF0\x9D\x84\x9E";
  }
  text += u"\xD800";
  expected += "\xEF\xBF\xBD";
  StdoutCapture capture;
  platform::WriteConsoleText(text.c_str());
  EXPECT_EQ(capture.Finish(), expected);
}

TEST_F(ConsoleTest, NullTextWritesNothing) {
  StdoutCapture capture;
  platform::WriteConsoleText(nullptr);
  platform::WriteStreamText(stdout, nullptr);
  EXPECT_EQ(capture.Finish(), "");
}

TEST_F(ConsoleTest, PauseDoesNotWaitWithoutTerminal) {
  StdoutCapture capture;
  platform::Pause();
  EXPECT_EQ(capture.Finish(), "Press any key to continue . . . \n");
}

// Runs `body` in a child process whose stdout is a fresh stream on a new file, so its
// orientation starts undecided; returns what the child wrote, or a note of its failure.
template <typename Body>
std::string OutputOfChild(Body body) {
  char path[] = "/tmp/tapline-console-XXXXXX";
  const int file = mkstemp(path);
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen(path, "w", stdout) == nullptr) _exit(90);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  std::string bytes = ReadAll(file);
  close(file);
  unlink(path);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: " + std::to_string(status);
  return bytes;
}

TEST_F(ConsoleTest, LeavesUndecidedStdoutUndecided) {
  EXPECT_EQ(OutputOfChild([] {
              platform::WriteConsoleText(u"text");
              if (std::fwide(stdout, 0) != 0) return 1;
              std::printf(" then bytes");
              return std::fflush(stdout);
            }),
            "text then bytes");
}

TEST_F(ConsoleTest, LeavesWideStdoutWide) {
  EXPECT_EQ(OutputOfChild([] {
              std::wprintf(L"wide ");
              platform::WriteConsoleText(u"text");
              if (std::fwide(stdout, 0) <= 0) return 1;
              std::wprintf(L" again");
              return std::fflush(stdout);
            }),
            "wide text again");
}

TEST_F(ConsoleTest, StreamGetsBytesOrWideCharacters) {
  std::FILE* bytes = std::tmpfile();
  platform::WriteStreamText(bytes, u"ERROR in \u00C9 packet\n\n");
  std::rewind(bytes);
  EXPECT_EQ(ReadAll(fileno(bytes)), "ERROR in \xC3\x89 packet\n\n");
  std::fclose(bytes);

  std::FILE* wide = std::tmpfile();
  ASSERT_GT(std::fwide(wide, 1), 0);
  platform::WriteStreamText(wide, u"ab\U0001D11E");
  EXPECT_GT(std::fwide(wide, 0), 0);
  std::rewind(wide);
  wchar_t read[4] = {};
  ASSERT_NE(std::fgetws(read, 4, wide), nullptr);  // the C locale passes code points through
  std::fclose(wide);
}

// Runs Pause on a pseudo-terminal: it must wait for a key and restore the terminal's modes.
TEST(PauseOnTerminalTest, WaitsForOneKeyAndRestoresTheTerminal) {
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    termios before{};
    tcgetattr(STDIN_FILENO, &before);
    platform::Pause();
    termios after{};
    tcgetattr(STDIN_FILENO, &after);
    _exit(before.c_lflag == after.c_lflag ? 0 : 1);
  }
  std::string shown;
  char chunk[64];
  while (shown.find(". . . ") == std::string::npos) {
    const ssize_t n = read(terminal, chunk, sizeof chunk);
    ASSERT_GT(n, 0);
    shown.append(chunk, static_cast<std::size_t>(n));
  }
  usleep(100000);  // long enough for a child that does not wait to end
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "Pause returned without a key";
  ASSERT_EQ(write(terminal, "k", 1), 1);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (ssize_t n; (n = read(terminal, chunk, sizeof chunk)) > 0;) shown.append(chunk, static_cast<std::size_t>(n));
  close(terminal);
  EXPECT_EQ(shown, "Press any key to continue . . . \r\n");  // the terminal turns \n into \r\n; no echo
}

}  // namespace

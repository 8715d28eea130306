// Entry point of every test program: no test may wait on a terminal, and none may see the
// user's class registry.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // A pause waits for a key only when standard input is a terminal.
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull < 0 || dup2(devNull, STDIN_FILENO) < 0) {
    std::perror("redirecting standard input");
    return 2;
  }
  close(devNull);

  // An empty data directory: classes are found only where a test registers them.
  char dataHome[] = "/tmp/tapline-test-XXXXXX";
  if (mkdtemp(dataHome) == nullptr || setenv("XDG_DATA_HOME", dataHome, 1) != 0) {
    std::perror("creating a private data directory");
    return 2;
  }

  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  // The registry creates at most a folder or two below the directory; leave nothing behind.
  std::system(("rm -rf '" + std::string(dataHome) + "'").c_str());
  return result;
}

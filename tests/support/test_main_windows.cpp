// Entry point of every test program under Windows: no test may wait on a console. Classes are
// registered in-process by the tests themselves, so no private registry is needed.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // "pause" returns at once when standard input is not a console. _dup2 also sets the
  // system's standard input handle, which the command interpreter inherits.
  const int nullDevice = _open("NUL", _O_RDONLY);
  if (nullDevice < 0 || _dup2(nullDevice, 0) != 0) {
    std::perror("redirecting standard input");
    return 2;
  }
  _close(nullDevice);

  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

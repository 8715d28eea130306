// Run by .ci/windows before the Windows tests, with its output sent to the null device: its
// COM initialisation starts Wine's desktop process once, with nothing to inherit, instead of
// the first test's COM call starting it attached to CTest's output pipe (which then stalls
// every test until the desktop process goes). Sleeps for the given seconds (default 1800), so
// it ends by itself if nothing stops it.
#include <cstdlib>

#include "platform/platform.h"

int main(int argc, char** argv) {
  const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1800;
  if (FAILED(CoInitialize(nullptr))) return 1;
  Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 0) * 1000);
  CoUninitialize();
  return 0;
}

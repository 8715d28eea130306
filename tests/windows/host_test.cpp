// tapline.dll as a host meets it on Windows: loaded by name from its folder, every export
// found undecorated, and StorageMan created through the system's COM runtime.
#include <gtest/gtest.h>

#include <string>

#include "loaded_library.h"
#include "platform/platform.h"
#include "stdout_capture.h"
#include "storage_man_registration.h"

namespace {

using support::LoadedLibrary;
using support::StdoutCapture;

// The creation message as the text-mode runtime writes it, every line feed as CR LF.
const std::string kCreationFailedBytes =
    "Creation of StorageMan failed\r\nMake sure that\r\n\tOrbinet.dll\r\n\tPlexwood.dll\r\n"
    "\tKelvane.dll and\r\n\tMurrow.dll\r\nare properly registered!\r\n";
const std::string kPausePromptStart = "Press any key to continue";

TEST(HostLoadTest, FindsEveryExportByItsPlainName) {
  LoadedLibrary library("tapline.dll");
  EXPECT_TRUE(library.IsLoaded());
}

TEST(HostLoadTest, OpenExWithoutARegisteredComponentReportsAndLeavesComAsItWas) {
  if (windows_test::StorageManIsRegistered()) GTEST_SKIP() << "a reader component is registered here";
  LoadedLibrary library("tapline.dll");
  ASSERT_TRUE(library.IsLoaded());

  int segmentCount = -7;
  std::string written;
  {
    StdoutCapture capture;
    EXPECT_EQ(library.OpenEx("C:\\recordings\\none.edf", &segmentCount), 0);
    written = capture.Written();
  }
  EXPECT_EQ(segmentCount, -7);
  ASSERT_EQ(written.substr(0, kCreationFailedBytes.size()), kCreationFailedBytes) << written;
  EXPECT_EQ(written.compare(kCreationFailedBytes.size(), kPausePromptStart.size(), kPausePromptStart), 0)
      << written;

  // No apartment was left open: this thread's first initialisation is a fresh one.
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
  EXPECT_EQ(library.Close(), 1);
}

}  // namespace

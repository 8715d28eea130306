// A host that opens and closes recordings all day: a thousand OpenEx/Close cycles leave no
// memory, no file descriptor and no component reference behind, against the fake component
// and against the EDF reader component loaded and unloaded by class id on every cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "edf_test_files.h"
#include "hostile_fixture.h"
#include "leak_check.h"
#include "loaded_library.h"
#include "module_registration.h"

namespace {

constexpr int kCycles = 1000;

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

using OpenCloseCyclesTest = hardening::HostileTest;

TEST_F(OpenCloseCyclesTest, ThousandCyclesOverTheFakeComponentReleaseEverything) {
  ServeWholeRecording();
  const std::size_t descriptors = OpenDescriptors();
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    int segmentCount = 0;
    ASSERT_EQ(library->OpenEx("cycle.edf", &segmentCount), 1) << cycle;
    ASSERT_EQ(segmentCount, 1);
    ASSERT_EQ(GetChannelCount(0), 2);
    ASSERT_EQ(library->Close(), 1);
    ASSERT_TRUE(component.HeldObjects().empty()) << cycle << ": " << component.HeldObjects().front();
  }
  EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::StorageMan), kCycles);
  EXPECT_EQ(component.CloseRecordingCount(), kCycles);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_FALSE(hardening::LeaksFound());
}

TEST(OpenCloseCyclesEdfTest, ThousandCyclesOverTheEdfComponentReleaseEverything) {
  // Registered in the test's private registry (test_main), then left to the COM runtime,
  // which loads the module at each OpenEx and unloads it at each Close.
  ASSERT_EQ(support::RegisterModule(TAPLINE_EDF_MODULE), "");

  edf_test::TemporaryDirectory files;
  const std::string path = files.Write("plain.edf", edf_test::PlainEdf().FileBytes());
  auto library = std::make_unique<support::LoadedLibrary>(TAPLINE_LIBRARY_PATH);
  const std::size_t descriptors = OpenDescriptors();
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    int segmentCount = 0;
    ASSERT_EQ(library->OpenEx(path.c_str(), &segmentCount), 1) << cycle;
    ASSERT_EQ(segmentCount, 1);
    ASSERT_EQ(library->Close(), 1);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_TRUE(library->Unload());
  EXPECT_FALSE(hardening::LeaksFound());
}

}  // namespace

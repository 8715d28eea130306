// A fresh libtapline.so per test, loaded like a host loads it, in front of a fresh fake
// component. Every test ends with the library unloaded, no fault in the component, every
// object it handed out released, and the thread's COM apartment as the test expects it.
#pragma once

#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_component.h"
#include "loaded_library.h"
#include "stdout_capture.h"

namespace apitest {

inline bool HasApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

// Uninitialises until the thread has no apartment; returns how many initialisations were open.
inline int DrainApartment() {
  int depth = 0;
  for (; HasApartment() && depth < 100; ++depth) CoUninitialize();
  return depth;
}

inline const std::string kStorageManInterfaceId = "{18F60508-0347-4884-9D0C-F1307B8C029E}";
inline const std::string kCreateStorageMan = "StorageManClass.CreateInstance(" + kStorageManInterfaceId + ")";

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(HasApartment()) << "an earlier test left an apartment behind";
    library = std::make_unique<support::LoadedLibrary>(TAPLINE_LIBRARY_PATH);
  }

  void TearDown() override {
    if (library->IsLoaded()) {
      EXPECT_TRUE(library->Unload()) << "libtapline.so stayed loaded";
    }
    EXPECT_THAT(component.Faults(), ::testing::IsEmpty());
    EXPECT_THAT(component.HeldObjects(), ::testing::IsEmpty());
    EXPECT_EQ(DrainApartment(), apartmentDepthAtEnd);
  }

  template <typename Action>
  std::string ConsoleOutputOf(Action action) {
    support::StdoutCapture capture;
    action();
    return capture.Finish();
  }

  fake::Component component;
  std::unique_ptr<support::LoadedLibrary> library;
  // Initialisations expected to be still open on the thread after the library has gone.
  int apartmentDepthAtEnd = 0;
};

}  // namespace apitest

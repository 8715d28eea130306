// A fresh library per test, loaded like a host loads it, in front of a fresh fake
// component. Every test ends with the library unloaded, no fault in the component, every
// object it handed out released, and the thread's COM apartment as the test expects it.
#pragma once

#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_component.h"
#include "host_apartment.h"
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
    ASSERT_FALSE(hostApartment.ThreadHadOne()) << "an earlier test left an apartment behind";
    library = std::make_unique<support::LoadedLibrary>(TAPLINE_LIBRARY_PATH);
  }

  void TearDown() override {
    if (library->IsLoaded()) {
      EXPECT_TRUE(library->Unload()) << "the library stayed loaded";
    }
    EXPECT_THAT(component.Faults(), ::testing::IsEmpty());
    EXPECT_THAT(component.HeldObjects(), ::testing::IsEmpty());
    EXPECT_EQ(DrainApartment(), apartmentDepthAtEnd + hostInitialisations);
  }

  // Has the thread hold a host's apartment before the library opens its own: opened here unless
  // the fixture holds one already for the component's registration.
  void HoldAHostApartment() {
    if (hostInitialisations > 0) return;
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ++hostInitialisations;
  }

  // Whether the thread is back to the host's apartment, or to none when the host holds none.
  // Where the host holds one, this cannot see an initialisation the library left open; the
  // count at the end of every test does.
  bool OnlyTheHostsApartment() const { return HasApartment() == (hostInitialisations > 0); }

  template <typename Action>
  std::string ConsoleOutputOf(Action action) {
    support::StdoutCapture capture;
    action();
    return capture.Finish();
  }

  support::HostApartment hostApartment;  // before the component, which registers in it
  fake::Component component;
  std::unique_ptr<support::LoadedLibrary> library;
  // The library's initialisations expected to be still open on the thread after it has gone.
  int apartmentDepthAtEnd = 0;
  int hostInitialisations = hostApartment.Depth();
};

}  // namespace apitest

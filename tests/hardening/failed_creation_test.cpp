// A component whose class factory reports a success code other than S_OK and still hands out
// an object: OpenEx fails with the creation message, and the object is released instead of
// being left referenced by nobody (the fixture checks every reference at the end). After a
// failure code the out-value is no object at all: the runtime clears it without touching it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hostile_fixture.h"

namespace {

class FailedCreationTest : public hardening::HostileTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(FailedCreationTest, ObjectHandedOutAnywayIsReleased) {
  component.On(fake::Operation::CreateInstance).result = GetParam();  // the object is still written
  int segmentCount = -7;
  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("rec.edf", &segmentCount), 0); });
  EXPECT_EQ(segmentCount, -7);
  EXPECT_THAT(output, ::testing::StartsWith("Creation of StorageMan failed\n"));
  EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::StorageMan), 1);
  EXPECT_THAT(component.HeldObjects(), ::testing::IsEmpty());
}

// Success codes other than S_OK, which the library refuses.
INSTANTIATE_TEST_SUITE_P(Results, FailedCreationTest, ::testing::Values(S_FALSE, HRESULT{2}));

}  // namespace

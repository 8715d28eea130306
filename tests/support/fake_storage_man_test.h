// A test against the fake component through one StorageMan made as the library makes it: the
// fake registered in an apartment, the object created from its class id, and at the end every
// object the fake handed out released. The call log starts empty after set-up.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "com_apartment.h"
#include "fake_component.h"
#include "platform/com_ptr.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"

namespace support {

class FakeStorageManTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment.Result(), S_OK);
    ASSERT_EQ(CoCreateInstance(reader::kStorageManClassId, nullptr, CLSCTX_INPROC_SERVER,
                               reader::kStorageManInterfaceId, storageMan.put_void()),
              S_OK);
    ASSERT_TRUE(storageMan);
    component.ClearCalls();
  }
  void TearDown() override {
    storageMan.reset();
    EXPECT_THAT(component.HeldObjects(), ::testing::IsEmpty());
  }

  ComApartment apartment;  // before the component, which registers in it
  fake::Component component;
  ComPtr<reader::StorageManInterface> storageMan;
};

}  // namespace support

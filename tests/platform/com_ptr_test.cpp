#include "platform/com_ptr.h"

#include <gtest/gtest.h>

namespace {

// Counts its references; reaching zero marks it freed instead of deleting it, so a test can see
// an object that was released to zero, even if it was referenced again afterwards.
struct Counted {
  unsigned long AddRef() { return ++references; }
  unsigned long Release() {
    if (--references == 0) freed = true;
    return references;
  }
  unsigned long references = 1;  // the test's own
  bool freed = false;
};

struct CopyFromCase {
  const char* name;
  bool heldBefore;   // the pointer holds `first` before copy_from
  bool copySame;     // copy_from(first) instead of copy_from(second)
  bool copyNull;     // copy_from(nullptr)
  unsigned long firstAfter;   // first's count after copy_from, the test's reference included
  unsigned long secondAfter;
};

class ComPtrCopyFromTest : public testing::TestWithParam<CopyFromCase> {};

TEST_P(ComPtrCopyFromTest, AddsOneReferenceAndReleasesWhatWasHeld) {
  const CopyFromCase& c = GetParam();
  Counted first;
  Counted second;
  {
    ComPtr<Counted> pointer;
    if (c.heldBefore) pointer.copy_from(&first);
    Counted* source = c.copyNull ? nullptr : c.copySame ? &first : &second;
    pointer.copy_from(source);
    EXPECT_EQ(pointer.get(), source);
    EXPECT_EQ(first.references, c.firstAfter);
    EXPECT_EQ(second.references, c.secondAfter);
  }
  // The pointer's reference went back when it ended; the test's own remains.
  EXPECT_EQ(first.references, 1u);
  EXPECT_EQ(second.references, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComPtrCopyFromTest,
    testing::Values(CopyFromCase{"IntoEmpty", false, false, false, 1, 2},
                    CopyFromCase{"ReplacesAnother", true, false, false, 1, 2},
                    CopyFromCase{"SamePointerKeepsItsOneReference", true, true, false, 2, 1},
                    CopyFromCase{"NullReleasesTheHeldOne", true, false, true, 1, 1}),
    [](const testing::TestParamInfo<CopyFromCase>& info) { return std::string(info.param.name); });

// The holder's last reference: copying it onto itself must not free the object in between.
TEST(ComPtrTest, CopyFromItsOwnLastReferenceKeepsTheObject) {
  Counted object;
  ComPtr<Counted> pointer;
  pointer.attach(&object);  // adopts the test's reference: the pointer holds the only one
  pointer.copy_from(pointer.get());
  EXPECT_EQ(object.references, 1u);
  EXPECT_FALSE(object.freed);
  pointer.detach();
}

}  // namespace

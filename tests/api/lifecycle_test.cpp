// OpenEx and Close through the real exports of a freshly loaded library.
#include <new>

#include "library_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The creation message and the pause after it, as the console receives them.
std::string CreationFailedOutput() {
  return support::ConsoleLines(
             "Creation of StorageMan failed\nMake sure that\n\tOrbinet.dll\n\tPlexwood.dll\n"
             "\tKelvane.dll and\n\tMurrow.dll\nare properly registered!\n") +
         support::PausePrompt();
}

using OpenExTest = LibraryTest;

TEST_F(OpenExTest, OpensThePathAndStoresTheSegmentCount) {
  component.recording.segmentCount = 7;
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] {
    EXPECT_EQ(library->OpenEx("/data/Night 1.edf", &segmentCount), 1);
  });

  EXPECT_EQ(segmentCount, 7);
  EXPECT_EQ(output, "");
  EXPECT_THAT(component.Calls(),
              ElementsAre(kCreateStorageMan, "StorageMan#1.OpenRecording(\"/data/Night 1.edf\", 3, 0, 1)",
                          "StorageMan#1.GetSegmentInterface()", "Segment#1.GetSegmentCount()",
                          "Segment#1.Release() = 0"));
  EXPECT_TRUE(HasApartment());
  EXPECT_EQ(library->Close(), 1);
}

TEST_F(OpenExTest, PathInTheHostsCodePageReachesTheComponentUnchanged) {
  if (!support::RunsOnTheStandIn()) {
    GTEST_SKIP() << "the ANSI code page is not UTF-8 (tests/windows opens a path in code page 1252)";
  }
  int segmentCount = 0;
  EXPECT_EQ(library->OpenEx("/data/Grüße 1.edf", &segmentCount), 1);
  EXPECT_EQ(component.Calls().at(1), "StorageMan#1.OpenRecording(\"/data/Grüße 1.edf\", 3, 0, 1)");
  library->Close();
}

TEST_F(OpenExTest, NullPathReachesTheComponentAsNullString) {
  int segmentCount = 0;
  EXPECT_EQ(library->OpenEx(nullptr, &segmentCount), 1);
  EXPECT_EQ(component.Calls().at(1), "StorageMan#1.OpenRecording(null, 3, 0, 1)");
  library->Close();
}

TEST_F(OpenExTest, NoSegmentInterfaceGivesZeroSegmentsAndSucceeds) {
  component.recording.segmentCount = 4;
  component.Refuse(Operation::GetSegmentInterface, E_NOINTERFACE);
  int segmentCount = -5;

  EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 1);

  EXPECT_EQ(segmentCount, 0);
  EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::Segment), 0);
  library->Close();
}

TEST_F(OpenExTest, SegmentInterfaceHandedOutWithFailureIsReleasedUnused) {
  component.recording.segmentCount = 4;
  component.On(Operation::GetSegmentInterface).result = E_FAIL;  // still writes the pointer
  int segmentCount = -5;

  EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 1);

  EXPECT_EQ(segmentCount, 0);
  EXPECT_THAT(component.Calls(), ElementsAre(kCreateStorageMan, "StorageMan#1.OpenRecording(\"a.edf\", 3, 0, 1)",
                                             "StorageMan#1.GetSegmentInterface()", "Segment#1.Release() = 0"));
  library->Close();
}

TEST_F(OpenExTest, SegmentCountStatusIsIgnored) {
  component.recording.segmentCount = 3;
  component.On(Operation::GetSegmentCount).result = E_FAIL;
  int segmentCount = -5;
  EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  EXPECT_EQ(segmentCount, 3);
  library->Close();
}

TEST_F(OpenExTest, SegmentCountThatIsNotWrittenStaysZero) {
  component.Refuse(Operation::GetSegmentCount, E_FAIL);
  int segmentCount = -5;
  EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  EXPECT_EQ(segmentCount, 0);
  library->Close();
}

TEST_F(OpenExTest, SecondOpenExClosesAndReleasesTheFirstObjectBeforeCreating) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.ClearCalls();

  EXPECT_EQ(library->OpenEx("b.edf", &segmentCount), 1);

  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0", kCreateStorageMan,
                          "StorageMan#2.OpenRecording(\"b.edf\", 3, 0, 1)", "StorageMan#2.GetSegmentInterface()",
                          "Segment#2.GetSegmentCount()", "Segment#2.Release() = 0"));
  EXPECT_EQ(library->Close(), 1);
}

// Creation fails for a missing class, a refusal, or a success code other than S_OK.
struct CreationFailure {
  const char* name;
  HRESULT result;
  bool handsOutObject;
  bool standInPassesTheResultOn = false;  // Wine's CoCreateInstance makes a factory's S_FALSE S_OK
};

class OpenExCreationFailureTest : public LibraryTest, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(OpenExCreationFailureTest, WritesMessageAndPausePromptAndLeavesComAsBefore) {
  if (GetParam().standInPassesTheResultOn && !support::RunsOnTheStandIn()) {
    GTEST_SKIP() << "the system's CoCreateInstance does not hand this result on";
  }
  component.On(Operation::CreateInstance).result = GetParam().result;
  component.On(Operation::CreateInstance).writesOutValues = GetParam().handsOutObject;
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  EXPECT_EQ(output, CreationFailedOutput());
  EXPECT_EQ(segmentCount, -5);
  EXPECT_TRUE(OnlyTheHostsApartment());
  EXPECT_THAT(component.Calls(), ::testing::Contains(kCreateStorageMan));
}

INSTANTIATE_TEST_SUITE_P(Results, OpenExCreationFailureTest,
                         ::testing::Values(CreationFailure{"NotRegistered", REGDB_E_CLASSNOTREG, false},
                                           CreationFailure{"OutOfMemory", E_OUTOFMEMORY, false},
                                           CreationFailure{"FalseWithObject", S_FALSE, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenExTest, CreationFailureKeepsTheHostsApartment) {
  HoldAHostApartment();
  component.Refuse(Operation::CreateInstance, REGDB_E_CLASSNOTREG);
  int segmentCount = -5;

  ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });
}

TEST_F(OpenExTest, CreationFailureAfterAnOpenRecordingLosesNothing) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.Refuse(Operation::CreateInstance, E_OUTOFMEMORY);
  component.ClearCalls();

  ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("b.edf", &segmentCount), 0); });

  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0", kCreateStorageMan));
  EXPECT_TRUE(OnlyTheHostsApartment());
}

TEST(OpenExUnregisteredTest, MissingClassWritesTheCreationMessage) {
  ASSERT_FALSE(HasApartment());
  support::LoadedLibrary library(TAPLINE_LIBRARY_PATH);
  int segmentCount = -5;
  support::StdoutCapture capture;
  EXPECT_EQ(library.OpenEx("a.edf", &segmentCount), 0);
  EXPECT_EQ(capture.Finish(), CreationFailedOutput());
  EXPECT_EQ(segmentCount, -5);
  EXPECT_FALSE(HasApartment());
  EXPECT_TRUE(library.Unload());
}

class OpenExOpenFailureTest : public LibraryTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(OpenExOpenFailureTest, WritesCouldNotOpenFileAndKeepsTheObjectForClose) {
  component.Refuse(Operation::OpenRecording, GetParam());
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  EXPECT_EQ(output, "Could not Open File");
  EXPECT_EQ(segmentCount, -5);
  EXPECT_TRUE(HasApartment());
  EXPECT_THAT(component.HeldObjects(), ElementsAre("StorageMan#1 (1)"));
  component.ClearCalls();

  EXPECT_EQ(library->Close(), 1);
  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
}

// S_FALSE is a success code, but only S_OK means opened.
INSTANTIATE_TEST_SUITE_P(Results, OpenExOpenFailureTest, ::testing::Values(E_FAIL, S_FALSE));

TEST_F(OpenExTest, AllocationFailureInTheComponentDoesNotCrossTheBoundary) {
  component.On(Operation::GetSegmentInterface).raisesBadAlloc = true;
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  EXPECT_EQ(output, "");
  EXPECT_EQ(segmentCount, -5);
  EXPECT_EQ(library->Close(), 1);
}

using CloseTest = LibraryTest;

TEST_F(CloseTest, ClosesThenReleasesThenUninitialises) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.ClearCalls();

  EXPECT_EQ(library->Close(), 1);

  // The fake records a release without an apartment as a fault, checked at the end.
  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
  EXPECT_EQ(component.CloseRecordingCount(), 1);
  EXPECT_TRUE(OnlyTheHostsApartment());
}

TEST_F(CloseTest, WithoutOpenExCallsNothingAndKeepsTheHostsApartment) {
  HoldAHostApartment();
  EXPECT_EQ(library->Close(), 1);
  EXPECT_THAT(component.Calls(), IsEmpty());
}

TEST_F(CloseTest, SecondCloseCallsNothingAndKeepsTheHostsApartment) {
  HoldAHostApartment();
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  ASSERT_EQ(library->Close(), 1);
  component.ClearCalls();

  EXPECT_EQ(library->Close(), 1);

  EXPECT_THAT(component.Calls(), IsEmpty());
  EXPECT_EQ(component.CloseRecordingCount(), 1);
}

TEST_F(CloseTest, EndsEveryInitialisationOfRepeatedOpenEx) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  ASSERT_EQ(library->OpenEx("b.edf", &segmentCount), 1);
  EXPECT_EQ(library->Close(), 1);
  EXPECT_TRUE(OnlyTheHostsApartment());
}

TEST_F(CloseTest, ReleasesEvenWhenCloseRecordingRaises) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.Raise(Operation::CloseRecording, {E_FAIL, true, u"Reader", u"busy"});
  component.ClearCalls();

  EXPECT_EQ(library->Close(), 1);

  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
  EXPECT_TRUE(OnlyTheHostsApartment());
}

TEST_F(CloseTest, CloseRecordingFailureIsIgnored) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.Refuse(Operation::CloseRecording, E_FAIL);
  EXPECT_EQ(library->Close(), 1);
  EXPECT_TRUE(OnlyTheHostsApartment());
}

using UnloadTest = LibraryTest;

TEST_F(UnloadTest, WithoutOpenExCallsNothing) {
  EXPECT_TRUE(library->Unload());
  EXPECT_THAT(component.Calls(), IsEmpty());
}

TEST_F(UnloadTest, AfterOpenExAndCloseCallsNothingFurther) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  ASSERT_EQ(library->Close(), 1);
  component.ClearCalls();

  EXPECT_TRUE(library->Unload());

  EXPECT_THAT(component.Calls(), IsEmpty());
  EXPECT_EQ(component.CloseRecordingCount(), 1);
}

TEST_F(UnloadTest, AfterOpenExWithoutCloseClosesOnceThenReleases) {
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);
  component.ClearCalls();

  EXPECT_TRUE(library->Unload());

  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
  EXPECT_EQ(component.CloseRecordingCount(), 1);
  // Unloading may happen on any thread, so the library's initialisation is left to the host.
  apartmentDepthAtEnd = 1;
}

TEST_F(UnloadTest, AfterFailedOpenClosesAndReleasesTheCreatedObject) {
  component.Refuse(Operation::OpenRecording, E_FAIL);
  int segmentCount = 0;
  ConsoleOutputOf([&] { ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });
  component.ClearCalls();

  EXPECT_TRUE(library->Unload());

  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
  apartmentDepthAtEnd = 1;
}

}  // namespace
}  // namespace apitest

// OpenEx and Close: the beginning and end of the host's work with a recording.
#include "api/exports.h"
#include "api/open_message.h"

namespace {

constexpr const OLECHAR* kCreationFailedMessage =
    OLESTR("Creation of StorageMan failed\nMake sure that\n\tOrbinet.dll\n\tPlexwood.dll\n")
    OLESTR("\tKelvane.dll and\n\tMurrow.dll\nare properly registered!\n");
constexpr const OLECHAR* kOpenFailedMessage = OLESTR("Could not Open File");
// What a host reads with GetOpenMessage after these failures.
constexpr const char* kCreationFailedWords =
    "no reader component could be created: register one under the class id "
    "{57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}";
constexpr const char* kUnexplainedWords = "the recording could not be opened";
constexpr const char* kNoReasonWords = "the reader component refused the file and gave no reason";
// The component's own open mode for reading a recording; the 0 and 1 after it are fixed too.
constexpr std::int32_t kReadOpenMode = 3;

int OpenRecording(const char* path, int* segmentCount) {
  api::ReaderContext& context = api::readerContext;
  api::SetOpenMessage(kUnexplainedWords);
  try {
    context.BeginComUse();
    // An object from an earlier OpenEx would otherwise be lost unclosed when replaced.
    context.CloseAndReleaseStorageMan();
    if (!context.CreateStorageMan()) {
      api::SetOpenMessage(kCreationFailedWords);
      platform::WriteConsoleText(kCreationFailedMessage);
      platform::Pause();
      context.EndComUse();
      return 0;
    }
    api::ForgetComponentWords();
    // Converted from the ANSI code page; raises _com_error when that fails.
    const _bstr_t widePath(path);
    if (!context.OpenRecordingFile(widePath, kReadOpenMode)) {
      api::SetOpenMessage(api::TakeComponentWords(kNoReasonWords));
      platform::WriteConsoleText(kOpenFailedMessage);
      return 0;
    }
    // Its warnings, or none after a clean open.
    api::SetOpenMessage(api::TakeComponentWords(""));
    *segmentCount = context.SegmentCount();
    return 1;
  } catch (const _com_error& error) {
    api::SetOpenMessage(api::TakeComponentWords(kNoReasonWords));
    api::ReportComponentError(error);
    return 0;
  }
}

}  // namespace

extern "C" TAPLINE_API int TAPLINE_CALL OpenEx(const char* path, int* segmentCount) {
  // The guard also catches what the component-error report itself may raise.
  return api::GuardExport(0, [&] { return OpenRecording(path, segmentCount); });
}

extern "C" TAPLINE_API int TAPLINE_CALL Close(void) {
  return api::GuardExport(1, [] {
    // Released before COM is uninitialised: the thread's last CoUninitialize unloads the
    // component's code, and a reference kept past it would be called into at unload.
    api::readerContext.CloseAndReleaseStorageMan();
    api::readerContext.EndComUse();
    return 1;
  });
}

// OpenEx and Close: the beginning and end of the host's work with a recording.
#include "api/exports.h"

namespace {

constexpr const OLECHAR* kCreationFailedMessage =
    OLESTR("Creation of StorageMan failed\nMake sure that\n\tOrbinet.dll\n\tPlexwood.dll\n")
    OLESTR("\tKelvane.dll and\n\tMurrow.dll\nare properly registered!\n");
constexpr const OLECHAR* kOpenFailedMessage = OLESTR("Could not Open File");
// The component's own open mode for reading a recording; the 0 and 1 after it are fixed too.
constexpr std::int32_t kReadOpenMode = 3;

int OpenRecording(const char* path, int* segmentCount) {
  api::ReaderContext& context = api::readerContext;
  try {
    context.BeginComUse();
    // An object from an earlier OpenEx would otherwise be lost unclosed when replaced.
    context.CloseAndReleaseStorageMan();
    if (!context.CreateStorageMan()) {
      platform::WriteConsoleText(kCreationFailedMessage);
      platform::Pause();
      context.EndComUse();
      return 0;
    }
    // Converted from the ANSI code page; raises _com_error when that fails.
    const _bstr_t widePath(path);
    if (!context.OpenRecordingFile(widePath, kReadOpenMode)) {
      platform::WriteConsoleText(kOpenFailedMessage);
      return 0;
    }
    *segmentCount = context.SegmentCount();
    return 1;
  } catch (const _com_error& error) {
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

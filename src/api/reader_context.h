// The one process-wide state of the library: the reader component's StorageMan object that
// the most recent OpenEx created, and the COM initialisations the library itself made.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "reader/reader_interfaces.h"

namespace api {

class ReaderContext {
 public:
  ReaderContext() = default;
  ReaderContext(const ReaderContext&) = delete;
  ReaderContext& operator=(const ReaderContext&) = delete;
  // At unload: closes and releases the object still held (OpenEx without Close). Leaves COM
  // alone: the loader may run this on any thread, and the apartment may already be gone.
  virtual ~ReaderContext();

  // CoInitialize for the calling thread. Counts the initialisation when it took effect
  // (S_OK or S_FALSE) so that EndComUse undoes exactly that; a refused one (another
  // threading mode) is not counted and never undone.
  void BeginComUse() noexcept;
  // Undoes every initialisation BeginComUse counted and none of the host's own.
  void EndComUse() noexcept;

  // CoCreateInstance of StorageMan into storageMan. True only for S_OK; storageMan is empty
  // after any other result.
  bool CreateStorageMan();
  // OpenRecording(path, openMode, 0, 1) on storageMan. True only for S_OK.
  bool OpenRecordingFile(BSTR path, std::int32_t openMode);
  // CloseRecording on storageMan; the component's result tells nothing the caller can act on.
  void CloseRecordingFile();
  // Closes the recording of the object held and releases it, leaving storageMan empty. The
  // release happens even when the close raises; nothing escapes. No-op when nothing is held.
  void CloseAndReleaseStorageMan() noexcept;

  // Segment count of the open recording; 0 when the component hands out no segment interface.
  std::int32_t SegmentCount();

  ComPtr<reader::StorageManInterface> storageMan;

 private:
  // Initialisations made by BeginComUse and not yet undone: the host's thread owns the rest.
  int comInitialisations = 0;
};

// Constructed by static initialisation at load, destroyed at unload.
extern ReaderContext readerContext;

}  // namespace api

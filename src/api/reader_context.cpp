#include "api/reader_context.h"

#include "reader/reader_ids.h"

namespace api {

ReaderContext readerContext;

ReaderContext::~ReaderContext() { CloseAndReleaseStorageMan(); }

void ReaderContext::BeginComUse() noexcept {
  const HRESULT result = CoInitialize(nullptr);
  if (result == S_OK || result == S_FALSE) ++comInitialisations;
}

void ReaderContext::EndComUse() noexcept {
  for (; comInitialisations > 0; --comInitialisations) CoUninitialize();
}

bool ReaderContext::CreateStorageMan() {
  const HRESULT result = CoCreateInstance(reader::kStorageManClassId, nullptr, CLSCTX_INPROC_SERVER,
                                          reader::kStorageManInterfaceId, storageMan.put_void());
  // A null object is a failed creation whatever the code says: every later call needs it.
  if (result == S_OK && storageMan) return true;
  // A creation that failed but still handed out a pointer must not leave it half-held.
  storageMan.reset();
  return false;
}

bool ReaderContext::OpenRecordingFile(BSTR path, std::int32_t openMode) {
  return storageMan->OpenRecording(path, openMode, 0, 1) == S_OK;
}

void ReaderContext::CloseRecordingFile() { storageMan->CloseRecording(); }

void ReaderContext::CloseAndReleaseStorageMan() noexcept {
  if (!storageMan) return;
  try {
    CloseRecordingFile();
  } catch (...) {
    // The component failed to close; releasing the object below is all that is left to do.
  }
  storageMan.reset();
}

std::int32_t ReaderContext::SegmentCount() {
  ComPtr<reader::SegmentInterface> segments;
  // A refusal may still hand out a pointer; the ComPtr releases it either way.
  if (!storageMan || FAILED(storageMan->GetSegmentInterface(segments.put())) || !segments) return 0;
  std::int32_t count = 0;
  segments->GetSegmentCount(&count);
  return count;
}

}  // namespace api

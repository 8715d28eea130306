// The calling thread's apartment, as the class creation and the error information see it.
#pragma once

namespace platform::runtime {

bool HasApartment();
// Keeps a module handle from dlopen until the thread's last CoUninitialize, which closes it.
// A handle the apartment holds already is closed once right away, so each module is held
// once per apartment. Throws std::bad_alloc (with the handle closed) when memory runs out.
void KeepModule(void* handle);

}  // namespace platform::runtime

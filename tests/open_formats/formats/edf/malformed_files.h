// EDF files the component must refuse, each with the reason a user reads (the parser's, or the
// model's for the limits every format shares); shared by the component's own tests and the
// end-to-end tests, which drive the same files through the library.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>

namespace edf_test {

struct MalformedCase {
  const char* name;
  std::function<std::string()> bytes;
  const char* reason;
};

// Test parameters print by name rather than as raw bytes.
inline void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

std::span<const MalformedCase> MalformedCases();

}  // namespace edf_test

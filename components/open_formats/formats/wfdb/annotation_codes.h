// The standard annotation codes of MIT-format annotation files: each code's mnemonic and
// description.
#pragma once

#include <string>

namespace wfdb {

struct CodeLabel {
  std::string mnemonic;     // "N", "V", "+", ...; "[42]" for a code without a standard one
  std::string description;  // "Normal beat"; empty for a code without a standard one
};

// The label of a code 0..63.
CodeLabel StandardLabel(int code);

}  // namespace wfdb

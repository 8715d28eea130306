#include "annotation_codes.h"

#include <array>

namespace wfdb {

namespace {

struct Entry {
  const char* mnemonic;
  const char* description;
};

constexpr std::array<Entry, 42> kStandard{{
    {"", ""},  // 0: not a label
    {"N", "Normal beat"},
    {"L", "Left bundle branch block beat"},
    {"R", "Right bundle branch block beat"},
    {"a", "Aberrated atrial premature beat"},
    {"V", "Premature ventricular contraction"},
    {"F", "Fusion of ventricular and normal beat"},
    {"J", "Nodal (junctional) premature beat"},
    {"A", "Atrial premature beat"},
    {"S", "Premature or ectopic supraventricular beat"},
    {"E", "Ventricular escape beat"},
    {"j", "Nodal (junctional) escape beat"},
    {"/", "Paced beat"},
    {"Q", "Unclassifiable beat"},
    {"~", "Change in signal quality"},
    {nullptr, nullptr},  // 15: unassigned
    {"|", "Isolated QRS-like artifact"},
    {nullptr, nullptr},  // 17: unassigned
    {"s", "ST change"},
    {"T", "T-wave change"},
    {"*", "Systole"},
    {"D", "Diastole"},
    {"\"", "Comment annotation"},
    {"=", "Measurement annotation"},
    {"p", "P-wave peak"},
    {"B", "Left or right bundle branch block"},
    {"^", "Non-conducted pacer spike"},
    {"t", "T-wave peak"},
    {"+", "Rhythm change"},
    {"u", "U-wave peak"},
    {"?", "Learning"},
    {"!", "Ventricular flutter wave"},
    {"[", "Start of ventricular flutter/fibrillation"},
    {"]", "End of ventricular flutter/fibrillation"},
    {"e", "Atrial escape beat"},
    {"n", "Supraventricular escape beat"},
    {"@", "Link to external data"},
    {"x", "Non-conducted P-wave (blocked APB)"},
    {"f", "Fusion of paced and normal beat"},
    {"(", "Waveform onset"},
    {")", "Waveform end"},
    {"r", "R-on-T premature ventricular contraction"},
}};

}  // namespace

CodeLabel StandardLabel(int code) {
  if (code >= 0 && code < static_cast<int>(kStandard.size()) && kStandard[code].mnemonic) {
    return {kStandard[code].mnemonic, kStandard[code].description};
  }
  // Appended rather than "[" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
  std::string label = "[";
  label += std::to_string(code);
  return {label += ']', ""};
}

}  // namespace wfdb

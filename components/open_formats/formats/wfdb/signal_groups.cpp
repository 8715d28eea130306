#include "signal_groups.h"

#include "sample_formats.h"

namespace wfdb {

namespace {

std::string Named(std::span<const SignalLine> signals, std::size_t index) {
  std::string name = "signal " + std::to_string(index);
  if (!signals[index].description.empty()) name += " (" + signals[index].description + ")";
  return name;
}

}  // namespace

bool HasNoData(const SignalLine& signal) { return signal.fileName == "~" || signal.format == 0; }

Result<std::vector<SignalGroup>> GroupSignals(std::span<const SignalLine> signals) {
  using Groups = Result<std::vector<SignalGroup>>;
  std::vector<SignalGroup> groups;
  for (std::size_t i = 0; i < signals.size(); ++i) {
    const SignalLine& signal = signals[i];
    if (HasNoData(signal)) continue;
    if (const auto why = WhyUnreadable(signal.format)) {
      return Groups::Refuse(Named(signals, i) + *why);
    }
    const bool continues = i > 0 && !groups.empty() && signals[i - 1].fileName == signal.fileName &&
                           !HasNoData(signals[i - 1]);
    if (!continues) {
      for (const SignalGroup& earlier : groups) {
        if (earlier.fileName == signal.fileName) {
          return Groups::Refuse(Named(signals, i) + " is stored in " + signal.fileName +
                                " apart from the signals before it in that file");
        }
      }
      groups.push_back({signal.fileName, signal.format, signal.byteOffset, 0, {}});
    }
    SignalGroup& group = groups.back();
    if (signal.format != group.format) {
      return Groups::Refuse(Named(signals, i) + " is in format " + std::to_string(signal.format) +
                            " but shares " + group.fileName + " with signals in format " +
                            std::to_string(group.format));
    }
    if (signal.byteOffset != group.byteOffset) {
      return Groups::Refuse(Named(signals, i) + " starts " + std::to_string(signal.byteOffset) +
                            " bytes into " + group.fileName + " where the signals before it start " +
                            std::to_string(group.byteOffset) + " bytes in");
    }
    group.members.push_back(
        {i, signal.samplesPerFrame, group.samplesPerFrame, signal.skew, signal.initialValue});
    // At most kMaximumSamplesPerFrame each: no sum of a header's signals comes near 2^63.
    group.samplesPerFrame += signal.samplesPerFrame;
  }
  return groups;
}

}  // namespace wfdb

// Which signals share a signal file, and where each one's samples lie in that file's frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "header.h"

namespace wfdb {

struct GroupMember {
  std::size_t signal = 0;  // index among the header's signals
  std::int64_t samplesPerFrame = 1;
  std::int64_t firstInFrame = 0;  // its first sample's place among the frame's samples
  std::int64_t skew = 0;          // its sample i lies in frame i / samplesPerFrame + skew
  std::int64_t initialValue = 0;  // what a format-8 signal's differences start from
};

// Consecutive signals with the same file name: their samples are interleaved frame by frame.
struct SignalGroup {
  std::string fileName;
  int format = 0;
  std::int64_t byteOffset = 0;       // bytes before the first frame
  std::int64_t samplesPerFrame = 0;  // of all members together
  std::vector<GroupMember> members;
};

// A signal without data: file "~" or format 0 (layout headers, absent signals).
bool HasNoData(const SignalLine& signal);

// The groups of the signals that have data, in header order. Refuses, naming the signal and its
// format, a format this reader cannot decode; refuses a group whose signals differ in format or
// byte offset, and a file whose signals are not consecutive.
Result<std::vector<SignalGroup>> GroupSignals(std::span<const SignalLine> signals);

}  // namespace wfdb

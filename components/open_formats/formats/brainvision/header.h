// The header (.vhdr) of a BrainVision recording: its [Common Infos], [Binary Infos] and
// [Channel Infos] sections read into what the data and marker files need, from the header's
// bytes alone. Only binary time-domain data of 16-bit samples are taken; anything else is
// refused with the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brainvision_text.h"
#include "common/result.h"
#include "model/recording_model.h"

namespace brainvision {

enum class SampleFormat { Int16, UInt16 };

// A line Ch<n>=<name>,<reference>,<resolution>,<unit>: each field's bytes as written (in the
// header's code page, comma placeholders kept); empty when left out.
struct ChannelInfo {
  std::string name;
  std::string reference;
  std::string resolution;  // the physical units of one step of the stored value, as written
  std::string unit;

  bool operator==(const ChannelInfo&) const = default;
};

struct Header {
  Codepage codepage = Codepage::Unspecified;
  bool vectorized = false;  // DataOrientation=VECTORIZED: each channel's samples together
  SampleFormat format = SampleFormat::Int16;
  bool bigEndian = false;
  model::Fraction frameTicks;         // SamplingInterval, in ticks, exactly
  std::vector<ChannelInfo> channels;  // Ch1..ChN in order, N = NumberOfChannels
  // The files as named (they may hold "$b", the header's base name); nullopt when not named.
  std::optional<std::string> dataFile;
  std::optional<std::string> markerFile;
};

// Whether the line is the identification line of a BrainVision file of the kind ("Header
// File", "Marker File"), under either spelling of the format's name.
bool IsIdentification(std::string_view line, std::string_view kind);

// Parses the bytes of a header file. Refuses, saying which value is wrong and why, a file with
// neither the identification line nor a [Common Infos] naming a DataFile, data that are not
// binary 16-bit time-domain samples, a missing or unreadable SamplingInterval or
// NumberOfChannels, and channel lines that are not Ch1 to ChN once each.
common::Result<Header> ParseHeader(std::string_view bytes);

}  // namespace brainvision

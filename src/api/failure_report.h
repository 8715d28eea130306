// The console reports that tell the user why an exported call failed. The host itself learns
// only the exported function's result.
#pragma once

#include <cstdio>

#include "platform/platform.h"

namespace api {

// A stream that would receive a copy of every packet-failure report. No exported function sets
// it, so it stays null and reports reach standard output only.
extern std::FILE* const diagnosticStream;

// Writes "ERROR in <packetWord> packet please contact SDK provider for support" and two line
// feeds to standard output, pauses for a key, and copies the message to `stream` when there is
// one. Always false, so an export can return its result directly. Throws std::bad_alloc when
// the message cannot be composed.
bool ReportPacketFailure(std::FILE* stream, const OLECHAR* packetWord);

// Writes the two lines that describe a component error caught by OpenEx: its code, then its
// source, description, decimal code and system message, each text written verbatim. Throws
// _com_error or std::bad_alloc when the texts cannot be composed.
void ReportComponentError(const _com_error& error);

}  // namespace api

// Whether an output stream is an interactive terminal (a progress bar is shown only there).
#pragma once

#include <cstdio>

namespace tapline_info {

bool IsTerminal(std::FILE* stream);

}  // namespace tapline_info

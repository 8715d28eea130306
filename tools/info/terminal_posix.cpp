#include <unistd.h>

#include "terminal.h"

namespace tapline_info {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

}  // namespace tapline_info

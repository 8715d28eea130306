// The EDF reader's results are the component's one Result type.
#pragma once

#include "model/result.h"

namespace edf {

using model::Result;

}  // namespace edf

// Visibility of the stand-in runtime's entry points: they are the "system" functions that the
// library, components and tests share, so they are exported from the runtime module.
#pragma once

#define TAPLINE_COM_API __attribute__((visibility("default")))

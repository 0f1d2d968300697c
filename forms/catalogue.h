// The program's windows as data.
#pragma once

#include "platform/definition.h"

namespace lumora {

const WindowDef& WindowDefinition(WindowId window);

}  // namespace lumora

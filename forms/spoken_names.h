// The short names a screen reader announces for the graphic buttons and check boxes, none of
// which has a caption or a tooltip of its own.
#pragma once

#include <string_view>

#include "platform/definition.h"

namespace lumora {

// The name of `control` of `window` in `language` (1 to 3); "" for a control without one or
// a language out of range.
SpokenName SpokenNameIn(WindowId window, std::string_view control, int language);

// The same in the interface language of the program's Config.ini; without a usable choice,
// in Simplified Chinese, the language the windows show then.
SpokenName SpokenNameOf(const Program& program, WindowId window, std::string_view control);

}  // namespace lumora

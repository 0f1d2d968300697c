// What the menu skinners of the windows have in common.
#pragma once

#include <array>

#include "platform/definition.h"

namespace lumora {

// Every skinned window draws its menus in these six colours, in the skinner's order.
inline constexpr std::array<int, 6> kMenuSkinColors = {
    Rgb(249, 248, 247), Rgb(215, 212, 204), Rgb(182, 189, 210),
    Rgb(182, 189, 210), Rgb(249, 248, 247), Rgb(182, 189, 210),
};

}  // namespace lumora

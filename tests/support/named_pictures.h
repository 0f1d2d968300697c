// The pictures a window definition names (its icon, its controls' pictures), relative to the
// data tree, for the tests that check them against the shipped files.
#pragma once

#include <string_view>
#include <vector>

#include "platform/definition.h"

namespace lumora::testing {

inline std::vector<std::string_view> NamedPictures(const WindowDef& def) {
  std::vector<std::string_view> named;
  if (!def.icon.empty()) named.push_back(def.icon);
  for (const ControlDef& c : def.controls) {
    if (!c.props.picture.empty()) named.push_back(c.props.picture);
    if (!c.props.hover_picture.empty()) named.push_back(c.props.hover_picture);
  }
  return named;
}

}  // namespace lumora::testing

// The window model: which windows are loaded, their controls and every property value a
// behaviour can read back. Plain data; Program keeps it and the view in step.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/definition.h"

namespace lumora {

struct ControlState {
  const ControlDef* def = nullptr;
  std::map<Prop, Value> props;
};

struct WindowInstance {
  const WindowDef* def = nullptr;
  std::uint64_t generation = 0;  // distinguishes successive loads of the same window
  std::map<Prop, Value> props;   // the window's own properties
  std::vector<ControlState> controls;  // in definition order

  // nullptr when the window has no such control; "" names the window itself.
  std::map<Prop, Value>* PropsOf(std::string_view control);
  const std::map<Prop, Value>* PropsOf(std::string_view control) const;
  const ControlState* Control(std::string_view name) const;
};

class WindowModel {
 public:
  bool IsLoaded(WindowId id) const { return windows_[Index(id)] != nullptr; }
  WindowInstance* Find(WindowId id) { return windows_[Index(id)].get(); }
  const WindowInstance* Find(WindowId id) const { return windows_[Index(id)].get(); }

  // Instantiates the definition with its design-time properties.
  WindowInstance& Create(const WindowDef& def);
  void Destroy(WindowId id);

  // An unset value, an unknown control and a window that is not loaded all read as empty.
  Value Get(WindowId id, std::string_view control, Prop prop) const;
  // Returns false (and changes nothing) when the window or control does not exist.
  bool Set(WindowId id, std::string_view control, Prop prop, Value value);

 private:
  static int Index(WindowId id) { return static_cast<int>(id); }
  std::array<std::unique_ptr<WindowInstance>, kWindowCount> windows_{};
  std::uint64_t next_generation_ = 1;
};

}  // namespace lumora

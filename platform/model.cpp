#include "platform/model.h"

namespace lumora {

std::map<Prop, Value>* WindowInstance::PropsOf(std::string_view control) {
  if (control.empty()) return &props;
  for (ControlState& c : controls) {
    if (c.def->name == control) return &c.props;
  }
  return nullptr;
}

const std::map<Prop, Value>* WindowInstance::PropsOf(std::string_view control) const {
  return const_cast<WindowInstance*>(this)->PropsOf(control);
}

const ControlState* WindowInstance::Control(std::string_view name) const {
  for (const ControlState& c : controls) {
    if (c.def->name == name) return &c;
  }
  return nullptr;
}

namespace {

std::map<Prop, Value> DesignProps(const ControlDef& def) {
  std::map<Prop, Value> p{
      {Prop::Left, def.left},     {Prop::Top, def.top},          {Prop::Width, def.width},
      {Prop::Height, def.height}, {Prop::Visible, def.visible},
  };
  const InitialProps& init = def.props;
  if (!init.text.empty()) p[Prop::Text] = std::string(init.text);
  if (init.text_color != kNoColor) p[Prop::TextColor] = init.text_color;
  if (init.font_pixels != 0) p[Prop::FontPixels] = init.font_pixels;
  if (def.kind == ControlKind::Timer) p[Prop::Interval] = init.interval;
  if (def.kind == ControlKind::CheckBox) p[Prop::Checked] = init.checked;
  if (init.hand_cursor) p[Prop::HandCursor] = true;
  return p;
}

}  // namespace

WindowInstance& WindowModel::Create(const WindowDef& def) {
  auto instance = std::make_unique<WindowInstance>();
  instance->def = &def;
  instance->generation = next_generation_++;
  instance->props = {
      {Prop::Left, kDesignLeft},
      {Prop::Top, kDesignTop},
      {Prop::Width, def.width},
      {Prop::Height, def.height},
      {Prop::Visible, def.visible},
      {Prop::Text, std::string(def.caption)},
      {Prop::WindowState, kWindowStateNormal},
      {Prop::TopMost, false},
  };
  instance->controls.reserve(def.controls.size());
  for (const ControlDef& c : def.controls) {
    instance->controls.push_back(ControlState{&c, DesignProps(c)});
  }
  windows_[Index(def.id)] = std::move(instance);
  return *windows_[Index(def.id)];
}

void WindowModel::Destroy(WindowId id) { windows_[Index(id)].reset(); }

Value WindowModel::Get(WindowId id, std::string_view control, Prop prop) const {
  const WindowInstance* w = Find(id);
  if (w == nullptr) return {};
  const std::map<Prop, Value>* props = w->PropsOf(control);
  if (props == nullptr) return {};
  auto it = props->find(prop);
  return it == props->end() ? Value{} : it->second;
}

bool WindowModel::Set(WindowId id, std::string_view control, Prop prop, Value value) {
  WindowInstance* w = Find(id);
  if (w == nullptr) return false;
  std::map<Prop, Value>* props = w->PropsOf(control);
  if (props == nullptr) return false;
  (*props)[prop] = std::move(value);
  return true;
}

}  // namespace lumora

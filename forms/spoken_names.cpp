#include "forms/spoken_names.h"

#include <array>
#include <optional>

#include "config/language.h"
#include "platform/program.h"

namespace lumora {

namespace {

using Names = std::array<std::string_view, 3>;  // Simplified, Traditional, English

struct Entry {
  std::string_view control;
  Names names;
  bool tab = false;
};

constexpr Names kClose = {"关闭", "關閉", "Close"};

// The two dialogs: their tabs, the row of buttons at the foot and the settings' boxes,
// whose captions are labels beside them.
// clang-format off
constexpr Entry kDialogEntries[] = {
  {"开机启动",  {"开机启动", "開機啓動", "Start with the computer"}},
  {"简体",      {"中文简体", "中文簡體", "Simplified Chinese"}},
  {"繁体",      {"中文繁体", "中文繁體", "Traditional Chinese"}},
  {"英语",      {"英语", "英語", "English"}},
  {"模式1",     {"VMR9(窗口)", "VMR9(窗口)", "VMR9 (windowed)"}},
  {"模式2",     {"VMR9(无窗口)", "VMR9(無窗口)", "VMR9 (windowless)"}},
  {"模式3",     {"EVR", "EVR", "EVR"}},
  {"屏保选择",  {"播放时禁用屏幕保护", "播放時禁用屏幕保護", "No screen saver while playing"}},
  {"始终置顶4", {"关闭到托盘", "關閉到托盤", "Close to the tray"}},
  {"选项按钮",  {"选项", "選項", "Options"}, true},
  {"关于按钮",  {"关于", "關於", "About"},   true},
  {"图形按钮1", {"确定", "確定", "OK"}},
  {"图形按钮2", {"取消", "取消", "Cancel"}},
  {"图形按钮3", {"应用", "應用", "Apply"}},
};

// The pop-ups' one button closes them.
constexpr Entry kPopupEntries[] = {
  {"图形按钮1", kClose},
};

// Every window: the caption buttons, named alike wherever they appear.
constexpr Entry kCommonEntries[] = {
  {"关闭按钮",    kClose},
  {"关闭按钮1",   kClose},
  {"最小化按钮",  {"最小化", "最小化", "Minimize"}},
  {"最大化按钮",  {"最大化", "最大化", "Maximize"}},
  {"最大化按钮1", {"最大化", "最大化", "Maximize"}},
  {"选项按钮",    {"选项菜单", "選項菜單", "Options menu"}},
};
// clang-format on

template <std::size_t N>
const Entry* FindIn(const Entry (&entries)[N], std::string_view control) {
  for (const Entry& entry : entries) {
    if (entry.control == control) return &entry;
  }
  return nullptr;
}

const Entry* Find(WindowId window, std::string_view control) {
  const Entry* own = nullptr;
  switch (window) {
    case WindowId::SettingsWindow:
    case WindowId::AboutWindow:
      own = FindIn(kDialogEntries, control);
      break;
    case WindowId::RightPopupWindow:
    case WindowId::ExitPopupWindow:
      own = FindIn(kPopupEntries, control);
      break;
    default:
      break;
  }
  return own != nullptr ? own : FindIn(kCommonEntries, control);
}

}  // namespace

SpokenName SpokenNameIn(WindowId window, std::string_view control, int language) {
  const Entry* entry = Find(window, control);
  if (entry == nullptr || language < 1 || language > static_cast<int>(entry->names.size())) {
    return {};
  }
  return {entry->names[static_cast<std::size_t>(language - 1)], entry->tab};
}

SpokenName SpokenNameOf(const Program& program, WindowId window, std::string_view control) {
  return SpokenNameIn(window, control, LanguageChoice(program.RunDirectory()).value_or(1));
}

}  // namespace lumora

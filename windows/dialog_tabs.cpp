#include "windows/dialog_tabs.h"

#include <array>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace lumora {

namespace {

using Triple = std::array<std::string_view, 3>;  // normal, mouse-over, pressed

struct LanguageButtons {
  std::string_view options_current, options_other;
  std::string_view about_current, about_other;
  Triple confirm, cancel, apply;
};

// clang-format off
constexpr std::array<LanguageButtons, 3> kButtons = {{
  {"OptionA.gif", "OptionB.gif", "AboutA.gif", "AboutB.gif",
   {"ConfirmA.gif", "ConfirmB.gif", "ConfirmA.gif"},
   {"CancelA.gif",  "CancelB.gif",  "CancelA.gif"},
   {"ApplyA.gif",   "ApplyB.gif",   "ApplyA.gif"}},
  {"OptionE.gif", "OptionF.gif", "AboutC.gif", "AboutD.gif",
   {"ConfirmC.gif", "ConfirmD.gif", "ConfirmC.gif"},
   {"CancelC.gif",  "CancelD.gif",  "CancelC.gif"},
   {"ApplyC.gif",   "ApplyD.gif",   "ApplyC.gif"}},
  {"OptionG.gif", "OptionH.gif", "AboutE.gif", "AboutF.gif",
   {"ConfirmE.gif", "ConfirmF.gif", "ConfirmE.gif"},
   {"CancelE.gif",  "CancelF.gif",  "CancelE.gif"},
   {"ApplyE.gif",   "ApplyF.gif",   "ApplyE.gif"}},
}};
// clang-format on

Bytes SkinFile(const Program& p, std::string_view file) {
  return ReadFileBytes(p.LocalPath("Skins/Default/" + std::string(file)));
}

void SetButton(Program& p, WindowId dialog, std::string_view button, const Triple& files) {
  p.SetProperty(dialog, button, Prop::NormalPicture, SkinFile(p, files[0]));
  p.SetProperty(dialog, button, Prop::HoverPicture, SkinFile(p, files[1]));
  p.SetProperty(dialog, button, Prop::PressedPicture, SkinFile(p, files[2]));
}

}  // namespace

void SkinDialogFrame(Program& p, WindowId dialog) {
  p.SetProperty(dialog, "", Prop::BackgroundPicture, SkinFile(p, "BackgroundA.gif"));
  SetButton(p, dialog, "关闭按钮", {"CloseA.gif", "CloseB.gif", "CloseA.gif"});
}

void SkinDialogButtons(Program& p, WindowId dialog, int language) {
  if (language < 1 || language > static_cast<int>(kButtons.size())) return;
  const LanguageButtons& b = kButtons[static_cast<std::size_t>(language - 1)];
  const bool settings = dialog == WindowId::SettingsWindow;
  const std::string_view options = settings ? b.options_current : b.options_other;
  const std::string_view about = settings ? b.about_other : b.about_current;
  SetButton(p, dialog, "选项按钮", {options, options, options});
  SetButton(p, dialog, "关于按钮", {about, about, about});
  SetButton(p, dialog, "图形按钮1", b.confirm);
  SetButton(p, dialog, "图形按钮2", b.cancel);
  SetButton(p, dialog, "图形按钮3", b.apply);
}

void SwitchDialogTab(Program& p, WindowId from, WindowId to) {
  p.DestroyWindow(from);
  p.LoadWindow(to, true);
}

}  // namespace lumora

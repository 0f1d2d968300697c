// SettingsWindow: the options; a modal dialog.
#include <array>
#include <string>
#include <string_view>

#include "config/text_number.h"
#include "platform/program.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/behaviours.h"
#include "windows/config_items.h"
#include "windows/dialog_tabs.h"

namespace lumora {

namespace {
constexpr WindowId kSelf = WindowId::SettingsWindow;

void OnCreated(Program& p, EventArgs&);
void OnAboutTabClick(Program& p, EventArgs&);
void OnLanguage1Click(Program& p, EventArgs&);
void OnLanguage2Click(Program& p, EventArgs&);
void OnLanguage3Click(Program& p, EventArgs&);
void OnRendering1Click(Program& p, EventArgs&);
void OnRendering2Click(Program& p, EventArgs&);
void OnRendering3Click(Program& p, EventArgs&);
void OnConfirmClick(Program& p, EventArgs&);
void OnCancelClick(Program& p, EventArgs&);
void OnApplyClick(Program& p, EventArgs&);

// The start-up, screen-saver and tray boxes are only read when saving; the own tab does
// nothing.
// clang-format off
constexpr Binding kBindings[] = {
  {"",          Event::Created, OnCreated},
  {"关于按钮",  Event::Clicked, OnAboutTabClick},
  {"简体",      Event::Clicked, OnLanguage1Click},
  {"繁体",      Event::Clicked, OnLanguage2Click},
  {"英语",      Event::Clicked, OnLanguage3Click},
  {"模式1",     Event::Clicked, OnRendering1Click},
  {"模式2",     Event::Clicked, OnRendering2Click},
  {"模式3",     Event::Clicked, OnRendering3Click},
  {"图形按钮1", Event::Clicked, OnConfirmClick},
  {"图形按钮2", Event::Clicked, OnCancelClick},
  {"图形按钮3", Event::Clicked, OnApplyClick},
  {"关闭按钮",  Event::Clicked, OnCancelClick},
};

// The boxes of one choice, in the order of the stored codes "1", "2", "3".
constexpr std::array<std::string_view, 3> kLanguageBoxes = {"简体", "繁体", "英语"};
constexpr std::array<std::string_view, 3> kRenderingBoxes = {"模式1", "模式2", "模式3"};

constexpr std::array<std::string_view, 3> kCaptionSuffixes = {"设置窗口", "設置窗口", "Settings"};

struct LabelTexts {
  std::string_view label;
  std::array<std::string_view, 3> texts;  // Simplified, Traditional, English
};

// The labels beside the language boxes name their languages and stay as designed.
constexpr LabelTexts kLabels[] = {
  {"透明标签1",  {"开机启动", "開機啓動", "Auto"}},
  {"透明标签2",  {"开机自动运行本程序", "開機自動運行本程序", "Boot the computer automatic operation"}},
  {"透明标签3",  {"软件语言", "軟件語言", "Language"}},
  {"透明标签5",  {"渲染模式", "渲染模式", "Render mode"}},
  {"透明标签6",  {"VMR9(窗口)", "VMR9(窗口)", "VMR9(A)"}},
  {"透明标签7",  {"VMR9(无窗口)", "VMR9(无窗口)", "VMR9(B)"}},
  {"透明标签8",  {"EVR", "EVR", "EVR"}},
  {"透明标签9",  {"选择合适的渲染器，能有效提升视频画质，重启本软件后生效",
                  "選擇合適的渲染器，能有效提升視頻畫質，重啓本軟件後生效",
                  "Select the appropriate, can improve the video quality"}},
  {"透明标签10", {"WindowsXP系统，推荐使用VMR9", "WindowsXP系統，推薦使用VMR9",
                  "WindowsXP, recommend the use of VMR9"}},
  {"透明标签11", {"WindowsVista/7/8系统，推荐使用EVR", "WindowsVista/7/8系統，推薦使用EVR",
                  "WindowsVista/7/8, recommend the use of EVR"}},
  {"屏幕保护",   {"屏幕保护", "屏幕保護", "Screen Saver"}},
  {"透明标签14", {"播放时禁用屏幕保护（仅对XP有效）", "播放時禁用屏幕保護（僅對XP有效）",
                  "Disable screen saver when playing XP"}},
  {"透明标签12", {"托盘设置", "托盤設置", "Tray"}},
  {"透明标签13", {"勾选是否托盘关闭程序", "勾選是否托盤關閉程序", "Check whether the tray close program"}},
};
// clang-format on

std::size_t Index(int code) {
  return static_cast<std::size_t>(code - 1);
}

bool Checked(const Program& p, std::string_view box) {
  return AsBool(p.GetProperty(kSelf, box, Prop::Checked));
}

void Check(Program& p, std::string_view box, bool checked) {
  p.SetProperty(kSelf, box, Prop::Checked, checked);
}

// Every box of `boxes` but the one of `code` is cleared; the clicked box toggles by itself.
void ClearOthers(Program& p, const std::array<std::string_view, 3>& boxes, int code) {
  for (int other = 1; other <= 3; ++other) {
    if (other != code) Check(p, boxes[Index(other)], false);
  }
}

// The code (1 to 3) `text` stands for when taken as a number; 0 for anything else.
int CodeOf(std::string_view text) {
  for (int code = 1; code <= 3; ++code) {
    if (NumberMatches(text, code)) return code;
  }
  return 0;
}

void ApplyLanguage(Program& p, int code) {
  const std::string name = FetchServiceText(kProductNamePages[Index(code)]);
  p.SetProperty(kSelf, "", Prop::Text, name + std::string(kCaptionSuffixes[Index(code)]));
  for (const LabelTexts& l : kLabels) {
    p.SetProperty(kSelf, l.label, Prop::Text, std::string(l.texts[Index(code)]));
  }
  SkinDialogButtons(p, kSelf, code);
}

// The boxes as the stored options say; a value that is none of the known ones leaves its box
// as designed.
void PresetBoxes(Program& p) {
  const SharedState& s = p.Shared();
  if (NumberMatches(s.SettingsStart, 1)) Check(p, "开机启动", true);
  if (NumberMatches(s.SettingsStart, 0)) Check(p, "开机启动", false);
  if (const int code = CodeOf(s.SettingsLanguageChoice); code != 0) {
    Check(p, kLanguageBoxes[Index(code)], true);
  }
  if (const int code = CodeOf(s.SettingsRendering); code != 0) {
    Check(p, kRenderingBoxes[Index(code)], true);
  }
  if (NumberMatches(s.SettingsScreen, 0)) Check(p, "屏保选择", false);
  if (NumberMatches(s.SettingsScreen, 1)) Check(p, "屏保选择", true);
  if (s.TraySetting == "1") Check(p, "始终置顶4", true);
  if (s.TraySetting == "2") Check(p, "始终置顶4", false);
}

// Skins and texts in the language, the boxes preset from the stored settings.
void OnCreated(Program& p, EventArgs&) {
  SkinDialogFrame(p, kSelf);
  SharedState& s = p.Shared();
  s.SettingsLanguage = ReadSetting(p, "Language");
  WriteSetting(p, "First", s.SettingsLanguage);
  if (const int code = CodeOf(s.SettingsLanguage); code != 0) ApplyLanguage(p, code);
  s.SettingsStart = ReadSetting(p, "Start");
  s.SettingsLanguageChoice = ReadSetting(p, "Language");
  s.SettingsRendering = ReadSetting(p, "Rendering");
  s.SettingsScreen = ReadSetting(p, "Screen");
  s.TraySetting = ReadSetting(p, "Tray");
  PresetBoxes(p);
}

void OnAboutTabClick(Program& p, EventArgs&) {
  SwitchDialogTab(p, kSelf, WindowId::AboutWindow);
}

// A language counts at once: the next window or menu opened already speaks it, even if the
// dialog is then cancelled.
void ChooseLanguage(Program& p, int code) {
  ClearOthers(p, kLanguageBoxes, code);
  WriteSetting(p, "Language", std::to_string(code));
}

void OnLanguage1Click(Program& p, EventArgs&) {
  ChooseLanguage(p, 1);
}
void OnLanguage2Click(Program& p, EventArgs&) {
  ChooseLanguage(p, 2);
}
void OnLanguage3Click(Program& p, EventArgs&) {
  ChooseLanguage(p, 3);
}

void OnRendering1Click(Program& p, EventArgs&) {
  ClearOthers(p, kRenderingBoxes, 1);
}
void OnRendering2Click(Program& p, EventArgs&) {
  ClearOthers(p, kRenderingBoxes, 2);
}
void OnRendering3Click(Program& p, EventArgs&) {
  ClearOthers(p, kRenderingBoxes, 3);
}

// Stores the options of the boxes. When the language differs from the one the dialog opened
// with, a new instance starts in it and this one ends. The program is started from its own
// path with no arguments and no shell in between, so a folder name with blanks or quotes
// cannot break it; should it fail to start, this instance stays rather than leave the user
// with nothing running, and the language applies at the next start.
void Save(Program& p) {
  const bool language_changed = ReadSetting(p, "Language") != p.Shared().SettingsLanguage;
  SystemServices& system = p.System();
  if (Checked(p, "开机启动")) {
    WriteSetting(p, "Start", "1");
    system.RegisterAutorun(p.ProgramFileName(), p.ProgramPath().string());
  } else {
    WriteSetting(p, "Start", "0");
    system.UnregisterAutorun(p.ProgramFileName());
  }
  WriteSetting(p, "Tray", Checked(p, "始终置顶4") ? "1" : "2");
  for (int code = 1; code <= 3; ++code) {
    if (Checked(p, kRenderingBoxes[Index(code)])) {
      WriteSetting(p, "Rendering", std::to_string(code));
      break;
    }
  }
  const bool keep_screen_on = Checked(p, "屏保选择");
  system.SetScreenSaverActive(!keep_screen_on);
  WriteSetting(p, "Screen", keep_screen_on ? "1" : "0");
  if (language_changed && system.StartProgram(p.ProgramPath().string(), {})) p.EndProgram(0);
}

void OnConfirmClick(Program& p, EventArgs&) {
  Save(p);
  p.DestroyWindow(kSelf);
}

// The cancel button and the close button: whatever the boxes say is dropped.
void OnCancelClick(Program& p, EventArgs&) {
  p.DestroyWindow(kSelf);
}

// Saves the settings; the dialog stays open.
void OnApplyClick(Program& p, EventArgs&) {
  Save(p);
}
}  // namespace

std::span<const Binding> SettingsWindowBindings() {
  return kBindings;
}

}  // namespace lumora

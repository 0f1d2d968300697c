#include "windows/adverts.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "config/text_number.h"
#include "platform/files.h"
#include "service/pages.h"
#include "service/service_client.h"
#include "windows/url_policy.h"

namespace lumora {

namespace {

struct TextAdvert {
  WindowId window;
  std::string_view label;
};

constexpr std::array<TextAdvert, 4> kTextAdverts = {{
    {WindowId::MainWindow, "文字广告1"},
    {WindowId::PlayerWindow, "文字广告2"},
    {WindowId::AppCentreWindow, "文字广告3"},
    {WindowId::AppWindow, "文字广告4"},
}};

bool ValidLabel(int label) {
  return label >= 1 && label <= static_cast<int>(kTextAdverts.size());
}

std::size_t Index(int label) {
  return static_cast<std::size_t>(label - 1);
}

// Tests and staging may shorten the minute before the first pop-under with
// LUMORA_POP_UNDER_FIRST_MS (milliseconds, 1 to 600000); the service's own interval rules
// from the first tick on. Anything else leaves the minute.
std::optional<int> FirstPopUnderDelayOverride() {
  const auto ms = EnvironmentNumber("LUMORA_POP_UNDER_FIRST_MS");
  if (!ms || *ms < 1 || *ms > 600000) return std::nullopt;
  return static_cast<int>(*ms);
}

}  // namespace

void RefreshTextAdvert(Program& p, int label) {
  if (!ValidLabel(label)) return;
  const TextAdvert& advert = kTextAdverts[Index(label)];
  if (IsOn(FetchServiceText(kTextAdSwitchPages[Index(label)]))) {
    p.SetProperty(advert.window, advert.label, Prop::Visible, true);
    p.SetProperty(advert.window, advert.label, Prop::Text,
                  FetchServiceText(kTextAdCaptionPages[Index(label)]));
  }
  // The service gets a second say, so an advert it has just withdrawn does not stay up.
  if (IsOff(FetchServiceText(kTextAdSwitchPages[Index(label)]))) {
    p.SetProperty(advert.window, advert.label, Prop::Visible, false);
  }
}

void OpenTextAdvert(Program& p, int label) {
  if (!ValidLabel(label)) return;
  const std::string target = FetchServiceText(kTextAdAddressPages[Index(label)]);
  OpenWebAddress(p, std::string(TrimAddress(target)));
}

void OpenServiceChat(Program& p) {
  const std::string account = FetchServiceText(kCustomerServiceAccountPage);
  OpenChatLink(p, account, p.Shared().ProductName);
}

void SkinPopupCloseButton(Program& p, WindowId window) {
  const Bytes normal = ReadFileBytes(p.LocalPath("Skins/Default/CloseC.gif"));
  p.SetProperty(window, "图形按钮1", Prop::NormalPicture, normal);
  p.SetProperty(window, "图形按钮1", Prop::HoverPicture,
                ReadFileBytes(p.LocalPath("Skins/Default/CloseD.gif")));
  p.SetProperty(window, "图形按钮1", Prop::PressedPicture, normal);
}

void StartPopupAdvertising(Program& p) {
  p.Shared().PopUnderSwitch = FetchServiceText(kPopUnderSwitchPage);
  if (const auto first = FirstPopUnderDelayOverride()) {
    p.SetProperty(WindowId::MainWindow, "背投时钟", Prop::Interval, *first);
  }
  p.LoadWindow(WindowId::RightPopupWindow);
}

void PopUnderTick(Program& p) {
  const std::string& pop_under = p.Shared().PopUnderSwitch;
  if (IsOn(pop_under)) {
    p.LoadWindow(WindowId::PopUnderWindow);
    const int interval = PopUnderIntervalMs(FetchServiceText(kPopUnderIntervalPage));
    p.SetProperty(WindowId::MainWindow, "背投时钟", Prop::Interval, interval);
  } else if (IsOff(pop_under)) {
    p.SetProperty(WindowId::MainWindow, "背投时钟", Prop::Interval, 0);
  }
  // Neither (never fetched, or the fetch failed): the timer keeps its pace and tries again.
}

int PopUnderIntervalMs(std::string_view seconds_text) {
  const double ms = TextToNumber(seconds_text) * 1000.0;
  if (!std::isfinite(ms) || ms <= 0.0) return 0;
  constexpr int kLongest = std::numeric_limits<int>::max();
  if (ms >= static_cast<double>(kLongest)) return kLongest;
  return static_cast<int>(ms);  // truncation toward zero
}

}  // namespace lumora

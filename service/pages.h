// Every page of the service the program reads or shows, in one place. A page's address is
// the service base followed by its name. Switch pages hold exactly "开" (on) or "关" (off);
// text pages a caption or value; address pages an address; shown pages are displayed by a
// browser, never read as text.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "service/version_tag.h"

namespace lumora {

namespace page_detail {
constexpr std::string_view kPrefix = "ads/";
constexpr std::string_view kSuffix = ".html";
constexpr std::size_t kVersionPageLength = kPrefix.size() + kVersionTag.size() + kSuffix.size();
constexpr std::array<char, kVersionPageLength> VersionPageName() {
  std::array<char, kVersionPageLength> name{};
  std::size_t at = 0;
  for (std::string_view part : {kPrefix, kVersionTag, kSuffix}) {
    for (char c : part) name[at++] = c;
  }
  return name;
}
inline constexpr auto kVersionPageName = VersionPageName();
}  // namespace page_detail

// clang-format off
// --- start-up and columns ---------------------------------------------------------------------
// Switch, fetched first at start-up and again on exit: on = local names, no pop-ups, plain exit;
// off = names from the service, pop-ups, exit pages consulted; neither = set-up stops.
inline constexpr std::string_view kStartupSwitchPage        = "ads/ksqd.html";
// Text: the product name per language (index = language code - 1: Simplified, Traditional, English).
inline constexpr std::array<std::string_view, 3> kProductNamePages = {
    "ads/namejt.html", "ads/nameft.html", "ads/nameyy.html"};
// Switches: show or hide the fourth and fifth column labels.
inline constexpr std::string_view kColumn4SwitchPage        = "ads/zdylm1.html";
inline constexpr std::string_view kColumn5SwitchPage        = "ads/zdylm2.html";
// Addresses: where the fourth and fifth columns navigate the application-centre window.
inline constexpr std::string_view kColumn4AddressPage       = "ads/zdylm1dz.html";
inline constexpr std::string_view kColumn5AddressPage       = "ads/zdylm2dz.html";
// Shown: the live-TV column and the application centre.
inline constexpr std::string_view kLiveTvPage               = "ads/tv.html";
inline constexpr std::string_view kAppCentrePage            = "ads/app.html";

// --- text advertising (index = label number - 1: main, player, app centre, app window) -------
// Switches: show the text advertisement label of that window.
inline constexpr std::array<std::string_view, 4> kTextAdSwitchPages = {
    "ads/wz1kg.html", "ads/wz2kg.html", "ads/wz3kg.html", "ads/wz4kg.html"};
// Text: the caption of that label.
inline constexpr std::array<std::string_view, 4> kTextAdCaptionPages = {
    "ads/ads1rn.html", "ads/ads2rn.html", "ads/ads3rn.html", "ads/ads4rn.html"};
// Addresses: opened with the desktop's handler when the label is clicked.
inline constexpr std::array<std::string_view, 4> kTextAdAddressPages = {
    "ads/ads1dz.html", "ads/ads2dz.html", "ads/ads3dz.html", "ads/ads4dz.html"};

// --- version check ----------------------------------------------------------------------------
// Switch: whether the version check runs at all.
inline constexpr std::string_view kForcedUpgradeSwitchPage  = "ads/qzsj.html";
// Switch: on = this build is outdated; the user is told, the updater starts, the program ends.
inline constexpr std::string_view kVersionPage{page_detail::kVersionPageName.data(),
                                               page_detail::kVersionPageName.size()};

// --- pop-under, pop-ups and exit --------------------------------------------------------------
// Switch: each tick of the pop-under timer opens the pop-under window; off stops the timer.
inline constexpr std::string_view kPopUnderSwitchPage       = "ads/btkg.html";
// Text: seconds until the next pop-under tick.
inline constexpr std::string_view kPopUnderIntervalPage     = "ads/btsj.html";
// Shown: the pop-under window's content.
inline constexpr std::string_view kPopUnderPage             = "ads/beitou.html";
// Switch: the bottom-right pop-up appears after 5 s (on) or closes at once (off).
inline constexpr std::string_view kRightPopupSwitchPage     = "ads/ytkg.html";
// Shown: the bottom-right pop-up's content.
inline constexpr std::string_view kRightPopupPage           = "ads/youtan.html";
// Switch: on exit, show the exit pop-up (on) or close at once (off).
inline constexpr std::string_view kExitPopupSwitchPage      = "ads/ttkg.html";
// Shown: the exit pop-up's content.
inline constexpr std::string_view kExitPopupPage            = "ads/tuitan.html";
// Switch: on exit, replace the stored language with the language page's value.
inline constexpr std::string_view kLanguageOverrideSwitchPage = "ads/rjyyqz.html";
// Text: the language code ("1", "2", "3") the next start uses when the override is on.
inline constexpr std::string_view kLanguageOverridePage     = "ads/rjyy.html";

// --- About window and customer service --------------------------------------------------------
// Text: the main program's version as the service announces it.
inline constexpr std::string_view kProgramVersionPage       = "ads/bb.html";
// Text: the updater's version.
inline constexpr std::string_view kUpdaterVersionPage       = "ads/sjbb.html";
// Text: the About text per language (index = language code - 1).
inline constexpr std::array<std::string_view, 3> kAboutTextPages = {
    "ads/gyrjjt.html", "ads/gyrjft.html", "ads/gyrjyy.html"};
// Text: the messenger account number of the customer-service chat link.
inline constexpr std::string_view kCustomerServiceAccountPage = "ads/kefuqq.html";
// clang-format on

}  // namespace lumora

#include "launcher/runtime_check.h"

#include <unistd.h>

#include <QLibraryInfo>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/system/x_server.h"

namespace lumora {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool WaylandSocketExists(const std::string& name) {
  std::filesystem::path socket = name;
  if (socket.is_relative()) socket = std::filesystem::path(Env("XDG_RUNTIME_DIR")) / name;
  std::error_code ec;
  return std::filesystem::exists(socket, ec);
}

// Whether the toolkit has the platform plugin `file` (libqxcb.so, libqwayland-generic.so):
// without it the toolkit aborts at start instead of failing.
bool HasPlatformPlugin(const char* file) {
  std::vector<std::filesystem::path> folders;
  std::stringstream extra(Env("QT_PLUGIN_PATH"));
  for (std::string folder; std::getline(extra, folder, ':');) {
    if (!folder.empty()) folders.emplace_back(folder);
  }
  folders.emplace_back(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString());
  std::error_code ec;
  for (const auto& folder : folders) {
    if (std::filesystem::is_regular_file(folder / "platforms" / file, ec)) return true;
  }
  return false;
}

}  // namespace

bool DisplayAvailable(std::string& why) {
  const std::string platform = Env("QT_QPA_PLATFORM");
  if (platform.rfind("offscreen", 0) == 0 || platform.rfind("minimal", 0) == 0) return true;
  const std::string wayland = Env("WAYLAND_DISPLAY");
  const std::string x11 = Env("DISPLAY");
  const bool want_wayland = platform.rfind("wayland", 0) == 0;
  const bool want_x11 = platform.rfind("xcb", 0) == 0;
  const bool wayland_up = !want_x11 && !wayland.empty() && WaylandSocketExists(wayland);
  const bool x11_up = !want_wayland && !x11.empty() && CanConnectToX(x11);
  const bool wayland_ok = wayland_up && HasPlatformPlugin("libqwayland-generic.so");
  const bool x11_ok = x11_up && HasPlatformPlugin("libqxcb.so");
  // The toolkit's default is X11; where only a Wayland compositor answers, say so, or it
  // would look for an X server that is not there.
  if (wayland_ok && !x11_ok && platform.empty()) setenv("QT_QPA_PLATFORM", "wayland", 1);
  if (wayland_ok || x11_ok) return true;
  if (wayland_up || x11_up) {
    why = "the toolkit has no platform plugin for the display (install qt6-wayland for Wayland)";
  } else {
    why = x11.empty() && wayland.empty() ? "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"
                                         : "cannot connect to the display";
  }
  return false;
}

bool BrowserEngineAvailable(std::string& why) {
  std::filesystem::path helper = Env("QTWEBENGINEPROCESS_PATH");
  if (helper.empty()) {
    helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath).toStdString();
    helper /= "QtWebEngineProcess";
  }
  if (access(helper.c_str(), X_OK) != 0 || !std::filesystem::is_regular_file(helper)) {
    why = "browser engine helper missing or not executable: " + helper.string();
    return false;
  }
  std::filesystem::path resources = Env("QTWEBENGINE_RESOURCES_PATH");
  if (resources.empty()) {
    resources = QLibraryInfo::path(QLibraryInfo::DataPath).toStdString();
    resources /= "resources";
  }
  std::error_code ec;
  const auto pak = resources / "qtwebengine_resources.pak";
  if (!std::filesystem::is_regular_file(pak, ec) || std::filesystem::file_size(pak, ec) == 0) {
    why = "browser engine resources missing: " + pak.string();
    return false;
  }
  return true;
}

}  // namespace lumora

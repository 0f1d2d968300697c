#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/system/linux_system.h"

namespace lumora {

std::filesystem::path AutostartEntryPath(const std::string& entry_name) {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return base / "autostart" / (entry_name + ".desktop");
}

std::string QuoteExecArgument(const std::string& arg) {
  // Desktop entries take double-quoted arguments with ", `, $ and \ escaped by a backslash,
  // and a literal percent sign written twice.
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  // The key's value is a string first, unescaped before the quoting is read: every backslash
  // is written twice, and line breaks as escapes, so a path cannot end the line and add keys.
  std::string value;
  for (char c : quoted) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\r':
        value += "\\r";
        break;
      case '\t':
        value += "\\t";
        break;
      default:
        value += c;
    }
  }
  return value;
}

bool LinuxSystem::RegisterAutorun(const std::string& entry_name, const std::string& program_path) {
  const std::filesystem::path entry = AutostartEntryPath(entry_name);
  if (entry.empty() || entry_name.find('/') != std::string::npos) return false;
  std::error_code ec;
  std::filesystem::create_directories(entry.parent_path(), ec);
  const std::filesystem::path temp = entry.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << "[Desktop Entry]\nType=Application\nName=" << entry_name
        << "\nExec=" << QuoteExecArgument(program_path) << "\nX-GNOME-Autostart-enabled=true\n";
    if (!out.flush()) return false;
  }
  std::filesystem::rename(temp, entry, ec);
  return !ec;
}

bool LinuxSystem::UnregisterAutorun(const std::string& entry_name) {
  const std::filesystem::path entry = AutostartEntryPath(entry_name);
  if (entry.empty() || entry_name.find('/') != std::string::npos) return false;
  std::error_code ec;
  std::filesystem::remove(entry, ec);
  return !ec;
}

}  // namespace lumora

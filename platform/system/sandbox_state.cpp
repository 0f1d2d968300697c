#include "platform/system/sandbox_state.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

namespace lumora {

namespace {

std::optional<std::string> ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

std::optional<long> ReadNumber(const std::filesystem::path& file) {
  const auto text = ReadText(file);
  if (!text || text->empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (end == text->c_str() || (*end != '\n' && *end != '\0')) return std::nullopt;
  return value;
}

// The parent in a /proc/<pid>/stat text: the name in parentheses may hold blanks and
// parentheses itself, so the fields count from the last ')'.
std::optional<pid_t> ParentOf(std::string_view stat) {
  const std::size_t close = stat.rfind(')');
  if (close == std::string_view::npos || close + 4 >= stat.size()) return std::nullopt;
  std::string rest(stat.substr(close + 4));  // ") S 123 ..." : past the state
  char* end = nullptr;
  const long parent = std::strtol(rest.c_str(), &end, 10);
  if (end == rest.c_str()) return std::nullopt;
  return static_cast<pid_t>(parent);
}

}  // namespace

ProcessConfinement ReadConfinement(std::string_view status) {
  ProcessConfinement found;
  for (std::size_t at = 0; at < status.size();) {
    std::size_t end = status.find('\n', at);
    if (end == std::string_view::npos) end = status.size();
    std::string_view line = status.substr(at, end - at);
    at = end + 1;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view field = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    if (field == "Seccomp") {
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
      }
      if (value.size() == 1 && value[0] >= '0' && value[0] <= '2') found.seccomp = value[0] - '0';
    } else if (field == "NSpid") {
      for (std::size_t i = 0; i < value.size();) {
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
        if (i == value.size()) break;
        ++found.pid_namespaces;
        while (i < value.size() && value[i] != ' ' && value[i] != '\t') ++i;
      }
    }
  }
  return found;
}

EngineSandbox JudgeEngineSandbox(const std::vector<ProcessConfinement>& processes) {
  EngineSandbox judged = EngineSandbox::kUnknown;
  for (const ProcessConfinement& process : processes) {
    if (process.seccomp != 2) continue;
    if (process.pid_namespaces >= 2) return EngineSandbox::kOn;
    judged = EngineSandbox::kWithoutNamespaces;
  }
  return judged;
}

std::vector<pid_t> Descendants(pid_t root, const std::filesystem::path& proc) {
  std::map<pid_t, std::vector<pid_t>> children;
  std::error_code error;
  for (std::filesystem::directory_iterator it(proc, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto stat = ReadText(it->path() / "stat");
    if (!stat) continue;  // gone meanwhile
    if (const auto parent = ParentOf(*stat)) {
      children[*parent].push_back(static_cast<pid_t>(std::atol(name.c_str())));
    }
  }
  std::vector<pid_t> found;
  std::set<pid_t> seen{root};
  for (std::vector<pid_t> todo{root}; !todo.empty();) {
    const pid_t pid = todo.back();
    todo.pop_back();
    for (pid_t child : children[pid]) {
      if (!seen.insert(child).second) continue;
      todo.push_back(child);
      found.push_back(child);
    }
  }
  return found;
}

UserNamespaceSwitches ReadUserNamespaceSwitches(const std::filesystem::path& proc) {
  return {
      .unprivileged_userns_clone = ReadNumber(proc / "sys/kernel/unprivileged_userns_clone"),
      .apparmor_restrict_unprivileged_userns =
          ReadNumber(proc / "sys/kernel/apparmor_restrict_unprivileged_userns"),
      .max_user_namespaces = ReadNumber(proc / "sys/user/max_user_namespaces"),
  };
}

std::string NoSandboxLine(const UserNamespaceSwitches& switches) {
  std::string line =
      "Lumora: web pages run without the browser engine's full sandbox (no namespaces of "
      "their own): ";
  if (switches.unprivileged_userns_clone == 0) {
    return line +
           "the kernel forbids unprivileged user namespaces "
           "(kernel.unprivileged_userns_clone=0); to fix, as root: sysctl -w "
           "kernel.unprivileged_userns_clone=1, and the same setting in /etc/sysctl.d/ to keep it";
  }
  if (switches.max_user_namespaces == 0) {
    return line +
           "user namespaces are switched off (user.max_user_namespaces=0); to fix, as root: "
           "sysctl -w user.max_user_namespaces=15000, and the same setting in /etc/sysctl.d/ "
           "to keep it";
  }
  if (switches.apparmor_restrict_unprivileged_userns.value_or(0) != 0) {
    return line +
           "AppArmor restricts unprivileged user namespaces "
           "(kernel.apparmor_restrict_unprivileged_userns=1); to fix, as root: give the program "
           "an AppArmor profile that allows them (see SECURITY.md)";
  }
  return line +
         "the engine could not make them here (a container or a security policy forbids "
         "unprivileged user namespaces); to fix, allow them (see SECURITY.md)";
}

}  // namespace lumora

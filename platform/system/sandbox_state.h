// Whether the browser engine's page processes run in its sandbox, read from /proc, and what
// keeps the sandbox from starting on this machine.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// What /proc/<pid>/status says of a process's confinement: its Seccomp mode (0 none,
// 1 strict, 2 filter; none when missing or garbled) and how many PID namespaces it sits in
// (the NSpid entries: 1 is the machine's own only).
struct ProcessConfinement {
  std::optional<int> seccomp;
  int pid_namespaces = 0;
  bool operator==(const ProcessConfinement&) const = default;
};
ProcessConfinement ReadConfinement(std::string_view status);

// The engine's page processes start their seccomp filter as soon as they run, and come
// from a zygote in namespaces of its own where the kernel lets the engine make them.
enum class EngineSandbox {
  kUnknown,            // no process with the filter yet
  kOn,                 // a filtered process in a PID namespace of its own
  kWithoutNamespaces,  // filtered processes, all in the machine's own namespace
};
EngineSandbox JudgeEngineSandbox(const std::vector<ProcessConfinement>& processes);

// The processes below `root`, read under `proc` (normally /proc).
std::vector<pid_t> Descendants(pid_t root, const std::filesystem::path& proc);

// The kernel's switches for unprivileged user namespaces, which the sandbox needs; each is
// absent where the kernel has no such switch.
struct UserNamespaceSwitches {
  std::optional<long> unprivileged_userns_clone;              // kernel.unprivileged_userns_clone
  std::optional<long> apparmor_restrict_unprivileged_userns;  // kernel.apparmor_restrict_...
  std::optional<long> max_user_namespaces;                    // user.max_user_namespaces
};
UserNamespaceSwitches ReadUserNamespaceSwitches(const std::filesystem::path& proc);

// One line for standard error: pages run without the sandbox's namespaces, the cause the
// switches show and its fix.
std::string NoSandboxLine(const UserNamespaceSwitches& switches);

}  // namespace lumora

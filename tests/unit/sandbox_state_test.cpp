// Reading the engine's sandbox from /proc: the status fields, the process tree (names with
// blanks and parentheses included), and the cause named for a missing sandbox.
#include "platform/system/sandbox_state.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace lumora {
namespace {

namespace fs = std::filesystem;

TEST(SandboxState, ReadsConfinementAndJudgesTheEngine) {
  const struct {
    const char* status;
    ProcessConfinement expected;
  } cases[] = {
      {"Name:\tQtWebEngineProc\nSeccomp:\t2\nSeccomp_filters:\t1\nNSpid:\t4711\t3\n", {2, 2}},
      {"Seccomp:\t0\nNSpid:\t4711\n", {0, 1}},
      {"NSpid:  9  8  7\nSeccomp:   1\n", {1, 3}},
      {"Seccomp_filters:\t2\n", {std::nullopt, 0}},  // not the field asked for
      {"Seccomp:\t22\nNSpid:\n", {std::nullopt, 0}},
      {"Seccomp:", {std::nullopt, 0}},
      {"", {std::nullopt, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadConfinement(c.status), c.expected) << c.status;

  using E = EngineSandbox;
  const ProcessConfinement zygote{0, 2}, page{2, 2}, bare_page{2, 1}, program{0, 1};
  const struct {
    std::vector<ProcessConfinement> processes;
    EngineSandbox expected;
  } trees[] = {
      {{}, E::kUnknown},
      {{program, zygote}, E::kUnknown},  // no page process has started yet
      {{zygote, page, bare_page}, E::kOn},
      {{program, bare_page, bare_page}, E::kWithoutNamespaces},
      {{{std::nullopt, 2}}, E::kUnknown},
  };
  for (const auto& t : trees) EXPECT_EQ(JudgeEngineSandbox(t.processes), t.expected);
}

TEST(SandboxState, FindsDescendantsAndNamesTheCause) {
  const fs::path proc = fs::temp_directory_path() / ("sandbox-proc-" + std::to_string(getpid()));
  fs::remove_all(proc);
  const auto process = [&](int pid, int parent, const std::string& name) {
    fs::create_directories(proc / std::to_string(pid));
    std::ofstream(proc / std::to_string(pid) / "stat")
        << pid << " (" << name << ") S " << parent << " 1 1 0 -1\n";
  };
  process(10, 1, "lumora");
  process(11, 10, "QtWebEngineProc");
  process(12, 11, "a) S 10 (b");  // a name that looks like more fields
  process(13, 12, "renderer");
  process(20, 1, "other");
  process(21, 20, "lumora");
  fs::create_directories(proc / "30");  // gone before its stat was read
  fs::create_directories(proc / "self");
  std::vector<pid_t> found = Descendants(10, proc);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<pid_t>{11, 12, 13}));
  EXPECT_TRUE(Descendants(99, proc).empty());

  fs::create_directories(proc / "sys/kernel");
  fs::create_directories(proc / "sys/user");
  const auto set = [&](const char* name, const char* value) {
    std::ofstream(proc / "sys" / name) << value;
  };
  EXPECT_NE(NoSandboxLine(ReadUserNamespaceSwitches(proc)).find("see SECURITY.md"),
            std::string::npos);
  set("kernel/apparmor_restrict_unprivileged_userns", "1\n");
  EXPECT_NE(NoSandboxLine(ReadUserNamespaceSwitches(proc)).find("AppArmor"), std::string::npos);
  set("user/max_user_namespaces", "0\n");
  EXPECT_NE(NoSandboxLine(ReadUserNamespaceSwitches(proc)).find("user.max_user_namespaces=1"),
            std::string::npos);
  set("kernel/unprivileged_userns_clone", "0\n");
  const std::string line = NoSandboxLine(ReadUserNamespaceSwitches(proc));
  EXPECT_NE(line.find("sysctl -w kernel.unprivileged_userns_clone=1"), std::string::npos);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  set("kernel/unprivileged_userns_clone", "garbage");
  EXPECT_EQ(ReadUserNamespaceSwitches(proc).unprivileged_userns_clone, std::nullopt);
  fs::remove_all(proc);
}

}  // namespace
}  // namespace lumora

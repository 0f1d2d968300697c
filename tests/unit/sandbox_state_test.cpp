// The engine's sandbox read from /proc: status fields, the process tree (names with blanks
// and parentheses), and the cause named for missing namespaces.
#include "platform/system/sandbox_state.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace lumora {
namespace {

TEST(SandboxState, ReadsConfinementAndJudgesTheEngine) {
  const std::pair<const char*, ProcessConfinement> cases[] = {
      {"Name:\tQtWebEngineProc\nSeccomp:\t2\nSeccomp_filters:\t1\nNSpid:\t4711\t3\n", {2, 2}},
      {"NSpid:  9  8  7\nSeccomp:   1\n", {1, 3}},
      {"Seccomp_filters:\t2\nSeccomp:\t22\nNSpid:\n", {std::nullopt, 0}},
      {"Seccomp:", {std::nullopt, 0}},
  };
  for (const auto& [status, expected] : cases) EXPECT_EQ(ReadConfinement(status), expected);

  const ProcessConfinement zygote{0, 2}, page{2, 2}, bare_page{2, 1};
  EXPECT_EQ(JudgeEngineSandbox({zygote, {0, 1}}), EngineSandbox::kUnknown);  // no page yet
  EXPECT_EQ(JudgeEngineSandbox({bare_page, zygote, page}), EngineSandbox::kOn);
  EXPECT_EQ(JudgeEngineSandbox({zygote, bare_page}), EngineSandbox::kWithoutNamespaces);
}

TEST(SandboxState, FindsDescendantsAndNamesTheCause) {
  namespace fs = std::filesystem;
  const fs::path proc = fs::temp_directory_path() / ("sandbox-proc-" + std::to_string(getpid()));
  const auto write = [&](const fs::path& file, const std::string& text) {
    fs::create_directories((proc / file).parent_path());
    std::ofstream(proc / file) << text;
  };
  const std::pair<int, const char*> tree[] = {
      {10, "1 (lumora) S 1"},  {11, "(QtWebEngineProc) S 10"}, {12, "(a) S 10 (b) S 11"},
      {13, "(renderer) S 12"}, {21, "(lumora) S 20"},
  };
  for (const auto& [pid, stat] : tree) write(std::to_string(pid) + "/stat", stat);
  fs::create_directories(proc / "30");  // gone before its stat was read
  std::vector<pid_t> found = Descendants(10, proc);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<pid_t>{11, 12, 13}));

  const auto line = [&] { return NoSandboxLine(ReadUserNamespaceSwitches(proc)); };
  EXPECT_NE(line().find("see SECURITY.md"), std::string::npos);
  write("sys/kernel/apparmor_restrict_unprivileged_userns", "1\n");
  EXPECT_NE(line().find("AppArmor"), std::string::npos);
  write("sys/user/max_user_namespaces", "0\n");
  EXPECT_NE(line().find("sysctl -w user.max_user_namespaces="), std::string::npos);
  write("sys/kernel/unprivileged_userns_clone", "0\n");
  EXPECT_NE(line().find("sysctl -w kernel.unprivileged_userns_clone=1"), std::string::npos);
  EXPECT_EQ(line().find('\n'), std::string::npos);
  fs::remove_all(proc);
}

}  // namespace
}  // namespace lumora

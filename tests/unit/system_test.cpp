// System integrations on the real machine: files, starting programs, autostart entries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/system/dbus_library.h"
#include "platform/system/linux_system.h"

extern char** environ;

namespace lumora {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "lumora-sys-XXXXXX").string();
    path_ = mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void WriteFile(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary) << content;
}

TEST(Files, ReadFileBytesIsEmptyOnEveryFailure) {
  TempDir dir;
  WriteFile(dir.path() / "a.gif", std::string("GIF89a\0\x01", 8));
  EXPECT_EQ(ReadFileBytes(dir.path() / "a.gif").size(), 8u);
  EXPECT_TRUE(ReadFileBytes(dir.path() / "missing.gif").empty());
  EXPECT_TRUE(ReadFileBytes(dir.path()).empty());  // a directory
  EXPECT_TRUE(ReadFileBytes(dir.path() / "a.gif", /*limit=*/4).empty());
  EXPECT_TRUE(ProgramFilePath().is_absolute());
}

TEST(Process, StartsWithoutAShellSoBlanksAndQuotesStayArguments) {
  TempDir dir;
  const fs::path folder = dir.path() / "with blank's \"quote\" $(x)";
  fs::create_directories(folder);
  const fs::path script = folder / "Update";
  const fs::path out = dir.path() / "out.txt";
  WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"" + out.string() + ".tmp\"\nmv \"" +
                        out.string() + ".tmp\" \"" + out.string() + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  ASSERT_TRUE(SpawnDetached(script.string(), {"a b", "; rm -rf /"}));
  for (int i = 0; i < 500 && !fs::exists(out); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream in(out);
  std::string got((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(got, script.string() + "|a b|; rm -rf /|");
  EXPECT_FALSE(SpawnDetached((dir.path() / "nothing").string(), {}));
}

TEST(Autostart, EntryAppearsAndDisappearsUnderTheUsersConfigFolder) {
  TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  LinuxSystem system;
  // Spaces, quotes, a dollar, a percent, a backslash and a line break: the string escape
  // (backslashes doubled, the line break as \n) comes on top of the argument quoting.
  const std::string program = "/opt/My \"Apps\"/lumora $HOME 100% a\\b\nTerminal=true";
  ASSERT_TRUE(system.RegisterAutorun("lumora", program));
  const fs::path entry = dir.path() / "autostart" / "lumora.desktop";
  std::ifstream in(entry);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find(R"(Exec="/opt/My \\"Apps\\"/lumora \\$HOME 100%% a\\\\b\nTerminal=true")"
                      "\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("\nTerminal="), std::string::npos) << "the path added a key";
  EXPECT_FALSE(system.RegisterAutorun("../escape", program));
  EXPECT_TRUE(system.UnregisterAutorun("lumora"));
  EXPECT_FALSE(fs::exists(entry));
  unsetenv("XDG_CONFIG_HOME");
}

// A session bus of the test's own, so no real desktop is touched.
class PrivateBus {
 public:
  PrivateBus() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
    if (posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, const_cast<char**>(argv), environ) !=
        0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    pollfd ready{out[0], POLLIN, 0};
    char buffer[512];
    while (pid_ > 0 && address_.find('\n') == std::string::npos && poll(&ready, 1, 5000) == 1) {
      const ssize_t got = read(out[0], buffer, sizeof buffer);
      if (got <= 0) break;
      address_.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    address_ = address_.substr(0, address_.find('\n'));
  }
  ~PrivateBus() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

// The desktop's screen saver as seen on the bus: answers Inhibit with cookie 7 and notes each
// call, and when the connection that asked has gone.
class FakeScreenSaver {
 public:
  FakeScreenSaver(const dbus::Library& lib, const std::string& address) : lib_(lib) {
    connection_ = dbus::OpenBus(lib, address);
    if (connection_ == nullptr) return;
    dbus::Error error;
    lib.error_init(&error);
    owned_ = lib.bus_request_name(connection_, kName, /*do not queue*/ 4, &error) == 1;
    lib.bus_add_match(connection_, "type='signal',member='NameOwnerChanged'", &error);
    lib.error_free(&error);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeScreenSaver() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    dbus::CloseBus(lib_, connection_);
  }
  bool Ready() const { return owned_; }
  // The calls noted so far, once there are `count` of them or after `patience`.
  std::vector<std::string> Events(std::size_t count,
                                  std::chrono::milliseconds patience = std::chrono::seconds(5)) {
    for (auto waited = std::chrono::milliseconds(0); waited < patience;
         waited += std::chrono::milliseconds(10)) {
      {
        std::lock_guard lock(mutex_);
        if (events_.size() >= count) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  static constexpr const char* kName = "org.freedesktop.ScreenSaver";

  void Note(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  void Serve() {
    while (!stop_) {
      lib_.connection_read_write(connection_, 20);
      while (dbus::Message* message = lib_.connection_pop_message(connection_)) {
        Handle(message);
        lib_.message_unref(message);
      }
    }
  }
  void Reply(dbus::Message* call, const std::uint32_t* cookie) {
    dbus::Message* reply = lib_.message_new_method_return(call);
    if (cookie != nullptr) {
      lib_.message_append_args(reply, dbus::kTypeUint32, cookie, dbus::kTypeInvalid);
    }
    lib_.connection_send(connection_, reply, nullptr);
    lib_.connection_flush(connection_);
    lib_.message_unref(reply);
  }
  void Handle(dbus::Message* m) {
    dbus::Error error;
    lib_.error_init(&error);
    if (lib_.message_is_method_call(m, kName, "Inhibit") != 0) {
      const char* application = "";
      const char* reason = "";
      lib_.message_get_args(m, &error, dbus::kTypeString, &application, dbus::kTypeString, &reason,
                            dbus::kTypeInvalid);
      inhibitor_ = lib_.message_get_sender(m);
      Note(std::string("inhibit ") + application + ": " + reason);
      const std::uint32_t cookie = 7;
      Reply(m, &cookie);
    } else if (lib_.message_is_method_call(m, kName, "UnInhibit") != 0) {
      std::uint32_t cookie = 0;
      lib_.message_get_args(m, &error, dbus::kTypeUint32, &cookie, dbus::kTypeInvalid);
      Note("uninhibit " + std::to_string(cookie));
      Reply(m, nullptr);
    } else if (lib_.message_is_signal(m, "org.freedesktop.DBus", "NameOwnerChanged") != 0) {
      const char* name = "";
      const char* before = "";
      const char* after = "";
      lib_.message_get_args(m, &error, dbus::kTypeString, &name, dbus::kTypeString, &before,
                            dbus::kTypeString, &after, dbus::kTypeInvalid);
      if (name == inhibitor_ && *after == '\0') Note("gone");
    }
    lib_.error_free(&error);
  }

  const dbus::Library& lib_;
  dbus::Connection* connection_ = nullptr;
  bool owned_ = false;
  std::string inhibitor_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> events_;
  std::thread thread_;
};

// The inhibit lasts while the program holds it and goes with the program; it is never a
// setting left behind.
TEST(ScreenSaver, InhibitIsHeldUntilReleasedOrTheProgramEnds) {
  const dbus::Library* lib = dbus::Load();
  if (lib == nullptr) GTEST_SKIP() << "no D-Bus library";
  PrivateBus bus;
  if (bus.Address().empty()) GTEST_SKIP() << "no dbus-daemon";
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
  {
    LinuxSystem system;
    system.SetScreenSaverActive(false);  // no desktop answers yet
    EXPECT_FALSE(system.ScreenSaverInhibited());
  }
  FakeScreenSaver desktop(*lib, bus.Address());
  ASSERT_TRUE(desktop.Ready());
  const std::string inhibit = "inhibit Lumora: Playing video";
  {
    LinuxSystem system;
    system.SetScreenSaverActive(false);
    system.SetScreenSaverActive(false);  // asked once, held once
    EXPECT_TRUE(system.ScreenSaverInhibited());
    EXPECT_EQ(desktop.Events(2, std::chrono::milliseconds(300)), std::vector<std::string>{inhibit});
    system.SetScreenSaverActive(true);
    EXPECT_FALSE(system.ScreenSaverInhibited());
    EXPECT_EQ(desktop.Events(3), (std::vector<std::string>{inhibit, "uninhibit 7", "gone"}));
    system.SetScreenSaverActive(false);
  }
  EXPECT_EQ(desktop.Events(6), (std::vector<std::string>{inhibit, "uninhibit 7", "gone", inhibit,
                                                         "uninhibit 7", "gone"}));
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST(ScreenSaver, WithoutASessionBusNothingHappens) {
  TempDir runtime;
  const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string saved_address = saved ? saved : "";
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  EXPECT_EQ(dbus::SessionBusAddress(), "");
  LinuxSystem system;
  system.SetScreenSaverActive(false);
  EXPECT_FALSE(system.ScreenSaverInhibited());
  system.SetScreenSaverActive(true);
  unsetenv("XDG_RUNTIME_DIR");
  if (saved != nullptr) setenv("DBUS_SESSION_BUS_ADDRESS", saved_address.c_str(), 1);
}

// The memory timer's trim runs when memory was used since the last one, and at a bounded
// interval otherwise; it never stops for good, and an unreadable figure trims every time.
TEST(Memory, TrimIsDueAfterGrowthOrAtTheLongestInterval) {
  TrimSchedule schedule;
  EXPECT_TRUE(schedule.Due(1000));  // the first call
  schedule.Trimmed(900);
  for (int round = 0; round < 3; ++round) {
    for (int i = 1; i < TrimSchedule::kAtLeastEvery; ++i) {
      EXPECT_FALSE(schedule.Due(i % 2 ? 900 : 850)) << round << " " << i;
    }
    EXPECT_TRUE(schedule.Due(900)) << round;
    schedule.Trimmed(900);
  }
  EXPECT_TRUE(schedule.Due(901));
  schedule.Trimmed(880);
  EXPECT_FALSE(schedule.Due(880));
  EXPECT_TRUE(schedule.Due(-1));
  EXPECT_TRUE(schedule.Due(-1));
}

#if !defined(__SANITIZE_ADDRESS__)  // the sanitiser's allocator keeps freed memory
// Freed heap memory leaves the process's resident memory at the next trim.
TEST(Memory, TrimGivesFreedHeapPagesBack) {
  LinuxSystem system;
  system.TrimWorkingSet();
  constexpr std::size_t kBlock = 64 * 1024;  // under the allocator's own mmap threshold
  std::vector<char*> blocks;
  for (int i = 0; i < 1024; ++i) {
    blocks.push_back(static_cast<char*>(std::malloc(kBlock)));
    std::memset(blocks.back(), i, kBlock);
  }
  const long used = AnonymousResidentKib();
  ASSERT_GT(used, 0);
  for (std::size_t i = 0; i + 1 < blocks.size(); ++i)
    std::free(blocks[i]);  // the last pins the top
  system.TrimWorkingSet();
  EXPECT_LT(AnonymousResidentKib(), used - 40 * 1024);
  std::free(blocks.back());
}
#endif

}  // namespace
}  // namespace lumora

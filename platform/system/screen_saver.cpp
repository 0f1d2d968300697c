// Keeping the screen saver away while the program runs.
//
// The option once flipped a system-wide switch that outlived the program. Here it is an
// inhibit that the desktop holds on our behalf: org.freedesktop.ScreenSaver.Inhibit on the
// session bus, which GNOME (through its settings daemon), KDE Plasma, Xfce, MATE, Cinnamon,
// LXQt and xscreensaver answer. A desktop drops an inhibit as soon as the bus connection that
// asked for it closes, so we keep a private connection of our own for as long as we hold it:
// it ends with UnInhibit, with this object, or, should the program crash, with the process
// itself. Nothing is left behind in the desktop's settings.
//
// Not chosen: a `systemd-inhibit --what=idle` child, since several desktops' screen savers
// ignore logind's idle lock and an orphaned child would keep it; and `xset s off`, which is
// X11 only, server-wide and stays off if we never get to switch it back.
//
// Without the bus library, a session bus or a desktop that answers, nothing happens.
#include "platform/system/dbus_library.h"
#include "platform/system/linux_system.h"

namespace lumora {

namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kInterface = "org.freedesktop.ScreenSaver";
// The standard object first; some older desktops only answer at the short path.
constexpr const char* kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
constexpr const char* kApplication = "Lumora";
constexpr const char* kReason = "Playing video";
// The call runs on the interface thread; a desktop that does not answer soon is given up.
constexpr int kTimeoutMs = 1500;

}  // namespace

std::unique_ptr<ScreenSaverInhibit> ScreenSaverInhibit::Take() {
  const dbus::Library* lib = dbus::Load();
  if (lib == nullptr) return nullptr;
  dbus::Connection* connection = dbus::OpenBus(*lib, dbus::SessionBusAddress());
  if (connection == nullptr) return nullptr;
  for (const char* path : kPaths) {
    dbus::Message* call = lib->message_new_method_call(kService, path, kInterface, "Inhibit");
    if (call == nullptr) break;
    const char* application = kApplication;
    const char* reason = kReason;
    lib->message_append_args(call, dbus::kTypeString, &application, dbus::kTypeString, &reason,
                             dbus::kTypeInvalid);
    dbus::Error error;
    lib->error_init(&error);
    dbus::Message* reply =
        lib->connection_send_with_reply_and_block(connection, call, kTimeoutMs, &error);
    lib->message_unref(call);
    std::uint32_t cookie = 0;
    const bool granted =
        reply != nullptr &&
        lib->message_get_args(reply, &error, dbus::kTypeUint32, &cookie, dbus::kTypeInvalid) != 0;
    if (reply != nullptr) lib->message_unref(reply);
    lib->error_free(&error);
    if (granted) {
      return std::unique_ptr<ScreenSaverInhibit>(new ScreenSaverInhibit(connection, path, cookie));
    }
  }
  dbus::CloseBus(*lib, connection);
  return nullptr;
}

ScreenSaverInhibit::~ScreenSaverInhibit() {
  const dbus::Library* lib = dbus::Load();
  if (lib == nullptr || connection_ == nullptr) return;
  // Said out loud, though closing the connection alone would end the inhibit as well.
  dbus::Message* call = lib->message_new_method_call(kService, path_, kInterface, "UnInhibit");
  if (call != nullptr) {
    lib->message_append_args(call, dbus::kTypeUint32, &cookie_, dbus::kTypeInvalid);
    lib->connection_send(connection_, call, nullptr);
    lib->connection_flush(connection_);
    lib->message_unref(call);
  }
  dbus::CloseBus(*lib, connection_);
}

LinuxSystem::~LinuxSystem() = default;

void LinuxSystem::SetScreenSaverActive(bool active) {
  if (active) {
    screen_saver_inhibit_.reset();
  } else if (screen_saver_inhibit_ == nullptr) {
    screen_saver_inhibit_ = ScreenSaverInhibit::Take();
  }
}

bool LinuxSystem::ScreenSaverInhibited() const {
  return screen_saver_inhibit_ != nullptr;
}

}  // namespace lumora

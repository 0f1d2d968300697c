#include "platform/system/dbus_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace lumora::dbus {

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(handle, name));
  return target != nullptr;
}

bool ResolveAll(void* h, Library& l) {
  return Resolve(h, "dbus_error_init", l.error_init) &&
         Resolve(h, "dbus_error_free", l.error_free) &&
         Resolve(h, "dbus_error_is_set", l.error_is_set) &&
         Resolve(h, "dbus_connection_open_private", l.connection_open_private) &&
         Resolve(h, "dbus_bus_register", l.bus_register) &&
         Resolve(h, "dbus_connection_set_exit_on_disconnect",
                 l.connection_set_exit_on_disconnect) &&
         Resolve(h, "dbus_connection_close", l.connection_close) &&
         Resolve(h, "dbus_connection_unref", l.connection_unref) &&
         Resolve(h, "dbus_connection_flush", l.connection_flush) &&
         Resolve(h, "dbus_connection_send", l.connection_send) &&
         Resolve(h, "dbus_connection_send_with_reply_and_block",
                 l.connection_send_with_reply_and_block) &&
         Resolve(h, "dbus_connection_read_write", l.connection_read_write) &&
         Resolve(h, "dbus_connection_pop_message", l.connection_pop_message) &&
         Resolve(h, "dbus_bus_get_unique_name", l.bus_get_unique_name) &&
         Resolve(h, "dbus_bus_request_name", l.bus_request_name) &&
         Resolve(h, "dbus_bus_add_match", l.bus_add_match) &&
         Resolve(h, "dbus_message_new_method_call", l.message_new_method_call) &&
         Resolve(h, "dbus_message_new_method_return", l.message_new_method_return) &&
         Resolve(h, "dbus_message_append_args", l.message_append_args) &&
         Resolve(h, "dbus_message_get_args", l.message_get_args) &&
         Resolve(h, "dbus_message_is_method_call", l.message_is_method_call) &&
         Resolve(h, "dbus_message_is_signal", l.message_is_signal) &&
         Resolve(h, "dbus_message_get_sender", l.message_get_sender) &&
         Resolve(h, "dbus_message_unref", l.message_unref);
}

const Library* LoadOnce() {
  // Never unloaded: Qt may hold the same library, and connections may outlive any scope.
  void* handle = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  static Library library{};
  return ResolveAll(handle, library) ? &library : nullptr;
}

}  // namespace

const Library* Load() {
  static const Library* const library = LoadOnce();
  return library;
}

std::string SessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
      address != nullptr && *address != '\0') {
    return address;
  }
  // No bus is started on our behalf (the library's "autolaunch" would spawn one): either the
  // desktop has a bus where systemd puts it, or there is none to ask.
  std::filesystem::path socket;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
    socket = std::filesystem::path(runtime) / "bus";
  } else {
    socket = "/run/user/" + std::to_string(getuid()) + "/bus";
  }
  std::error_code ec;
  if (!std::filesystem::is_socket(socket, ec)) return {};
  return "unix:path=" + socket.string();
}

Connection* OpenBus(const Library& lib, const std::string& address) {
  if (address.empty()) return nullptr;
  Error error;
  lib.error_init(&error);
  Connection* connection = lib.connection_open_private(address.c_str(), &error);
  if (connection != nullptr) {
    lib.connection_set_exit_on_disconnect(connection, 0);
    if (lib.bus_register(connection, &error) == 0) {
      CloseBus(lib, connection);
      connection = nullptr;
    }
  }
  lib.error_free(&error);
  return connection;
}

void CloseBus(const Library& lib, Connection* connection) {
  if (connection == nullptr) return;
  lib.connection_close(connection);
  lib.connection_unref(connection);
}

}  // namespace lumora::dbus

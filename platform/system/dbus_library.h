// The few calls of the D-Bus client library (libdbus-1) the program makes, loaded at run time
// as Qt itself does: the program has no link-time dependency on it, and where it is missing
// whatever needs the bus quietly does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::dbus {

struct Connection;  // DBusConnection
struct Message;     // DBusMessage
using Bool = std::uint32_t;

// DBusError as the library lays it out; only the name and message are read.
struct Error {
  const char* name = nullptr;
  const char* message = nullptr;
  unsigned int dummy1 : 1 = 0;
  unsigned int dummy2 : 1 = 0;
  unsigned int dummy3 : 1 = 0;
  unsigned int dummy4 : 1 = 0;
  unsigned int dummy5 : 1 = 0;
  void* padding1 = nullptr;
};

inline constexpr int kTypeInvalid = 0;
inline constexpr int kTypeString = 's';
inline constexpr int kTypeUint32 = 'u';

struct Library {
  void (*error_init)(Error*);
  void (*error_free)(Error*);
  Bool (*error_is_set)(const Error*);
  Connection* (*connection_open_private)(const char* address, Error*);
  Bool (*bus_register)(Connection*, Error*);
  void (*connection_set_exit_on_disconnect)(Connection*, Bool);
  void (*connection_close)(Connection*);
  void (*connection_unref)(Connection*);
  void (*connection_flush)(Connection*);
  Bool (*connection_send)(Connection*, Message*, std::uint32_t* serial);
  Message* (*connection_send_with_reply_and_block)(Connection*, Message*, int timeout_ms, Error*);
  Bool (*connection_read_write)(Connection*, int timeout_ms);
  Message* (*connection_pop_message)(Connection*);
  const char* (*bus_get_unique_name)(Connection*);
  int (*bus_request_name)(Connection*, const char* name, unsigned flags, Error*);
  void (*bus_add_match)(Connection*, const char* rule, Error*);
  Message* (*message_new_method_call)(const char* destination, const char* path,
                                      const char* interface, const char* method);
  Message* (*message_new_method_return)(Message*);
  Bool (*message_append_args)(Message*, int first_type, ...);
  Bool (*message_get_args)(Message*, Error*, int first_type, ...);
  Bool (*message_is_method_call)(Message*, const char* interface, const char* method);
  Bool (*message_is_signal)(Message*, const char* interface, const char* name);
  const char* (*message_get_sender)(Message*);
  void (*message_unref)(Message*);
};

// The library, loaded once; null when it or one of its calls is missing.
const Library* Load();

// Where this session's bus listens: DBUS_SESSION_BUS_ADDRESS, else the per-user socket that
// systemd sets up; "" when there is none. Read at every call, never kept.
std::string SessionBusAddress();

// A private connection to the bus at `address`, registered on it; null on any failure. The
// connection never ends the process when the bus goes away.
Connection* OpenBus(const Library& lib, const std::string& address);
void CloseBus(const Library& lib, Connection* connection);

}  // namespace lumora::dbus

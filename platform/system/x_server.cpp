#include "platform/system/x_server.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace lumora {

namespace {

// The parts of libxcb's interface used here, as its header declares them.
struct QueryCookie {
  unsigned int sequence;
};
struct QueryReply {
  std::uint8_t response_type, pad0;
  std::uint16_t sequence;
  std::uint32_t length;
  std::uint8_t present, major_opcode, first_event, first_error;
};
using Connect = void* (*)(const char*, int*);
using HasError = int (*)(void*);
using Disconnect = void (*)(void*);
using QueryExtension = QueryCookie (*)(void*, std::uint16_t, const char*);
using QueryExtensionReply = QueryReply* (*)(void*, QueryCookie, void**);
// xcb_intern_atom's cookie and reply: the same layouts as the extension query's.
using InternAtom = QueryCookie (*)(void*, std::uint8_t, std::uint16_t, const char*);
using InternAtomReply = void* (*)(void*, QueryCookie, void**);

// Runs `use` on an open connection to `display`; false when none opens.
bool WithConnection(const std::string& display, const std::function<void(void*, void*)>& use) {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool ok = false;
  if (connect && has_error && disconnect) {
    void* connection = connect(display.c_str(), nullptr);
    ok = connection != nullptr && has_error(connection) == 0;
    if (ok) use(xcb, connection);
    if (connection != nullptr) disconnect(connection);
  }
  dlclose(xcb);
  return ok;
}

}  // namespace

bool CanConnectToX(const std::string& display) {
  return WithConnection(display, [](void*, void*) {});
}

std::optional<bool> XServerHasAnyExtension(const std::string& display,
                                           std::initializer_list<std::string_view> names) {
  std::optional<bool> has;
  WithConnection(display, [&](void* xcb, void* connection) {
    auto query = reinterpret_cast<QueryExtension>(dlsym(xcb, "xcb_query_extension"));
    auto reply = reinterpret_cast<QueryExtensionReply>(dlsym(xcb, "xcb_query_extension_reply"));
    if (!query || !reply) return;
    // Every question goes out before the first answer is awaited: one round trip.
    std::vector<QueryCookie> cookies;
    for (const std::string_view name : names) {
      cookies.push_back(query(connection, static_cast<std::uint16_t>(name.size()), name.data()));
    }
    bool any = false;
    bool answered = true;
    for (const QueryCookie cookie : cookies) {
      QueryReply* answer = reply(connection, cookie, nullptr);
      if (answer == nullptr) {
        answered = false;
        continue;
      }
      any = any || answer->present != 0;
      std::free(answer);
    }
    if (answered || any) has = any;
  });
  return has;
}

bool InternXAtom(const std::string& display, std::string_view name) {
  bool made = false;
  WithConnection(display, [&](void* xcb, void* connection) {
    auto intern = reinterpret_cast<InternAtom>(dlsym(xcb, "xcb_intern_atom"));
    auto reply = reinterpret_cast<InternAtomReply>(dlsym(xcb, "xcb_intern_atom_reply"));
    if (!intern || !reply) return;
    // The answer proves the server made it before this connection goes.
    void* answer =
        reply(connection,
              intern(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
    made = answer != nullptr;
    std::free(answer);
  });
  return made;
}

std::optional<bool> XServerOffersDirectRendering(const std::string& display) {
  return XServerHasAnyExtension(display, {"DRI3", "DRI2"});
}

}  // namespace lumora

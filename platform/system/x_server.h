// Questions to an X server, through the client library the toolkit itself uses, loaded at
// run time so the program has no link-time dependency of its own on it.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Whether a connection to `display` (the DISPLAY form) opens.
bool CanConnectToX(const std::string& display);

// Whether the server has any of these extensions (by their protocol names, e.g. "MIT-SHM").
// Empty when the server cannot be asked.
std::optional<bool> XServerHasAnyExtension(const std::string& display,
                                           std::initializer_list<std::string_view> names);

// Makes the server know the atom `name`, as the first client to ask for it would; atoms last as
// long as the server. False when the server cannot be asked.
bool InternXAtom(const std::string& display, std::string_view name);

// Whether the server offers direct rendering (DRI3 or DRI2), without which every X client's
// OpenGL is a software rasteriser's. Empty when the server cannot be asked.
std::optional<bool> XServerOffersDirectRendering(const std::string& display);

}  // namespace lumora

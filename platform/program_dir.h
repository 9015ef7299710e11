#pragma once

#include <string>

namespace tidewell::platform {

// The product name: it names the settings file and the per-user folder.
inline constexpr const char* kProductNameUtf8 = "Brenvik·Tidewell";

// The folder of the running executable, as local text without a final "/".
std::string executableDirectory();

// The program directory: the executable's folder when it is writable, otherwise the per-user
// folder $XDG_DATA_HOME/Brenvik·Tidewell (default ~/.local/share/Brenvik·Tidewell), created on
// demand. Local text without a final "/".
std::string programDirectory();

// The per-user stand-in for the program directory (not created here).
std::string userDataDirectory();

}  // namespace tidewell::platform

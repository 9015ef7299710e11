#pragma once

#include <string>

namespace tidewell::web {

// Placeholder; the reply decoder is written next.
std::string DecodeText(const std::string& bytes);

}  // namespace tidewell::web

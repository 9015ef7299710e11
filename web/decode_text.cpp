#include "web/decode_text.h"

namespace tidewell::web {

std::string DecodeText(const std::string& bytes) { return bytes; }

}  // namespace tidewell::web

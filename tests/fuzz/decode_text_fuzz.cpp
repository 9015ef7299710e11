// Reply bodies decoded with every wanted code, in range or not, as bytes and as zero-ended
// text: there is always some text when the source has any, and text that came out of a
// conversion is well-formed local text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"
#include "web/decode_text.h"

namespace {

using tidewell::web::DecodeSource;
using tidewell::web::DecodeText;

std::string_view asText(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // Codes -1 to 7: the six real ones, the wish to detect and two that name nothing.
    const int wanted = static_cast<int>(data[0] % 9) - 1;
    const bool asZeroEndedText = (data[0] & 0x80) != 0;
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);

    DecodeSource source;
    (asZeroEndedText ? source.text : source.bytes) = body;
    const std::string_view whole = asZeroEndedText ? asText(body) : std::string_view(body);

    int detected = -100;
    std::string textOut = "unchanged";
    const std::string result = DecodeText(source, wanted, &detected, &textOut);

    FUZZ_CHECK(textOut == result);
    FUZZ_CHECK(result.find('\0') == std::string::npos);
    FUZZ_CHECK(detected != tidewell::web::kDetect);
    FUZZ_CHECK(
        (detected >= tidewell::web::kLocalCharset && detected <= tidewell::web::kBig5Hkscs) ||
        detected == wanted);
    // The raw bytes are the last resort, so text comes back whenever the source has some.
    if (!asText(whole).empty()) {
        FUZZ_CHECK(!result.empty());
    }
    if (detected == tidewell::web::kLocalCharset) {
        const auto converted = tidewell::platform::localFromUtf8Strict(whole);
        FUZZ_CHECK(result == asText(whole) || (converted && result == asText(*converted)));
    } else {
        FUZZ_CHECK(tidewell::platform::utf8FromLocalStrict(result).has_value());
    }
    // Zero-ended text decodes as the bytes up to its first zero byte.
    FUZZ_CHECK(tidewell::web::DecodeBytes(whole, wanted) == result);

    const int meta = tidewell::web::DetectMetaCharset(asText(whole));
    FUZZ_CHECK(meta >= 0 && meta <= 3);
    return 0;
}

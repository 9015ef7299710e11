#pragma once

#include <string>
#include <string_view>

// Reply bodies (or files) turned into local text: the encoding comes from a byte-order mark or
// a meta declaration in the page's head, or UTF-8 is tried as a guess, and each step falls back
// so that bytes always give some text.
namespace tidewell::web {

// Names a text encoding. kDetect is only ever a wish, never a result.
enum CharsetCode : int {
    kDetect = 0,
    kLocalCharset = 1,
    kUtf8 = 2,
    kUtf16LE = 3,
    kUtf16BE = 4,
    kBig5 = 5,
    kBig5Hkscs = 6,
};

// What to decode: the file named by fileName (local text) when it is not empty, else bytes,
// else text (which ends at its first zero byte).
struct DecodeSource {
    std::string fileName;
    std::string bytes;
    std::string text;
};

// The source as local text. detected receives the code that was used; textOut the result
// too. A file that cannot be read gives empty text and leaves detected untouched.
std::string DecodeText(const DecodeSource& source, int wanted = kDetect, int* detected = nullptr,
                       std::string* textOut = nullptr);

// DecodeText of a body held in memory.
std::string DecodeBytes(std::string_view bytes, int wanted = kDetect, int* detected = nullptr);

// The charset a meta declaration in the page's head names: 1 UTF-8, 2 Big5, 3 Big5-HKSCS,
// 0 none. The first meta tag that names one of them decides.
int DetectMetaCharset(std::string_view page);

// Whether text contains (ASCII letter case ignored) any (any set) or every (any clear) item of
// list, whose items are separated by "[fg]".
bool ContainsAny(std::string_view text, std::string_view list, bool any);

}  // namespace tidewell::web

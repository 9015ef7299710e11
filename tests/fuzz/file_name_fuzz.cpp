// A thread title (and its key) made into an output file name: whatever the title holds, the
// name must stay one file name inside the save directory once it meets the file system.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "collect/output_files.h"
#include "collect/text/file_name.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using tidewell::collect::ThreadKey;
using tidewell::collect::ThreadWriter;

// Bytes that cannot be the second byte of a two-byte character, so the cleaning leaves none
// of them anywhere. ("\\" and "|" can be second bytes and stay inside their characters.)
bool holdsForbiddenByte(std::string_view name) {
    return name.find_first_of("/:*?<>\"\r\n\t") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    ThreadKey key;
    key.channel = input.ConsumeRandomLengthString(16);
    key.newsid = input.ConsumeRandomLengthString(32);
    const std::string title = input.ConsumeRemainingBytesAsString();

    const std::string cleaned = tidewell::text::CleanFileName(title);
    FUZZ_CHECK(!holdsForbiddenByte(cleaned));
    FUZZ_CHECK(tidewell::platform::utf8FromLocal(cleaned).find('/') == std::string::npos);

    const std::string base = ThreadWriter::BaseName(title, key);
    FUZZ_CHECK(!base.empty());
    FUZZ_CHECK(base.find('/') == std::string::npos);
    FUZZ_CHECK(base.find('\0') == std::string::npos);
    FUZZ_CHECK(!holdsForbiddenByte(base));

    // What the file system sees: a UTF-8 name that fits, with "(n)", "_n" and ".txt" added.
    const std::string utf8 = tidewell::platform::utf8FromLocal(base);
    FUZZ_CHECK(utf8.find('/') == std::string::npos);
    FUZZ_CHECK(utf8.find('\0') == std::string::npos);
    FUZZ_CHECK(utf8.size() <= 200);
    for (unsigned char c : utf8) {
        FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    }
    const std::filesystem::path path = tidewell::platform::fsPath("/save/" + base + "(12)_34.txt");
    FUZZ_CHECK(path.parent_path() == "/save");
    FUZZ_CHECK(path.filename().string().size() <= 255);
    return 0;
}

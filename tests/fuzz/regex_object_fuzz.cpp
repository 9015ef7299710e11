// Arbitrary patterns and texts through RegexObject: compiling, matching, reading every match
// and group, replacing and testing must stay within the texts and agree with each other.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "pattern/regex_object.h"
#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using tidewell::pattern::RegexObject;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool caseSensitive = input.ConsumeBool();
    const bool singleLine = input.ConsumeBool();
    const bool firstMatchOnly = input.ConsumeBool();
    const std::string pattern = input.ConsumeRandomLengthString(64);
    const std::string replacement = input.ConsumeRandomLengthString(8);
    const std::string text = input.ConsumeRemainingBytesAsString();

    RegexObject regex;
    if (!regex.CreateRegExp()) {
        return 0;
    }
    const bool compiled = regex.SetPattern(pattern, caseSensitive, singleLine, firstMatchOnly);
    const int count = regex.Execute(text);
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(compiled || count == 0);
    FUZZ_CHECK(!firstMatchOnly || count <= 1);
    FUZZ_CHECK(regex.MatchCount() == count);

    const size_t units = tidewell::platform::utf16FromLocal(text).size();
    const int groups = regex.SubMatchCount();
    FUZZ_CHECK(groups >= 0);
    for (int match = 0; match <= count + 1; ++match) {
        for (int group = -1; group <= groups + 1; ++group) {
            const auto value = regex.MatchValue(match, group);
            const int length = regex.MatchLength(match, group);
            const int bytes = regex.MatchByteLength(match, group);
            if (match < 1 || match > count || group > groups) {
                FUZZ_CHECK(!value && length == 0 && bytes == 0);
                continue;
            }
            FUZZ_CHECK(group > 0 || value.has_value());
            FUZZ_CHECK(length >= 0 && static_cast<size_t>(length) <= units);
            FUZZ_CHECK(bytes == static_cast<int>(value.value_or(std::string()).size()));
            FUZZ_CHECK(regex.MatchText(match, group) == value.value_or(std::string()));
        }
    }

    // A copy shares the engine and the matches.
    RegexObject copy = regex;
    FUZZ_CHECK(copy.MatchCount() == count);
    if (count > 0) {
        FUZZ_CHECK(copy.Test(text));
        FUZZ_CHECK(copy.MatchText(count) == regex.MatchText(count));
    }

    const std::string replaced = regex.Replace(text, replacement);
    if (compiled && count == 0 && regex.Test(text) == false) {
        FUZZ_CHECK(replaced == text);
    }
    FUZZ_CHECK(regex.MatchCount() == count);

    // The same object used again with an empty pattern keeps the pattern it had.
    regex.SetPattern("", !caseSensitive, !singleLine, !firstMatchOnly);
    FUZZ_CHECK(regex.GetPattern() == pattern || pattern.empty());
    regex.Execute(text);
    return 0;
}

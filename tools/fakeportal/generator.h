#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fakeportal/thread.h"

// Threads made up on demand: a newsid "gen-<comments>-<seed>" names a thread of that many
// comments whose every page is the same for the same seed.
namespace tidewell::fakeportal {

struct GeneratedThread {
    std::uint64_t comments = 0;
    std::uint64_t seed = 0;
};

// "gen-<comments>-<seed>" with decimal numbers; anything else is not a generated thread.
std::optional<GeneratedThread> parseGeneratedNewsid(std::string_view newsid);

// UTF-8; holds the seed so that tests can tell threads apart.
std::string generatedTitle(const GeneratedThread& thread);

// The comments first .. first+count-1 (0-based) of a page that starts at first. Chinese and
// ASCII text, bracket codes, character references, now and then a line that repeats an earlier
// one of the same page; never a double quote or a closing brace inside a value.
std::vector<Comment> generateComments(std::uint64_t seed, std::uint64_t first, std::uint64_t count);

}  // namespace tidewell::fakeportal

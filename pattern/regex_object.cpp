#include "pattern/regex_object.h"

#include <utility>

#include "pattern/detail/regex_engine.h"
#include "platform/encoding.h"

namespace tidewell::pattern {

using detail::Engine;
using detail::MatchCollection;

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;
RegexObject::RegexObject(RegexObject&& other) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept = default;

bool RegexObject::CreateRegExp() {
    // Linux has no set-up step to run between the two attempts.
    for (int attempt = 0; attempt < 2; ++attempt) {
        engine_ = Engine::create();
        if (engine_) {
            return true;
        }
    }
    return false;
}

bool RegexObject::SetPattern(std::string_view pattern, bool caseSensitive, bool singleLine,
                             bool firstMatchOnly) {
    const int bits = (caseSensitive ? 0 : kIgnoreCase) | (singleLine ? 0 : kMultiLine) |
                     (firstMatchOnly ? 0 : kGlobal);
    if (!pattern.empty()) {
        pattern_ = std::string(pattern);
    }
    flags_ = bits;
    if (!engine_) {
        return false;
    }
    // The engine compares with what it last applied, not with this object's copy: a copy
    // sharing the engine may have changed it since. Unchanged, nothing is recompiled.
    return engine_->configure(pattern.empty() ? std::nullopt : std::optional(pattern), bits);
}

int RegexObject::Execute(std::string_view text) {
    auto matches = std::make_shared<MatchCollection>();
    if (engine_) {
        matches->subject = platform::utf16FromLocal(text);
        const int groups = engine_->groups();
        const std::size_t width = 2 * (static_cast<std::size_t>(groups) + 1);
        std::vector<std::size_t> offsets;
        const bool ok =
            engine_->scan(matches->subject, engine_->global(), [&](const std::size_t* ovector) {
                offsets.insert(offsets.end(), ovector, ovector + width);
            });
        if (ok) {
            matches->groups = groups;
            matches->offsets = std::move(offsets);
        } else {
            matches->subject.clear();
        }
    }
    matches_ = std::move(matches);
    return matches_->count();
}

int RegexObject::Search(std::string_view pattern, std::string_view text, bool caseSensitive,
                        bool singleLine, bool firstMatchOnly) {
    SetPattern(pattern, caseSensitive, singleLine, firstMatchOnly);
    return Execute(text);
}

int RegexObject::MatchCount() const {
    return matches_ ? matches_->count() : 0;
}

std::optional<std::u16string_view> RegexObject::matchPart(int match, int subMatch) const {
    if (!matches_ || match < 1 || match > matches_->count()) {
        return std::nullopt;
    }
    const int group = subMatch <= 0 ? 0 : subMatch;
    if (group > matches_->groups) {
        return std::nullopt;
    }
    const std::size_t base =
        2 * ((static_cast<std::size_t>(match) - 1) * (matches_->groups + 1) + group);
    const std::size_t start = matches_->offsets[base];
    const std::size_t end = matches_->offsets[base + 1];
    if (start == detail::kUnset || end == detail::kUnset) {
        return std::nullopt;
    }
    return std::u16string_view(matches_->subject).substr(start, end - start);
}

std::optional<std::string> RegexObject::MatchValue(int match, int subMatch) const {
    auto part = matchPart(match, subMatch);
    if (!part) {
        return std::nullopt;
    }
    return platform::localFromUtf16(*part);
}

std::string RegexObject::MatchText(int match, int subMatch) const {
    return MatchValue(match, subMatch).value_or(std::string());
}

std::string RegexObject::SubMatchText(int match, int subMatch) const {
    return MatchText(match, subMatch);
}

std::string RegexObject::Replace(std::string_view text, std::string_view replacement,
                                 std::optional<std::string_view> pattern, bool caseSensitive,
                                 bool singleLine, bool firstMatchOnly) {
    if (pattern) {
        SetPattern(*pattern, caseSensitive, singleLine, firstMatchOnly);
    }
    if (!engine_) {
        return {};
    }
    const std::u16string subject = platform::utf16FromLocal(text);
    std::u16string replacement16;
    bool replacementConverted = false;
    std::u16string out;
    std::size_t copied = 0;
    const bool ok = engine_->scan(subject, engine_->global(), [&](const std::size_t* ovector) {
        if (!replacementConverted) {
            replacement16 = platform::utf16FromLocal(replacement);
            replacementConverted = true;
            out.reserve(subject.size());
        }
        out.append(subject, copied, ovector[0] - copied);
        out.append(replacement16);
        copied = ovector[1];
    });
    if (!ok) {
        return {};
    }
    if (!replacementConverted) {
        return std::string(text);
    }
    out.append(subject, copied);
    return platform::localFromUtf16(out);
}

bool RegexObject::Test(std::string_view text) {
    if (!engine_) {
        return false;
    }
    bool found = false;
    const bool ok = engine_->scan(platform::utf16FromLocal(text), false,
                                  [&](const std::size_t*) { found = true; });
    return ok && found;
}

std::string RegexObject::GetPattern() const {
    return pattern_;
}

int RegexObject::SubMatchCount() const {
    return matches_ && matches_->count() > 0 ? matches_->groups : 0;
}

int RegexObject::MatchLength(int match, int subMatch) const {
    auto part = matchPart(match, subMatch);
    return part ? static_cast<int>(part->size()) : 0;
}

int RegexObject::MatchByteLength(int match, int subMatch) const {
    auto part = matchPart(match, subMatch);
    return part ? static_cast<int>(platform::localFromUtf16(*part).size()) : 0;
}

int RegexObject::compileCount() const {
    return engine_ ? engine_->compileCount() : 0;
}

}  // namespace tidewell::pattern

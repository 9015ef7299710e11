#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell::pattern {

namespace detail {
class Engine;
struct MatchCollection;
}  // namespace detail

// Bits of RegexObject::flags().
inline constexpr int kIgnoreCase = 1;
inline constexpr int kMultiLine = 2;
inline constexpr int kGlobal = 4;

// A regular expression over PCRE2 (16-bit, UTF mode), with the matches of its last Execute.
//
// Texts go in and come out as local text; the engine sees UTF-16, so "." matches one Chinese
// character and lengths count UTF-16 code units. Copies share the engine (its pattern and flags
// as last applied) and the kept matches, and keep their own copies of the pattern text and
// flag bits. Nothing throws: a missing engine, an invalid pattern or a match number outside the
// kept matches gives 0, false or the empty text.
class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);
    RegexObject(RegexObject&& other) noexcept;
    RegexObject& operator=(RegexObject&& other) noexcept;

    // Creates the engine; two attempts. Returns whether the object has an engine.
    bool CreateRegExp();

    // Left out, the flags give ignore-case, multi-line and global matching. An empty pattern
    // keeps the pattern that was set and changes the flags only. Returns false when there is
    // no engine or the pattern does not compile.
    bool SetPattern(std::string_view pattern, bool caseSensitive = false, bool singleLine = false,
                    bool firstMatchOnly = false);

    // Runs the pattern over the text, keeps the matches and returns their number.
    int Execute(std::string_view text);
    int Search(std::string_view pattern, std::string_view text, bool caseSensitive = false,
               bool singleLine = false, bool firstMatchOnly = false);
    int MatchCount() const;

    // Match numbers count from 1. A sub-match number of 0 or less names the whole match.
    // std::nullopt for a number outside the kept matches and for a group that took no part.
    std::optional<std::string> MatchValue(int match, int subMatch) const;
    std::string MatchText(int match, int subMatch = 0) const;
    std::string SubMatchText(int match, int subMatch) const;

    // Replaces every match (global on) or the first one; the replacement is plain text. When a
    // pattern is given (even an empty one), SetPattern runs with it and the flags first.
    // Leaves the kept matches alone.
    std::string Replace(std::string_view text, std::string_view replacement = {},
                        std::optional<std::string_view> pattern = std::nullopt,
                        bool caseSensitive = false, bool singleLine = false,
                        bool firstMatchOnly = false);
    bool Test(std::string_view text);
    std::string GetPattern() const;
    int SubMatchCount() const;

    // In UTF-16 code units, and in bytes of local text.
    int MatchLength(int match, int subMatch = 0) const;
    int MatchByteLength(int match, int subMatch = 0) const;

    int flags() const { return flags_; }
    bool hasEngine() const { return engine_ != nullptr; }
    // How many times the shared engine has compiled a pattern.
    int compileCount() const;

  private:
    std::optional<std::u16string_view> matchPart(int match, int subMatch) const;

    std::shared_ptr<detail::Engine> engine_;
    std::shared_ptr<const detail::MatchCollection> matches_;
    int flags_ = 0;
    std::string pattern_;
};

}  // namespace tidewell::pattern

#pragma once

#include <string>
#include <string_view>

#include "pattern/regex_object.h"

namespace tidewell::pattern {

// The pattern object the rest of the program holds: one RegexObject with friendlier defaults,
// and helpers that turn wildcard or literal local text into a pattern. Copies share the
// engine and the kept matches as RegexObject copies do.
class PatternMatcher {
  public:
    // Gives the inner RegexObject its engine; call once before any other use.
    bool CreateRegExp() { return regex_.CreateRegExp(); }

    // "*" becomes ".*" and "?" becomes ".?" (zero or one character); "|" still separates
    // alternatives; the other metacharacters are taken literally.
    static std::string WildcardToPattern(std::string_view text);
    // A pattern that matches the text literally.
    static std::string EscapeText(std::string_view text);
    // As EscapeText, but "|" keeps separating alternatives.
    static std::string EscapeKeepBar(std::string_view text);

    std::string MatchText(int match) const { return regex_.MatchText(match); }
    std::string SubMatchText(int match, int subMatch) const {
        return regex_.SubMatchText(match, subMatch);
    }
    int Execute(std::string_view text) { return regex_.Execute(text); }
    // Replaces the matches of the current pattern, with its flags.
    std::string Replace(std::string_view text, std::string_view replacement = {}) {
        return regex_.Replace(text, replacement);
    }
    bool SetPattern(std::string_view pattern, bool ignoreCase = true, bool multiLine = true,
                    bool global = true) {
        return regex_.SetPattern(pattern, !ignoreCase, !multiLine, !global);
    }
    std::string GetPattern() const { return regex_.GetPattern(); }
    int MatchCount() const { return regex_.MatchCount(); }
    int SubMatchCount() const { return regex_.SubMatchCount(); }

    RegexObject& regex() { return regex_; }
    const RegexObject& regex() const { return regex_; }

  private:
    RegexObject regex_;
};

}  // namespace tidewell::pattern

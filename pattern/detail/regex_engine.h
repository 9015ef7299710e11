#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::pattern::detail {

inline constexpr std::size_t kUnset = SIZE_MAX;

// The matches of one Execute. Offsets count UTF-16 code units of the subject.
struct MatchCollection {
    std::u16string subject;
    int groups = 0;
    // For each match, groups + 1 pairs (start, end); kUnset where a group took no part.
    std::vector<std::size_t> offsets;

    int count() const { return static_cast<int>(offsets.size() / (2 * (groups + 1))); }
};

// One compiled PCRE2 pattern with its flags, match data and JIT stack: what copies of a
// RegexObject share. The pattern is compiled when it or a compile-time flag changes, never
// per call.
class Engine {
  public:
    // nullptr when PCRE2 cannot give its contexts.
    static std::shared_ptr<Engine> create();

    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Applies the pattern (std::nullopt keeps the current one) and the flag bits. Returns
    // whether the current pattern compiled.
    bool configure(std::optional<std::string_view> localPattern, int bits);

    bool global() const;
    int groups() const;
    int compileCount() const { return compiles_; }

    // Calls visit(ovector) for every match, or for the first one only when all is false; the
    // ovector holds groups() + 1 pairs. Returns false when the pattern is unusable or the
    // engine gave up (match limit, JIT stack).
    bool scan(std::u16string_view subject, bool all,
              const std::function<void(const std::size_t*)>& visit);

  private:
    struct Handles;

    Engine();
    void compile();

    std::unique_ptr<Handles> handles_;
    std::string pattern_;
    int bits_ = 0;
    bool compiled_ = false;
    int compiles_ = 0;
};

}  // namespace tidewell::pattern::detail

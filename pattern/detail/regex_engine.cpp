#include "pattern/detail/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <new>

#include "pattern/regex_object.h"
#include "platform/encoding.h"

namespace tidewell::pattern::detail {
namespace {

static_assert(sizeof(PCRE2_SIZE) == sizeof(std::size_t) && PCRE2_UNSET == kUnset);
static_assert(sizeof(PCRE2_UCHAR) == sizeof(char16_t));

struct CodeFree {
    void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct CompileContextFree {
    void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct JitStackFree {
    void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

PCRE2_SPTR16 asPcre(const char16_t* p) {
    return reinterpret_cast<PCRE2_SPTR16>(p);
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

struct Engine::Handles {
    std::unique_ptr<pcre2_compile_context, CompileContextFree> compileContext;
    std::unique_ptr<pcre2_match_context, MatchContextFree> matchContext;
    std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
    std::unique_ptr<pcre2_code, CodeFree> code;
    std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
};

Engine::Engine() = default;
Engine::~Engine() = default;

std::shared_ptr<Engine> Engine::create() {
    std::shared_ptr<Engine> engine(new (std::nothrow) Engine);
    if (!engine) {
        return nullptr;
    }
    auto handles = std::unique_ptr<Handles>(new (std::nothrow) Handles);
    if (!handles) {
        return nullptr;
    }
    handles->compileContext.reset(pcre2_compile_context_create(nullptr));
    handles->matchContext.reset(pcre2_match_context_create(nullptr));
    if (!handles->compileContext || !handles->matchContext) {
        return nullptr;
    }
    // CR, LF and CR LF all end a line for "^", "$" and ".", as in the text the program reads.
    pcre2_set_newline(handles->compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
    // The default 32 KB JIT stack is too small for some patterns over a long page.
    handles->jitStack.reset(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr));
    if (handles->jitStack) {
        pcre2_jit_stack_assign(handles->matchContext.get(), nullptr, handles->jitStack.get());
    }
    engine->handles_ = std::move(handles);
    return engine;
}

bool Engine::configure(std::optional<std::string_view> localPattern, int bits) {
    constexpr int kCompileBits = kIgnoreCase | kMultiLine;
    const bool patternChanged = localPattern && *localPattern != pattern_;
    const bool compileBitsChanged = (bits & kCompileBits) != (bits_ & kCompileBits);
    if (patternChanged) {
        pattern_ = std::string(*localPattern);
    }
    bits_ = bits;
    if (patternChanged || compileBitsChanged || !compiled_) {
        compile();
    }
    return handles_->code != nullptr;
}

void Engine::compile() {
    handles_->matchData.reset();
    handles_->code.reset();
    compiled_ = true;
    ++compiles_;

    const std::u16string pattern = platform::utf16FromLocal(pattern_);
    // "$" without multi-line is the very end of the text, not also before a final line break.
    uint32_t options = PCRE2_UTF | PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (bits_ & kIgnoreCase) {
        options |= PCRE2_CASELESS;
    }
    if (bits_ & kMultiLine) {
        options |= PCRE2_MULTILINE;
    }
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    handles_->code.reset(pcre2_compile(asPcre(pattern.data()), pattern.size(), options, &error,
                                       &errorOffset, handles_->compileContext.get()));
    if (!handles_->code) {
        return;
    }
    // Without JIT the interpreter does the same work, only slower.
    pcre2_jit_compile(handles_->code.get(), PCRE2_JIT_COMPLETE);
    handles_->matchData.reset(pcre2_match_data_create_from_pattern(handles_->code.get(), nullptr));
    if (!handles_->matchData) {
        handles_->code.reset();
    }
}

bool Engine::global() const {
    return (bits_ & kGlobal) != 0;
}

int Engine::groups() const {
    uint32_t count = 0;
    if (handles_->code) {
        pcre2_pattern_info(handles_->code.get(), PCRE2_INFO_CAPTURECOUNT, &count);
    }
    return static_cast<int>(count);
}

bool Engine::scan(std::u16string_view subject, bool all,
                  const std::function<void(const std::size_t*)>& visit) {
    if (!compiled_) {
        compile();
    }
    pcre2_code* code = handles_->code.get();
    pcre2_match_data* matchData = handles_->matchData.get();
    if (!code) {
        return false;
    }
    const std::size_t pairs = static_cast<std::size_t>(groups()) + 1;
    const PCRE2_SPTR16 text = asPcre(subject.data());
    const std::size_t length = subject.size();
    std::size_t start = 0;
    // The first call checks the whole subject for valid UTF-16; later calls need not again.
    uint32_t options = 0;
    while (start <= length) {
        const int rc = pcre2_match(code, text, length, start, options, matchData,
                                   handles_->matchContext.get());
        if (rc == PCRE2_ERROR_NOMATCH) {
            return true;
        }
        if (rc <= 0) {
            return false;
        }
        PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData);
        for (std::size_t i = static_cast<std::size_t>(rc); i < pairs; ++i) {
            ovector[2 * i] = PCRE2_UNSET;
            ovector[2 * i + 1] = PCRE2_UNSET;
        }
        const std::size_t matchStart = ovector[0];
        const std::size_t matchEnd = ovector[1];
        if (matchEnd < matchStart) {
            return false;
        }
        visit(ovector);
        if (!all) {
            return true;
        }
        if (matchEnd == matchStart) {
            // An empty match: the next try begins one character further on.
            if (matchEnd >= length) {
                return true;
            }
            start =
                matchEnd + (isHighSurrogate(subject[matchEnd]) && matchEnd + 1 < length ? 2 : 1);
        } else {
            start = matchEnd;
        }
        options = PCRE2_NO_UTF_CHECK;
    }
    return true;
}

}  // namespace tidewell::pattern::detail

#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant ends the run like a crash, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

#define FUZZ_FAIL(message)                                                \
    do {                                                                  \
        std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, message); \
        std::abort();                                                     \
    } while (false)

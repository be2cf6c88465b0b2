#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input. A violation aborts, so libFuzzer keeps the input as a
// crash like any memory error.
#define QV_FUZZ_CHECK(condition)                                                                   \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

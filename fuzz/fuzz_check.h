#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep. A violation names itself and aborts, so that libFuzzer
// saves the input as a crash; unlike `assert` it holds in every build.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

#pragma once
#include <cstdio>
#include <cstdlib>

// A fuzz target's own invariant: on failure it names the check and aborts, so that libFuzzer
// keeps the input (and the replay test fails), in release builds too.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// A property the code under test must keep, checked in every build: a broken one aborts, which
// libFuzzer reports as a crash with the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define MOLR_FUZZ_CHECK(condition)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

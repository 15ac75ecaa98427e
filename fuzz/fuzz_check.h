// The invariant check of the fuzz targets. A broken invariant is reported like a crash: the
// message names the check and its place, then abort() lets libFuzzer keep the input as a crash
// file. Only the fuzz targets include this header.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                           \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "invariant broken: %s\n  (%s) at %s:%d\n", what, #condition, \
                         __FILE__, __LINE__);                                                 \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

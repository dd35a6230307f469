#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a programmer's error, not something a user or a file
// can cause: it stops the program at once, in every build, with where and why.
#define QM_CHECK(condition, message)                                                           \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "QM5: %s:%d: %s (%s)\n", __FILE__, __LINE__, message, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

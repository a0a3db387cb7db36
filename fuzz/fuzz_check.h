// FUZZ_CHECK: a property that must hold for every input; a violation aborts, which the
// fuzzer reports as a crash and keeps the input that caused it.
#pragma once
#include <stdio.h>
#include <stdlib.h>

#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__,     \
                    #condition);                                                     \
            abort();                                                                 \
        }                                                                            \
    } while (0)

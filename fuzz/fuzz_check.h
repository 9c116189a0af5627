#pragma once
// A broken promise stops the fuzzer with the input that broke it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                            \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)

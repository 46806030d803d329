// What the fuzzers share: a rule that does not hold aborts, and libFuzzer
// keeps the input that broke it.
#pragma once

#include <cstdlib>

inline void Require(bool holds) {
  if (!holds) std::abort();
}

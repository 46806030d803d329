// What the fuzzers share: a rule that does not hold aborts, and libFuzzer
// keeps the input that broke it; with the standard headers they all use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

inline void Require(bool holds) {
  if (!holds) std::abort();
}

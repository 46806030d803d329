#include "platform/cpu_features.h"

#include <cpuid.h>

namespace {

bool& MmxFlag() {
  static bool flag = ProcessorHasMmx();
  return flag;
}

}  // namespace

bool ProcessorHasMmx() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (edx & (1u << 23)) != 0;
}

bool HasMmx() { return MmxFlag(); }

void SetHasMmx(bool hasMmx) { MmxFlag() = hasMmx; }

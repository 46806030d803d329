#include "app/cpu_features.h"

#include <cpuid.h>

bool ProcessorHasMmx() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (edx & (1u << 23)) != 0;
}

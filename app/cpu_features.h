#pragma once

// Bit 23 of EDX from CPUID function 1: the processor has MMX.
bool ProcessorHasMmx();

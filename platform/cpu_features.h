// What the processor offers the pixel routines.
#pragma once

// Bit 23 of EDX from CPUID function 1: the processor has MMX.
bool ProcessorHasMmx();

// The "has MMX" flag, read from the processor once at first use. The routines
// that need MMX do nothing when it is false; the default of the YUV to RGB
// conversion quality follows it.
bool HasMmx();
// Overrides the flag (tests and benchmarks, before any worker thread runs).
void SetHasMmx(bool hasMmx);

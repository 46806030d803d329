// Small helpers for the UTF-16 names and ids of filters and pins.
#pragma once

#include "decode/direct_show.h"

#include <cstddef>
#include <string>

// Copies a name into a fixed array (cut to fit, always terminated).
void CopyWide(WCHAR* destination, size_t capacity, const wchar_t* source);

// A copy in task memory, which the caller frees with CoTaskMemFree.
LPWSTR TaskMemoryCopy(const wchar_t* source);

// Each UTF-16 unit narrowed to its low byte, as the program's messages show names.
std::string NarrowName(const WCHAR* name);

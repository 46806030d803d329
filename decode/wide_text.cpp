#include "decode/wide_text.h"

#include <cwchar>

void CopyWide(WCHAR* destination, size_t capacity, const wchar_t* source) {
  if (capacity == 0) return;
  size_t i = 0;
  for (; source != nullptr && source[i] != L'\0' && i + 1 < capacity; ++i) destination[i] = source[i];
  destination[i] = L'\0';
}

LPWSTR TaskMemoryCopy(const wchar_t* source) {
  const size_t bytes = (std::wcslen(source) + 1) * sizeof(WCHAR);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) std::wmemcpy(copy, source, bytes / sizeof(WCHAR));
  return copy;
}

std::string NarrowName(const WCHAR* name) {
  std::string narrow;
  for (size_t i = 0; name != nullptr && name[i] != 0; ++i) {
    narrow.push_back(static_cast<char>(name[i] & 0xFF));
  }
  return narrow;
}

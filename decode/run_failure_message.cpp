#include "decode/run_failure_message.h"

#include "decode/filter_chain.h"

#include <cstdio>

void AppendRunFailure(std::string* messages, HRESULT result, IBaseFilter* source) {
  char line[64];
  std::snprintf(line, sizeof(line), "Can't Run Filter Graph\nError code: 0x%lX",
                static_cast<unsigned long>(static_cast<uint32_t>(result)));
  *messages += line;
  if (result == VFW_E_SIZENOTSET) *messages += " (Cannot allocate memory because no size has been set)";
  if (result == E_OUTOFMEMORY) *messages += " (Insufficient memory)";
  *messages += "\n\n";
  AppendGraphListing(messages, source);
}

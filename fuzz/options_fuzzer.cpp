// The stored settings: the "Options" value taken over the defaults, and the
// "Displacement" text of remembered delays. The input is the options value,
// then (after a byte 0xFE, if any) the list text. Whatever is stored, a taken
// record carries this version, the frame ring's budget stays within the
// free memory (and 1 GiB for Auto Allocation), and the list answers lookups
// of what it was just told and never grows past ten entries.
#include "engine/ring_sizing.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "settings/stored_options.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

void CheckRecord(const uint8_t* value, size_t size) {
  Options defaults;
  SetDefaultOptions(&defaults);
  Options record = defaults;
  const bool taken = TakeStoredOptions(value, size, &record);
  Require(!taken || (size <= kOptionsSize && record.formatVersion == kOptionsVersion));
  if (!taken) return;
  for (const uint64_t available : {uint64_t{0}, uint64_t{1} << 20, uint64_t{24} << 30, ~uint64_t{0}}) {
    const uint64_t budget = FrameBudget(available, record.frameBufferSize);
    Require(budget <= available && (record.frameBufferSize != 0 || budget <= kMostAutoBudget));
  }
}

// The list as stored, then the entries of its own paths looked up and
// remembered again, as the delay dialog does.
void CheckDisplacements(const std::string& text) {
  DisplacementList list;
  list.SetText(text);
  const int32_t stored = list.Count();
  int32_t delay = 0;
  list.Lookup(text.size() > 10 ? text.substr(10) : text, &delay);
  Require(list.Count() == stored);
  // A path never holds the list's separator or a zero.
  std::string path = text.substr(0, std::min<size_t>(text.size(), 40));
  std::replace(path.begin(), path.end(), '\r', '_');
  std::replace(path.begin(), path.end(), '\0', '_');
  for (const int32_t remembered : {-100, 0, INT32_MIN, 7}) {
    list.Remember(path, remembered);
    int32_t found = 0;
    const bool known = list.Lookup(path, &found);
    Require(remembered == 0 || (known && found == remembered));
    Require(remembered == 0 || list.Count() <= DisplacementList::kMaxEntries);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* split = std::find(data, data + size, uint8_t{0xFE});
  CheckRecord(data, static_cast<size_t>(split - data));
  if (split != data + size) {
    CheckDisplacements(std::string(reinterpret_cast<const char*>(split + 1), data + size - split - 1));
  }
  return 0;
}

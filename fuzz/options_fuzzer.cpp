// The stored settings: the "Options" value taken over the defaults, and the
// "Displacement" text of remembered delays. The input is the options value,
// then (after a byte 0xFE, if any) the list text. Whatever is stored, a taken
// record carries this version, the frame ring's budget stays within the
// free memory (and 1 GiB for Auto Allocation), and the list keeps a chosen
// delay as its most recent entry and never holds more than ten.
#include "fuzz/fuzz_check.h"
#include "engine/ring_sizing.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "settings/stored_options.h"

namespace {

void CheckRecord(const uint8_t* value, size_t size) {
  Options record;
  SetDefaultOptions(&record);
  const bool taken = TakeStoredOptions(value, size, &record);
  Require(!taken || (size <= kOptionsSize && record.formatVersion == kOptionsVersion));
  if (!taken) return;
  for (const uint64_t available : {uint64_t{0}, uint64_t{1} << 20, uint64_t{24} << 30, ~uint64_t{0}}) {
    const uint64_t budget = FrameBudget(available, record.frameBufferSize);
    Require(budget <= available && (record.frameBufferSize != 0 || budget <= kMostAutoBudget));
  }
}

// The list as stored, then delays chosen for a path as the delay dialog
// does: a lookup, then the choice remembered, which must stand as the most
// recent entry. (A damaged stored list may name the path more than once; a
// lookup answers with the oldest of those, as it always has.)
void CheckDisplacements(const std::string& text) {
  DisplacementList list;
  list.SetText(text);
  const int32_t stored = list.Count();
  int32_t delay = 0;
  list.Lookup(text.size() > 10 ? text.substr(10) : text, &delay);
  Require(list.Count() == stored && stored <= DisplacementList::kMaxEntries);
  // A path never holds the list's separator or a zero.
  std::string path = text.substr(0, std::min<size_t>(text.size(), 40));
  std::replace(path.begin(), path.end(), '\r', '_');
  std::replace(path.begin(), path.end(), '\0', '_');
  for (const int32_t chosen : {-100, 0, INT32_MIN, 7}) {
    list.Lookup(path, &delay);
    list.Remember(path, chosen);
    if (chosen == 0) continue;
    const std::string entry = DisplacementList::FormatEntry(path, chosen);
    const std::string& now = list.Text();
    Require(now.size() >= entry.size() && now.compare(now.size() - entry.size(), entry.size(), entry) == 0);
    Require(list.Count() <= DisplacementList::kMaxEntries && DisplacementList::MatchEntry(entry, path, &delay) &&
            delay == chosen);
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

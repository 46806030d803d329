#include <gtest/gtest.h>

#include "app/options_registry.h"
#include "app/settings_key.h"
#include "platform/show_message.h"
#include "settings/displacement_list.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Deletes the key with its values (the Wine prefix keeps the registry between runs).
void DeleteSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

void Store(const char* name, const std::vector<uint8_t>& bytes) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_BINARY, bytes.data(), size), ERROR_SUCCESS);
}

// The stored binary value read back with the registry API; empty when missing
// or of another type.
std::vector<uint8_t> Stored(const char* name) {
  DWORD size = 4096;
  std::vector<uint8_t> bytes(size);
  const LSTATUS status =
      RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_BINARY, nullptr, bytes.data(), &size);
  bytes.resize(status == ERROR_SUCCESS ? size : 0);
  return bytes;
}

std::vector<uint8_t> BytesOf(const Options& options) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&options);
  return std::vector<uint8_t>(bytes, bytes + sizeof options);
}

// Every test starts without the settings key and observes messages instead
// of showing them.
class OptionsRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettingsKey();
    savedList_ = g_displacementList.Text();
    previousSink_ = SetMessageSink([this](const ShownMessage& m) { return shown_.push_back(m), IDOK; });
    SetDefaultOptions(&defaults_);
  }
  void TearDown() override {
    SetMessageSink(previousSink_);
    g_displacementList.SetText(savedList_);
    DeleteSettingsKey();
  }

  // A record that differs from the defaults in every region of the layout.
  Options Changed() const {
    Options options = defaults_;
    options.fullscreenWidth = 800, options.repeat = 1, options.volume = 37;
    options.subtitleFont.lfHeight = -24, options.fileCacheSize = 4, options.balanceStep = 9;
    return options;
  }

  Options defaults_;
  std::vector<ShownMessage> shown_;
  std::string savedList_;
  MessageSink previousSink_;
};

// Nothing stored, another version, a longer value, or a first word of 24
// over the default bytes 0, 0: the defaults, the notice, and a key to save
// into. A shorter value is taken over the rest of the defaults.
TEST_F(OptionsRegistry, StoredValuesAreTakenOrGiveTheDefaultsAndTheNotice) {
  Options other = Changed();
  other.formatVersion = 24;
  std::vector<uint8_t> longer = BytesOf(Changed()), shorter = longer, mixed = BytesOf(defaults_);
  longer.resize(300);
  shorter.resize(100);  // up to the custom colours
  std::copy(shorter.begin(), shorter.end(), mixed.begin());
  const std::pair<const char*, std::vector<uint8_t>> rows[] = {
      {"nothing", {}}, {"version 24", BytesOf(other)}, {"300 bytes", longer}, {"24, 0", {24, 0}},
      {"100 bytes", shorter}};
  for (const auto& [name, stored] : rows) {
    SCOPED_TRACE(name);
    const bool taken = stored == shorter;
    DeleteSettingsKey();
    shown_.clear();
    if (!stored.empty()) Store("Options", stored);
    g_displacementList.Remember("C:\\old.avi", 10);
    Options loaded = Changed();
    EXPECT_EQ(LoadOptions(&loaded), taken);
    EXPECT_EQ(BytesOf(loaded), taken ? mixed : BytesOf(defaults_));
    ASSERT_EQ(shown_.size(), taken ? 0u : 1u);
    if (!taken) {
      EXPECT_EQ(std::make_tuple(shown_[0].owner, shown_[0].caption, shown_[0].type, shown_[0].text.empty()),
                std::make_tuple(HWND{nullptr}, std::string("Velmora Player"), UINT{MB_ICONINFORMATION}, false));
    }
    EXPECT_TRUE(!stored.empty() || g_displacementList.IsEmpty());  // emptied when nothing is stored
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);  // there was a key to delete
  }
}

// The record as its 232 bytes, read back with the registry API, and the
// list loaded again with it (the list as stored, with its zero: the delay
// dialog's test). A stored list without its zero loads; an outsized one is
// passed over, without a message.
TEST_F(OptionsRegistry, SavedValuesReadBackWithTheRegistryApiAndLoadAndAnyListLoadsWithoutHarm) {
  const Options saved = Changed();
  g_displacementList.Remember("C:\\a.avi", -100);
  g_displacementList.Remember("C:\\\xE9t\xE9.avi", 40);
  const std::string listText = g_displacementList.Text();
  ASSERT_TRUE(SaveOptions(&saved));
  const std::vector<uint8_t> bytes = Stored("Options");
  ASSERT_EQ(bytes, BytesOf(saved));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{25, 0, 0, 0}));
  Options loaded = defaults_;
  g_displacementList.Clear();
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_EQ(std::make_tuple(BytesOf(loaded), g_displacementList.Text()), std::make_tuple(bytes, listText));

  const std::string unterminated = "0x00000010C:\\a.avi\r0x00000020C:\\b.avi";
  Store("Displacement", std::vector<uint8_t>(unterminated.begin(), unterminated.end()));
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_EQ(g_displacementList.Text(), unterminated);
  int32_t delay = 0;
  EXPECT_TRUE(g_displacementList.Lookup("C:\\b.avi", &delay) && delay == 32);
  std::vector<uint8_t> junk(200000);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 7919 >> 3);
  Store("Displacement", junk);
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_EQ(std::make_tuple(g_displacementList.Lookup("C:\\b.avi", &delay), shown_.size()), std::make_tuple(false, 0u));
}

}  // namespace

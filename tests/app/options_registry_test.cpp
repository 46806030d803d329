#include <gtest/gtest.h>

#include "app/settings_key.h"
#include "settings/displacement_list.h"
#include "app/options_registry.h"
#include "platform/show_message.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every test starts without the settings key (the Wine prefix keeps the
// registry between runs) and observes messages instead of showing them.
class OptionsRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettingsKey();
    savedList_ = g_displacementList.Text();
    previousSink_ = SetMessageSink([this](const ShownMessage& m) {
      shown_.push_back(m);
      return IDOK;
    });
    SetDefaultOptions(&defaults_);
  }
  void TearDown() override {
    SetMessageSink(previousSink_);
    g_displacementList.SetText(savedList_);
    DeleteSettingsKey();
  }

  static void DeleteSettingsKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
  }

  static void Store(const char* name, const void* bytes, size_t size) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_BINARY, bytes, static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }

  // The stored binary value read back with the registry API; false when
  // missing or of another type.
  static bool Stored(const char* name, std::vector<uint8_t>* bytes) {
    DWORD size = 4096;
    bytes->assign(size, 0);
    const LSTATUS status =
        RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_BINARY, nullptr, bytes->data(), &size);
    bytes->resize(size);
    return status == ERROR_SUCCESS;
  }

  // A record that differs from the defaults in every region of the layout.
  Options Changed() const {
    Options options = defaults_;
    options.fullscreenWidth = 800;
    options.repeat = 1;
    options.volume = 37;
    options.subtitleFont.lfHeight = -24;
    options.fileCacheSize = 4;
    options.balanceStep = 9;
    return options;
  }

  static std::vector<uint8_t> BytesOf(const Options& options) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&options);
    return std::vector<uint8_t>(bytes, bytes + sizeof options);
  }

  bool NoticeShown() const {
    return shown_.size() == 1 && shown_[0].owner == nullptr &&
           shown_[0].caption == "Velmora Player" && shown_[0].type == MB_ICONINFORMATION &&
           !shown_[0].text.empty();
  }

  Options defaults_;
  std::vector<ShownMessage> shown_;

 private:
  std::string savedList_;
  MessageSink previousSink_;
};

// Nothing stored, another version, a longer value, or a first word of 24
// over the default bytes 0, 0: the defaults, the notice, and a key to save into.
TEST_F(OptionsRegistry, ValuesItCannotTakeGiveTheDefaultsAndTheNotice) {
  Options other = Changed();
  other.formatVersion = 24;
  std::vector<uint8_t> longer = BytesOf(Changed());
  longer.resize(300);
  for (const std::vector<uint8_t>& stored : {std::vector<uint8_t>{}, BytesOf(other), longer,
                                             std::vector<uint8_t>{24, 0}}) {
    DeleteSettingsKey();
    shown_.clear();
    if (!stored.empty()) Store("Options", stored.data(), stored.size());
    g_displacementList.Remember("C:\\old.avi", 10);
    Options loaded = Changed();
    EXPECT_FALSE(LoadOptions(&loaded)) << stored.size();
    EXPECT_TRUE(NoticeShown()) << stored.size();
    EXPECT_EQ(std::memcmp(&loaded, &defaults_, sizeof loaded), 0) << stored.size();
    EXPECT_TRUE(!stored.empty() || g_displacementList.IsEmpty());  // emptied when nothing is stored
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
}

TEST_F(OptionsRegistry, SavedValuesReadBackWithTheRegistryApiAndLoad) {
  const Options saved = Changed();
  g_displacementList.Remember("C:\\a.avi", -100);
  g_displacementList.Remember("C:\\\xE9t\xE9.avi", 40);
  const std::string listText = g_displacementList.Text();
  ASSERT_TRUE(SaveOptions(&saved));

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(Stored("Options", &bytes));
  ASSERT_EQ(bytes.size(), 232u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
            (std::vector<uint8_t>{25, 0, 0, 0}));
  EXPECT_EQ(std::memcmp(bytes.data(), &saved, 232), 0);
  ASSERT_TRUE(Stored("Displacement", &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), listText + '\0');

  Options loaded = defaults_;
  g_displacementList.Clear();
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof loaded), 0);
  EXPECT_EQ(g_displacementList.Text(), listText);

  // An empty list is stored as its terminating zero alone.
  g_displacementList.Clear();
  ASSERT_TRUE(SaveOptions(&saved));
  ASSERT_TRUE(Stored("Displacement", &bytes));
  EXPECT_EQ(bytes, std::vector<uint8_t>{0});
}

TEST_F(OptionsRegistry, AShorterValueKeepsTheRestOfTheDefaults) {
  const Options current = Changed();
  Store("Options", &current, 100);  // up to the custom colours
  Options loaded = Changed();
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(std::memcmp(&loaded, &current, 100), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const uint8_t*>(&loaded) + 100,
                        reinterpret_cast<const uint8_t*>(&defaults_) + 100, 132),
            0);
}

TEST_F(OptionsRegistry, AnyDisplacementValueLoadsWithoutHarm) {
  const Options current = Changed();
  Store("Options", &current, sizeof current);
  const std::string unterminated = "0x00000010C:\\a.avi\r0x00000020C:\\b.avi";  // no zero
  Store("Displacement", unterminated.data(), unterminated.size());
  Options loaded;
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_EQ(g_displacementList.Text(), unterminated);
  int32_t delay = 0;
  EXPECT_TRUE(g_displacementList.Lookup("C:\\b.avi", &delay));
  EXPECT_EQ(delay, 32);

  std::vector<uint8_t> junk(200000);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 7919 >> 3);
  Store("Displacement", junk.data(), junk.size());
  EXPECT_TRUE(LoadOptions(&loaded));
  EXPECT_FALSE(g_displacementList.Lookup("C:\\b.avi", &delay));
  EXPECT_TRUE(shown_.empty());
}

}  // namespace

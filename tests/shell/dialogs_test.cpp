// The dialogs opened by their commands in the real shell and read back from a
// second thread while they are up, against figures found elsewhere: a clip
// the test writes, the filters of the running graph, a display and sound
// decompressors of the tests' own (their display modes, their property
// pages), the registry and the system's help viewer (help_contents_check.sh
// reads the help file's table of contents on the build machine). Each dialog
// leaves a screenshot in the clips directory.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/application_ports.h"
#include "app/resource.h"
#include "app/settings_key.h"
#include "app/shell.h"
#include "decode/filter_chain.h"
#include "decode/query_interface.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "tests/common/test_paths.h"
#include "tests/decode/test_sound_decoder.h"
#include "tests/shell/shell_session.h"
#include "tests/video/fake_direct_draw.h"
#include "tools/avi_writer.h"

#include <commctrl.h>
#include <ddraw.h>
#include <prsht.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>

namespace {

std::vector<std::string> Texts(HWND dialog, std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
}

// Whether the running graph's grabber (the filter with a video input and no
// output), found through the Running Object Table, takes RGB.
void DescribeFilter(IBaseFilter* filter, bool* grabberTakesRgb) {
  AM_MEDIA_TYPE type = {};
  const ComPtr<IPin> input = FindPinOfDirection(filter, PINDIR_INPUT, true);
  if (!input || FAILED(input->ConnectionMediaType(&type))) return;
  CoTaskMemFree(type.pbFormat);
  if (type.majortype == MEDIATYPE_Video && !FindPinOfDirection(filter, PINDIR_OUTPUT, false))
    *grabberTakesRgb = type.subtype == MEDIASUBTYPE_RGB24;
}

bool GrabberTakesRgb(bool* rgb) {
  ComPtr<IRunningObjectTable> table;
  ComPtr<IEnumMoniker> monikers;
  ComPtr<IMoniker> moniker;
  if (FAILED(GetRunningObjectTable(0, table.Receive())) || FAILED(table->EnumRunning(monikers.Receive()))) {
    return false;
  }
  while (monikers->Next(1, moniker.Receive(), nullptr) == S_OK) {
    ComPtr<IUnknown> object;
    ComPtr<IFilterGraph> graph;
    ComPtr<IEnumFilters> filters;
    ComPtr<IBaseFilter> filter;
    if (SUCCEEDED(table->GetObject(moniker.Get(), object.Receive())) &&
        SUCCEEDED(object->QueryInterface(IID_IFilterGraph, graph.ReceiveVoid())) &&
        SUCCEEDED(graph->EnumFilters(filters.Receive()))) {
      while (filters->Next(1, filter.Receive(), nullptr) == S_OK) DescribeFilter(filter.Get(), rgb);
      return true;
    }
  }
  return false;
}

// Replaces the session's player with one whose video filters take 200 ms a
// frame: a picture that cannot keep up with a clip of 10 frames a second.
void UseSlowVideoFilters() {
  PlaybackPorts ports = ApplicationPorts();
  ports.effects.applyVideoFilters = [](const Options& options, uint8_t* frame, int32_t width,
                                       int32_t height, int32_t number) {
    Sleep(200);
    ProgramEffects().applyVideoFilters(options, frame, width, height, number);
  };
  delete g_player;
  g_player = new Player(ports);
}

// A property page of the tests' own, registered in this process while it
// lives, and its own class object: its title, and the names of the filters
// it was last given.
class TestPage final : public IPropertyPage, public IClassFactory {
 public:
  TestPage(const CLSID& clsid, std::wstring title) : title_(std::move(title)) {
    CoRegisterClassObject(clsid, static_cast<IClassFactory*>(this), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie_);
  }
  ~TestPage() { CoRevokeClassObject(cookie_); }
  std::string objects;

  // Its count is not kept: it lives as long as its registration.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IClassFactory)) return QueryOwnInterface(static_cast<IClassFactory*>(this), {iid}, iid, object);
    return QueryOwnInterface(static_cast<IPropertyPage*>(this), {IID_IPropertyPage}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** object) override { return QueryInterface(iid, object); }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  STDMETHODIMP SetPageSite(IPropertyPageSite*) override { return S_OK; }
  STDMETHODIMP Activate(HWND, LPCRECT, BOOL) override { return S_OK; }
  STDMETHODIMP Deactivate() override { return S_OK; }
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override {
    *info = {sizeof *info, static_cast<LPOLESTR>(CoTaskMemAlloc((title_.size() + 1) * sizeof(wchar_t))), {120, 60}};
    std::copy(title_.c_str(), title_.c_str() + title_.size() + 1, info->pszTitle);
    return S_OK;
  }
  STDMETHODIMP SetObjects(ULONG count, IUnknown** given) override {
    objects.clear();
    for (ULONG i = 0; i < count; ++i) {
      ComPtr<IBaseFilter> filter;
      std::string name = "?";
      if (SUCCEEDED(given[i]->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid()))) FilterName(filter.Get(), &name);
      objects += (i > 0 ? ", " : "") + name;
    }
    return S_OK;
  }
  STDMETHODIMP Show(UINT) override { return S_OK; }
  STDMETHODIMP Move(LPCRECT) override { return S_OK; }
  STDMETHODIMP IsPageDirty() override { return S_FALSE; }
  STDMETHODIMP Apply() override { return S_OK; }
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  const std::wstring title_;
  DWORD cookie_ = 0;
};

// Sees the task memory freed while it records. COM keeps a spy until the
// blocks allocated under it are freed, so the one spy is never destroyed.
class TaskMemorySpy final : public IMallocSpy {
 public:
  static TaskMemorySpy* Start() {
    static TaskMemorySpy* spy = new TaskMemorySpy;
    spy->freed_.clear();
    spy->recording_ = true;
    CoRegisterMallocSpy(spy);
    return spy;
  }
  void Stop() { CoRevokeMallocSpy(), recording_ = false; }
  bool Freed(void* block) const { return freed_.count(block) != 0; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override { return QueryOwnInterface(this, {IID_IMallocSpy}, iid, object); }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  // COM calls the spy under a lock of its own.
  STDMETHODIMP_(void*) PreFree(void* block, BOOL) override { return recording_ ? *freed_.insert(block).first : block; }
  STDMETHODIMP_(void) PostFree(BOOL) override {}
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T bytes) override { return bytes; }
  STDMETHODIMP_(void*) PostAlloc(void* block) override { return block; }
  STDMETHODIMP_(SIZE_T) PreRealloc(void* block, SIZE_T bytes, void** request, BOOL) override { return *request = block, bytes; }
  STDMETHODIMP_(void*) PostRealloc(void* block, BOOL) override { return block; }
  STDMETHODIMP_(void*) PreGetSize(void* block, BOOL) override { return block; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T bytes, BOOL) override { return bytes; }
  STDMETHODIMP_(void*) PreDidAlloc(void* block, BOOL) override { return block; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  STDMETHODIMP_(void) PreHeapMinimize() override {}
  STDMETHODIMP_(void) PostHeapMinimize() override {}

 private:
  std::set<void*> freed_;  // written only while recording
  std::atomic<bool> recording_{false};
};

// Presses a "Properties" button; when a frame comes up, its caption and tab
// titles, and it is closed.
std::vector<std::string> PressPagesButton(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  std::vector<std::string> seen;
  HWND frame = nullptr;
  if (!PollUntil([&] { return (frame = FindOwnDialog(nullptr, dialog)) != nullptr; }, 1000)) return seen;
  seen.push_back(WindowTitle(frame));
  const HWND tabs = PropSheet_GetTabControl(frame);
  for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
    char title[64] = {};
    TCITEMA item = {TCIF_TEXT, 0, 0, title, sizeof title};
    SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    seen.push_back(title);
  }
  PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
  PollUntil([&] { return !IsWindow(frame); }, 2000);
  return seen;
}

}  // namespace

// A clip of the test's own, of 20 frames of raw video (16 x 16, 24 bits, 10
// a second) whose sound (11,025 Hz, 16 bits, mono) goes through two
// decompressors of the tests' own (A gives the format B takes), with 20 and
// 10 property pages: File Properties shows the clip's figures and names the
// chain joined by " -> "; the audio "Properties" button opens one frame with
// the first 25 pages of both, each given both filters, and every page list
// is freed; the video chain has no decompressor, so its button shows nothing.
TEST(Dialogs, FilePropertiesShowTheClipAndOpenTheDecompressorsPropertyPagesInOneFrame) {
  ShellSession session("");
  g_options.addGraphToRot = 1;
  // The test's class objects live in this thread's apartment.
  struct Apartment {
    Apartment() { CoInitialize(nullptr); }
    ~Apartment() { CoUninitialize(); }
  } apartment;
  std::vector<std::unique_ptr<TestPage>> pages;
  std::vector<CLSID> ids[2];
  std::vector<std::string> titles;
  for (int i = 0; i < 30; ++i) {
    const CLSID id = {0x7e5800a0u + i, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 3}};
    const std::string title = std::string(i < 20 ? "A " : "B ") + std::to_string(i < 20 ? i + 1 : i - 19);
    pages.push_back(std::make_unique<TestPage>(id, std::wstring(title.begin(), title.end())));
    ids[i < 20 ? 0 : 1].push_back(id);
    if (i < 25) titles.push_back(title);
  }
  std::vector<AviWriterChunk> chunks;
  for (int f = 0; f < 20; ++f) {
    chunks.push_back({0, "db", true, std::vector<uint8_t>(16 * 16 * 3, static_cast<uint8_t>(f * 9))});
    chunks.push_back({1, "wb", true, std::vector<uint8_t>(1102 * 2, static_cast<uint8_t>(f))});
  }
  AviWriterStream soundStream = PcmStream(1, 11025, 16, 1102 * 20);
  soundStream.strf[0] = kTestSoundTag & 0xFF, soundStream.strf[1] = kTestSoundTag >> 8;  // WAVEFORMATEX's tag
  AviWriterOptions options;
  options.microSecPerFrame = 100000;
  const std::string path = ScratchPath("two_sound_decoders.avi");
  ASSERT_TRUE(WriteAvi(path, {VideoStream(0, 16, 16, 24, 10, 1, 20), soundStream}, chunks, options));
  TestSoundDecoderKind first(L"Test Pages A", {0x7e580001, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 1}}, MERIT_NORMAL);
  TestSoundDecoderKind second(L"Test Pages B", {0x7e580002, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 2}}, MERIT_NORMAL);
  first.outputTag = second.inputTag = kTestSoundTag2;
  first.pages = ids[0], second.pages = ids[1];
  TestSoundDecoder a(first), b(second);
  ASSERT_TRUE(a.Registered() && b.Registered());
  ASSERT_TRUE(OpenPaused(session, path));
  ASSERT_TRUE(session.Messages().empty()) << session.Messages()[0].text;
  bool rgb = false;
  ASSERT_TRUE(GrabberTakesRgb(&rgb));

  PageListsHandedOut().clear();
  TaskMemorySpy* spy = TaskMemorySpy::Start();
  std::vector<std::string> shown, videoFrame, audioFrame;
  ASSERT_TRUE(RunDialog(session, IDM_FILE_PROPERTIES, "File Properties", "properties", [&](HWND d) {
    shown = Texts(d, {IDC_STREAM_LENGTH, IDC_RESOLUTION, IDC_FRAME_RATE, IDC_DEPTH, IDC_PIXEL_FORMAT,
                      IDC_VIDEO_BITRATE, IDC_SAMPLING_RATE, IDC_CHANNELS, IDC_PRECISION, IDC_AUDIO_BITRATE,
                      IDC_VIDEO_DECOMPRESSORS, IDC_AUDIO_DECOMPRESSORS});
    videoFrame = PressPagesButton(d, IDC_VIDEO_PAGES);
    audioFrame = PressPagesButton(d, IDC_AUDIO_PAGES);
  }));
  spy->Stop();
  // Kilobits a second: the stream's bytes x 8 over the video's 2 s; the
  // length line goes on with the time, the audio's with its kilobits.
  const int videoBytes = 20 * 16 * 16 * 3, audioBytes = 20 * 1102 * 2;
  const std::vector<std::string> expected = {
      "Stream Lenght:\t\t20 frames (", "Frame Resolution:\t16x16 pixels",
      "Frame Rate:\t\t10 fps (100 ms)", "Depth:\t\t\t24 Bits, 1 Plane(s)",
      std::string("Pixel Format:\t\t") + (rgb ? "RGB" : "YUV"),
      "Average Bitrate:\t\t" + std::to_string((videoBytes * 8 / 2 + 500) / 1000) + " kBit/s (Size: " +
          std::to_string(videoBytes / 1024) + " KB) VBR",
      "Sampling Rate:\t\t11025 Hz", "Channels:\t\t1 (Mono)", "Sample Precition:\t16 Bit",
      "Average Bitrate:\t\t", "<> None", "<0x7E57> Test Pages A -> Test Pages B"};
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(i == 0 || i == 9 ? shown[i].substr(0, expected[i].size()) : shown[i], expected[i]) << i;
  }
  int kilobits = -1;
  std::sscanf(shown[9].c_str() + expected[9].size(), "%d kBit/s", &kilobits);
  EXPECT_NEAR(kilobits, audioBytes * 8 / 2 / 1000.0, 0.03 * audioBytes * 8 / 2 / 1000) << shown[9];
  EXPECT_NE(shown[9].find("(Size: " + std::to_string(audioBytes / 1024) + " KB) CBR"), std::string::npos)
      << shown[9];
  EXPECT_TRUE(videoFrame.empty());
  ASSERT_FALSE(audioFrame.empty()) << "no property frame";
  EXPECT_NE(audioFrame[0].find("Decompressor(s) Properties"), std::string::npos) << audioFrame[0];
  EXPECT_EQ(std::vector<std::string>(audioFrame.begin() + 1, audioFrame.end()), titles);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(pages[i]->objects, "Test Pages A, Test Pages B") << i;
  EXPECT_EQ(pages[25]->objects, "") << "beyond the table";
  ASSERT_EQ(PageListsHandedOut().size(), 2u);
  for (void* list : PageListsHandedOut()) EXPECT_TRUE(spy->Freed(list));
  EXPECT_EQ(g_player->State(), kPaused);
}

// Each picture takes 200 ms to filter, against a clip of 10 frames a second:
// with "Skip Frames" the dropped count moves while the dialog is up.
TEST(Dialogs, StatisticsFollowThePlayback) {
  const char kClip[] = "msvc_ima_long.avi";  // 160x120 10 fps 180 s; IMA ADPCM 22,050 Hz mono
  ASSERT_TRUE(ClipExists(kClip)) << kClip << " not made";
  ShellSession session("");
  UseSlowVideoFilters();  // the video thread falls behind
  // Video mode, frames dropped, audio mode, audio buffer, video buffer, notes.
  const auto texts = [](HWND d) {
    return Texts(d, {IDC_VIDEO_MODE, IDC_FRAMES_DROPPED, IDC_AUDIO_MODE, IDC_AUDIO_BUFFER, IDC_VIDEO_BUFFER, IDC_NOTES});
  };
  const std::vector<std::string> expectedIdle = {"Disabled", "0", "Off", "Disabled", "Disabled",
                                                "No notes, fastest mode."};
  g_options.videoFilters.negative = g_options.addGraphToRot = 1;
  g_options.safeVideoBackupMode = 0, g_options.speedTroublesMode = kSkipFrames;
  g_playlist->SetText(ClipPath(kClip));
  // Idle first, then (Play/Pause posted, which the dialog's loop passes on)
  // read until the dropped count took three values and the buffer levels four.
  std::vector<std::string> idle;
  bool placed = false, played = false;  // at the main window's corner + 8, above every window
  std::vector<std::vector<std::string>> samples;
  std::set<std::string> dropped, fills;
  ASSERT_TRUE(RunDialog(session, IDM_STATISTICS, "Realtime Statistics", "statistics", [&](HWND d) {
    PollUntil([&] { return (idle = texts(d)) == expectedIdle; }, 3000);  // its timer fills the lines
    RECT own, main;
    GetWindowRect(d, &own), GetWindowRect(g_mainWindow, &main);
    placed = own.left == main.left + 8 && own.top == main.top + 8 &&
             (GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 && GetWindow(d, GW_OWNER) == nullptr;
    PostMessageA(g_mainWindow, WM_COMMAND, IDM_PLAY_PAUSE, 0);
    played = PollUntil([] { return g_player->State() == kPlaying; }, 10000);
    g_player->SetDisplacement(40);
    SendMessageA(g_mainWindow, WM_COMMAND, IDM_STATISTICS, 0);  // a second request only brings it forward
    PollUntil([&] { return texts(d)[0] != "Disabled"; }, 3000);  // its timer's first refresh while playing
    PollUntil([&] {
      samples.push_back(texts(d));
      dropped.insert(samples.back()[1]);
      fills.insert(samples.back()[3] + samples.back()[4]);
      return dropped.size() > 2 && fills.size() > 3;
    }, 10000);
  }, IDOK));
  const int droppedAtClose = g_player->DroppedFrames();
  EXPECT_EQ(std::make_tuple(idle, placed, played), std::make_tuple(expectedIdle, true, true));
  ASSERT_FALSE(samples.empty());
  bool rgb = false;
  ASSERT_TRUE(GrabberTakesRgb(&rgb));
  for (const auto& s : samples) {
    EXPECT_EQ(s[2], "22050Hz 16Bit Mono");
    int count = 0, capacity = 0;
    EXPECT_EQ(std::sscanf(s[3].c_str(), "%d/%d Blocks", &count, &capacity), 2) << s[3];
    EXPECT_EQ(std::sscanf(s[4].c_str(), "%d/%d Frames", &count, &capacity), 2) << s[4];
    EXPECT_GT(capacity, count);
  }
  EXPECT_EQ(samples.back()[0], "NonOverlay RGB");  // Wine offers no overlay
  EXPECT_GT(dropped.size(), 2u) << "the dropped frames did not move: " << samples.back()[1];
  EXPECT_GT(fills.size(), 3u) << "the buffer levels did not move";
  EXPECT_LE(std::stoi(samples.back()[1]), droppedAtClose);
  EXPECT_EQ(samples.back()[5],
            std::string(rgb ? "Software RGB->YUV Conversion (codec can't support YUV)\r\n" : "") +
                "Video Filter(s) using\r\nSoftware YUV->RGB Conversion (can't setup YUV color)\r\n"
                "Software Resizing (can't setup overlays)\r\nSound/Video Stream Time Displacement Using\r\n");
}

TEST(Dialogs, AudioDelayIsCheckedRememberedAndSaved) {
  ShellSession session("");
  session.Command(IDM_TIME_DISPLACEMENT);
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].text, "Open Video File first");

  const std::string path = ClipPath("msvc_silent.avi");
  g_playlist->SetText(path);
  g_displacementList.Clear();
  const char kCaption[] = "Audio Stream's Displacement Comparative Video's";
  std::string first, second;
  bool stayedOpen = false;
  ASSERT_TRUE(RunDialog(session, IDM_TIME_DISPLACEMENT, kCaption, "audio_delay", [&](HWND d) {
    first = Texts(d, {IDC_DELAY})[0];
    SetDlgItemTextA(d, IDC_DELAY, "abc");
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    stayedOpen = IsWindowVisible(d) != FALSE;
    SetDlgItemTextA(d, IDC_DELAY, "-120");
  }, IDOK));
  EXPECT_EQ(std::make_tuple(first, stayedOpen, g_player->Displacement()),
            std::make_tuple(std::string("0"), true, -120));
  ASSERT_EQ(session.Messages().size(), 2u);
  EXPECT_EQ(std::make_pair(Said(session.Messages()[1]), session.Messages()[1].type),
            std::make_pair(std::string("Restriction: You should enter integer number"), UINT{MB_ICONEXCLAMATION}));

  // The registry holds the entry: "0x", -120 as eight hex digits, the path.
  char stored[2048] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegQueryValueExA(SettingsKey().Get(), "Displacement", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(stored, size - 1), "0xFFFFFF88" + path);

  // Shown again for the same file; Cancel changes nothing.
  ASSERT_TRUE(RunDialog(session, IDM_TIME_DISPLACEMENT, kCaption, "audio_delay_again",
                        [&](HWND d) { second = Texts(d, {IDC_DELAY})[0]; }));
  EXPECT_EQ(std::make_pair(second, g_displacementList.Text()),
            std::make_pair(std::string("-120"), "0xFFFFFF88" + path));
}

// The dialog lists the display's RGB modes; the next switch to fullscreen
// asks for the chosen one, says so when the display refuses it (and goes
// fullscreen all the same), and leaving fullscreen restores the desktop's.
TEST(Dialogs, FullscreenModesComeFromTheDisplayAndARefusedModeIsShown) {
  FakeDirectDraw display;
  display.modes = {{640, 480, 16, 60}, {800, 600, 32, 0}, {720, 576, 16, 50, MAKEFOURCC('Y', 'U', 'Y', '2')},
                   {320, 240, 8, 20}, {1024, 768, 24, 85}};
  ShellSession session("");
  if (g_directDraw != nullptr) g_directDraw->Release();  // the session's DirectDraw object: the test's display
  display.AddRef();  // given back by the shell's shutdown
  g_directDraw = &display;
  const std::vector<std::string> expected = {"Use Desktop settings", "640x480 16Bit 60Hz", "800x600 32Bit",
                                             "320x240 8Bit", "1024x768 24Bit 85Hz"};
  // Each run: the list, its selection, then the item to choose.
  std::vector<std::string> listed;
  LRESULT selected = -1, choice = 1;
  auto choose = [&](HWND d) {
    const HWND list = GetDlgItem(d, IDC_MODE_LIST);
    listed.clear();
    for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
      char text[256] = {};
      SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      listed.push_back(text);
    }
    selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    SendMessageA(list, CB_SETCURSEL, choice, 0);
  };
  // Modes added before the run, the item chosen and the button; the list's
  // length and selection, and the stored width, height, bits and rate. At
  // most 1023 modes are listed; Cancel keeps the choice; "Use Desktop
  // settings" is bits 1.
  const struct {
    DWORD added; LRESULT choice; int button; size_t listed; LRESULT selected;
    std::vector<unsigned> stored;
  } runs[] = {{0, 1, IDOK, 5, 0, {640, 480, 16, 60}},  // the desktop's settings at first
              {0, 2, IDOK, 5, 1, {800, 600, 32, 0}},
              {1100, 0, IDCANCEL, 1024, 2, {800, 600, 32, 0}},
              {0, 0, IDOK, 1024, 2, {800, 600, 1, 0}}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.choice);
    for (DWORD i = 0; i < run.added; ++i) display.modes.push_back({2000 + i, 1000, 32, 60});
    choice = run.choice;
    ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, "Select fullscreen video mode",
                          run.added == 0 && choice == 1 ? "fullscreen_mode" : "", choose, run.button));
    EXPECT_EQ(std::make_tuple(listed.size(), selected), std::make_tuple(run.listed, run.selected));
    const unsigned* stored = &g_options.fullscreenWidth;
    EXPECT_EQ(std::vector<unsigned>(stored, stored + 4), run.stored);
  }
  EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.begin() + 5), expected);
  EXPECT_EQ(display.Calls("Enum"), (std::vector<std::string>(4, "EnumDisplayModes 0x1")));

  g_options.denyOverlays = 1;  // the picture keeps off the display
  ASSERT_TRUE(OpenPaused(session, ClipPath("msvc_silent.avi")));
  // The calls are those on the way into fullscreen.
  const struct {
    const char* name; DWORD bits; bool hasDirectDraw4; HRESULT result;
    std::vector<std::string> calls; bool message;
  } cases[] = {
      {"the chosen mode", 16, true, DD_OK, {"SetDisplayMode 640 480 16 60 0"}, false},
      {"a mode the display refuses", 16, true, DDERR_UNSUPPORTEDMODE, {"SetDisplayMode 640 480 16 60 0"}, true},
      {"no IDirectDraw4", 16, false, DD_OK, {}, true},
      {"the desktop's settings", 1, true, DD_OK, {"RestoreDisplayMode"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_options.fullscreenWidth = 640, g_options.fullscreenHeight = 480, g_options.fullscreenRefreshRate = 60;
    g_options.fullscreenBitsPerPixel = c.bits;
    display.hasDirectDraw4 = c.hasDirectDraw4;
    display.setModeResult = c.result;
    display.calls.clear();
    const size_t messages = session.Messages().size();
    RECT windowed, shown;
    GetWindowRect(g_mainWindow, &windowed);
    session.Command(IDM_FULLSCREEN);
    EXPECT_EQ(display.Calls(""), c.calls);
    ASSERT_EQ(session.Messages().size(), messages + (c.message ? 1 : 0));
    if (c.message) {
      EXPECT_EQ(Said(session.Messages().back()), "Display troubles: Can't change display mode");
      EXPECT_EQ(session.Messages().back().type, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
    EXPECT_EQ(WindowSize(g_mainWindow).first, GetSystemMetrics(SM_CXSCREEN));
    display.calls.clear();
    session.Command(IDM_FULLSCREEN);
    EXPECT_EQ(display.Calls(""), std::vector<std::string>{"RestoreDisplayMode"});
    GetWindowRect(g_mainWindow, &shown);
    EXPECT_TRUE(EqualRect(&shown, &windowed));
    EXPECT_EQ(display.Refs(), 2u) << "IDirectDraw4 given back";
  }
}

// A string of the executable's version resource, as Explorer reads it.
std::string VersionString(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "";
  return std::string(value, length > 0 ? length - 1 : 0);
}

TEST(Dialogs, AboutShowsTheTitleVersionAndFeaturesAndHelpOpensTheCarriedFile) {
  ShellSession session("");
  std::string text;
  LRESULT idealSize = 0;
  ASSERT_TRUE(RunDialog(session, IDM_ABOUT, "About", "about", [&](HWND d) {
    text = Texts(d, {IDC_ABOUT_TEXT})[0];
    // Only version 6 of the common controls (the manifest's) knows this.
    SIZE size = {0, 0};
    idealSize = SendMessageA(GetDlgItem(d, IDOK), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size));
  }));
  EXPECT_EQ(text.rfind(std::string("\r\n") + DefaultTitle() + "\r\n\r\n", 0), 0u) << text;
  EXPECT_NE(idealSize, 0) << "the dialogs do not use common controls 6";

  // The version resource carries the VERSION file's version, which the About
  // box names with the build.
  const std::vector<uint8_t> file = ReadFileBytes(VELMORA_VERSION_FILE);
  const std::string version(file.begin(), std::find(file.begin(), file.end(), '\n'));
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::vector<char> info(GetFileVersionInfoSizeA(module, nullptr));
  ASSERT_TRUE(!info.empty() && GetFileVersionInfoA(module, 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength));
  const std::string fixedVersion = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                                   std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                                   std::to_string(HIWORD(fixed->dwProductVersionLS));
  EXPECT_EQ(std::vector<std::string>({VersionString(info, "ProductVersion"), VersionString(info, "FileVersion"),
                                      VersionString(info, "ProductName"), fixedVersion}),
            std::vector<std::string>({version, version, "Velmora Player", version}));
  const std::string line = "\r\nVersion " + version + ", " + std::to_string(8 * sizeof(void*)) + "-bit\r\n";
  EXPECT_NE(text.find(line), std::string::npos) << text;

  char paragraph[1024] = {};
  const int length = LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_TEXT, paragraph, sizeof paragraph);
  EXPECT_TRUE(length > 200 && length < 600) << length;
  EXPECT_EQ(text.size() - text.rfind(paragraph), static_cast<size_t>(length)) << "the paragraph ends the text";
  EXPECT_EQ(g_app.mouseMoveIgnoreCount, 2);

  // Help writes the help file it carries and the system's viewer opens it.
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + "Velmora.chm";
  DeleteFileA(path.c_str());
  session.Command(IDM_HELP_CONTENTS);

  const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HELP_FILE), MAKEINTRESOURCEA(10));
  ASSERT_NE(resource, nullptr);
  const uint8_t* carried = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, resource)));
  EXPECT_TRUE(ReadFileBytes(path) == std::vector<uint8_t>(carried, carried + SizeofResource(nullptr, resource))) << path;

  // The system's viewer, a process of its own, titled by the help file.
  HWND viewer = nullptr;
  ASSERT_TRUE(session.PumpUntil([&] { return IsWindowVisible(viewer = FindWindowA(nullptr, "Velmora Player Help")); },
                                20000)) << "no help viewer window";
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(session.PumpUntil([&] { return !IsWindow(viewer); }, 5000));
}

// The dialogs opened by their commands in the real shell and read back from a
// second thread while they are up, against figures found elsewhere: ffprobe's
// view of the clips (make_stream_facts.sh), the filters of the running graph,
// DirectDraw's own list of display modes, the registry and the system's help
// viewer (help_contents_check.sh reads the help file's table of contents on
// the build machine). Each dialog leaves a screenshot in the clips directory.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/application_ports.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/settings_key.h"
#include "app/shell.h"
#include "decode/filter_chain.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"

#include <commctrl.h>
#include <ddraw.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// ffprobe's "-of flat" lines ("stream.0.width" for "streams.stream.0.width")
// and the stream byte counts, quotes taken off.
std::map<std::string, std::string> StreamFacts(const std::string& clip) {
  std::map<std::string, std::string> facts;
  std::ifstream in(ClipPath(clip) + ".streams");
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    const std::string key = line.substr(0, equals);
    facts[key.rfind("streams.", 0) == 0 ? key.substr(8) : key] = value;
  }
  return facts;
}

std::string Format(const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Texts(HWND dialog, std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
}

// What the running graph says, found through the Running Object Table: the
// filters between source and grabber (pins both ways) named in graph order
// (enumeration gives the last added first), by the kind of stream their input
// carries, and whether the grabber's video pin took RGB.
struct GraphFacts {
  std::string video = "None", audio = "None";
  bool grabberTakesRgb = false;
};

void DescribeFilter(IBaseFilter* filter, GraphFacts* facts) {
  std::string name;
  AM_MEDIA_TYPE type = {};
  const ComPtr<IPin> input = FindPinOfDirection(filter, PINDIR_INPUT, true);
  if (!FilterName(filter, &name) || !input || FAILED(input->ConnectionMediaType(&type))) return;
  CoTaskMemFree(type.pbFormat);
  const bool video = type.majortype == MEDIATYPE_Video;
  if (FindPinOfDirection(filter, PINDIR_OUTPUT, false)) {
    std::string& chain = video ? facts->video : facts->audio;
    chain = chain == "None" ? name : name + " -> " + chain;
  } else if (video) {
    facts->grabberTakesRgb = type.subtype == MEDIASUBTYPE_RGB24;
  }
}

bool ReadGraphFacts(GraphFacts* facts) {
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
      while (filters->Next(1, filter.Receive(), nullptr) == S_OK) DescribeFilter(filter.Get(), facts);
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

// Presses a "Properties" button: true when a property frame came up (it is
// then closed).
bool PressPagesButton(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  for (int i = 0; i < 50; ++i, Sleep(20)) {
    HWND frame = FindOwnDialog("Decompressor(s) Properties");
    if (frame == nullptr) continue;
    PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
    for (int j = 0; j < 100 && IsWindow(frame); ++j) Sleep(20);
    return true;
  }
  return false;
}

}  // namespace

TEST(Dialogs, FilePropertiesShowWhatFfprobeAndTheGraphSay) {
  for (const char* clip : {"cinepak_pcm16.avi", "msvc_ima.avi"}) {
    SCOPED_TRACE(clip);
    auto f = StreamFacts(clip);
    if (f.empty()) GTEST_SKIP() << clip << ".streams not made";
    ShellSession session("");
    g_options.addGraphToRot = 1;
    g_playlist->SetText(ClipPath(clip));
    session.Command(IDM_PLAY_PAUSE);
    session.Command(IDM_PLAY_PAUSE);
    ASSERT_EQ(g_player->State(), kPaused);
    GraphFacts graph;
    ASSERT_TRUE(ReadGraphFacts(&graph));

    std::vector<std::string> shown;
    int framesShown = 0;
    ASSERT_TRUE(RunDialog(session, IDM_FILE_PROPERTIES, "File Properties", std::string("properties_") + clip,
                          [&](HWND d) {
                            shown = Texts(d, {IDC_STREAM_LENGTH, IDC_RESOLUTION, IDC_FRAME_RATE, IDC_DEPTH,
                                              IDC_PIXEL_FORMAT, IDC_VIDEO_BITRATE, IDC_SAMPLING_RATE,
                                              IDC_CHANNELS, IDC_PRECISION, IDC_AUDIO_BITRATE,
                                              IDC_VIDEO_DECOMPRESSORS, IDC_AUDIO_DECOMPRESSORS});
                            for (int button : {IDC_VIDEO_PAGES, IDC_AUDIO_PAGES}) {
                              framesShown += PressPagesButton(d, button) ? 1 : 0;
                            }
                          }));
    // Wine's AVI Decompressor and ACM Wrapper offer no property pages.
    EXPECT_EQ(framesShown, 0);
    EXPECT_EQ(g_player->State(), kPaused);

    int num = 0, den = 1;
    std::sscanf(f["stream.0.r_frame_rate"].c_str(), "%d/%d", &num, &den);
    const int frames = std::stoi(f["stream.0.nb_frames"]), channels = std::stoi(f["stream.1.channels"]);
    const int videoBytes = std::stoi(f["video_bytes"]), audioBytes = std::stoi(f["audio_bytes"]);
    // Kilobits per second: bytes x 8 over the video's time in ffprobe's figures.
    const double seconds = static_cast<double>(frames) * den / num;
    const double audioKilobits = audioBytes * 8 / seconds / 1000;
    const char* channelName = channels == 1 ? " (Mono)" : channels == 2 ? " (Stereo)" : "";
    const std::string expected[] = {
        Format("Stream Lenght:\t\t%d frames (", frames),
        Format("Frame Resolution:\t%sx%s pixels", f["stream.0.width"].c_str(), f["stream.0.height"].c_str()),
        Format("Frame Rate:\t\t%d fps (%d ms)", num / den, den * 1000 / num),
        "Depth:\t\t\t",
        std::string("Pixel Format:\t\t") + (graph.grabberTakesRgb ? "RGB" : "YUV"),
        Format("Average Bitrate:\t\t%d kBit/s (Size: %d KB) VBR",
               static_cast<int>(videoBytes * 8 / seconds / 1000 + 0.5), videoBytes / 1024),
        Format("Sampling Rate:\t\t%s Hz", f["stream.1.sample_rate"].c_str()),
        Format("Channels:\t\t%d%s", channels, channelName),
        Format("Sample Precition:\t%s Bit", f["stream.1.bits_per_sample"].c_str()),
        "Average Bitrate:\t\t",
        "<" + Upper(f["stream.0.codec_tag_string"]) + "> " + graph.video,
        Format("<0x%X> ", static_cast<unsigned>(std::stoul(f["stream.1.codec_tag"], nullptr, 16))) + graph.audio,
    };
    ASSERT_EQ(shown.size(), std::size(expected));
    for (size_t i = 0; i < shown.size(); ++i) {
      // Lines whose end is checked below are compared by their beginning.
      const bool whole = i != 0 && i != 3 && i != 9;
      EXPECT_EQ(whole ? shown[i] : shown[i].substr(0, expected[i].size()), expected[i]) << i;
    }
    EXPECT_NE(shown[3].find(" Bits, 1 Plane(s)"), std::string::npos) << shown[3];
    int kilobits = -1;
    std::sscanf(shown[9].c_str() + expected[9].size(), "%d kBit/s", &kilobits);
    EXPECT_NEAR(kilobits, audioKilobits, audioKilobits * 0.03) << shown[9];
    EXPECT_NE(shown[9].find(Format("(Size: %d KB) CBR", audioBytes / 1024)), std::string::npos) << shown[9];
  }
}

// Each picture takes 200 ms to filter, against a clip of 10 frames a second:
// with "Skip Frames" the dropped count moves while the dialog is up; "Smooth
// Video", chosen while playing, then stops the drops.
TEST(Dialogs, StatisticsFollowThePlayback) {
  const char kClip[] = "msvc_ima_long.avi";  // 160x120 10 fps 180 s; IMA ADPCM 22,050 Hz mono
  if (!ClipExists(kClip)) GTEST_SKIP() << kClip << " not made";
  ShellSession session("");
  UseSlowVideoFilters();  // the video thread falls behind
  // Video mode, frames dropped, audio mode, audio buffer, video buffer, notes.
  const auto texts = [](HWND d) {
    return Texts(d, {IDC_VIDEO_MODE, IDC_FRAMES_DROPPED, IDC_AUDIO_MODE, IDC_AUDIO_BUFFER, IDC_VIDEO_BUFFER, IDC_NOTES});
  };
  std::vector<std::string> idle;
  bool placed = false;  // at the main window's corner + 8, above every window
  ASSERT_TRUE(RunDialog(session, IDM_STATISTICS, "Realtime Statistics", "statistics_idle", [&](HWND d) {
    idle = texts(d);
    RECT own, main;
    GetWindowRect(d, &own);
    GetWindowRect(g_mainWindow, &main);
    placed = own.left == main.left + 8 && own.top == main.top + 8 &&
             (GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 && GetWindow(d, GW_OWNER) == nullptr;
  }, IDOK));
  EXPECT_TRUE(placed);
  EXPECT_EQ(idle, (std::vector<std::string>{"Disabled", "0", "Off", "Disabled", "Disabled",
                                            "No notes, fastest mode."}));

  g_options.videoFilters.negative = 1;
  g_options.safeVideoBackupMode = 0;
  g_options.speedTroublesMode = kSkipFrames;
  g_options.addGraphToRot = 1;
  g_playlist->SetText(ClipPath(kClip));
  session.Command(IDM_PLAY_PAUSE);
  ASSERT_EQ(g_player->State(), kPlaying);
  g_player->SetDisplacement(40);
  GraphFacts graph;
  ASSERT_TRUE(ReadGraphFacts(&graph));
  std::vector<std::vector<std::string>> samples;
  ASSERT_TRUE(RunDialog(session, IDM_STATISTICS, "Realtime Statistics", "statistics", [&](HWND d) {
    // A second request only brings the window forward.
    SendMessageA(g_mainWindow, WM_COMMAND, IDM_STATISTICS, 0);
    for (int i = 0; i < 30; ++i, Sleep(100)) samples.push_back(texts(d));
  }, IDOK));
  const int droppedAtClose = g_player->DroppedFrames();
  std::set<std::string> dropped, fills;
  for (const auto& s : samples) {
    EXPECT_EQ(s[2], "22050Hz 16Bit Mono");
    int count = 0, capacity = 0;
    EXPECT_EQ(std::sscanf(s[3].c_str(), "%d/%d Blocks", &count, &capacity), 2) << s[3];
    EXPECT_EQ(std::sscanf(s[4].c_str(), "%d/%d Frames", &count, &capacity), 2) << s[4];
    EXPECT_GT(capacity, count);
    dropped.insert(s[1]);
    fills.insert(s[3] + s[4]);
  }
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(samples.back()[0], "NonOverlay RGB");  // Wine offers no overlay
  EXPECT_GT(dropped.size(), 2u) << "the dropped frames did not move: " << samples.back()[1];
  EXPECT_GT(fills.size(), 3u) << "the buffer levels did not move";
  EXPECT_LE(std::stoi(samples.back()[1]), droppedAtClose);
  EXPECT_EQ(samples.back()[5],
            std::string(graph.grabberTakesRgb ? "Software RGB->YUV Conversion (codec can't support YUV)\r\n" : "") +
                "Video Filter(s) using\r\nSoftware YUV->RGB Conversion (can't setup YUV color)\r\n"
                "Software Resizing (can't setup overlays)\r\nSound/Video Stream Time Displacement Using\r\n");

  // "Smooth Video", chosen while playing, shows every frame from then on.
  session.Command(IDM_SMOOTH_VIDEO);
  session.PumpFor(1000);  // frames the feeder had marked skipped leave the ring
  const PlaybackTally before = CurrentTally();
  session.PumpFor(2000);
  EXPECT_EQ(CurrentTally().framesDropped, before.framesDropped);
  EXPECT_GE(CurrentTally().framesShown - before.framesShown, 4);  // up to 5 a second
  EXPECT_EQ(g_player->State(), kPlaying);
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
  EXPECT_EQ(first, "0");
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(session.Messages().size(), 2u);
  EXPECT_EQ(session.Messages()[1].text, "You should enter integer number");
  EXPECT_EQ(session.Messages()[1].caption, "Restriction");
  EXPECT_EQ(session.Messages()[1].type, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(g_player->Displacement(), -120);

  // The registry holds the entry: "0x", -120 as eight hex digits, the path.
  char stored[2048] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegQueryValueExA(SettingsKey().Get(), "Displacement", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(stored, size - 1), "0xFFFFFF88" + path);

  // Shown again for the same file; Cancel changes nothing.
  ASSERT_TRUE(RunDialog(session, IDM_TIME_DISPLACEMENT, kCaption, "audio_delay_again",
                        [&](HWND d) { second = Texts(d, {IDC_DELAY})[0]; }));
  EXPECT_EQ(second, "-120");
  EXPECT_EQ(g_displacementList.Text(), "0xFFFFFF88" + path);
}

namespace {

HRESULT WINAPI ListRgbMode(LPDDSURFACEDESC d, LPVOID list) {
  const DWORD hertz = d->dwRefreshRate;
  if (d->ddpfPixelFormat.dwFlags & DDPF_RGB) {
    static_cast<std::vector<std::string>*>(list)->push_back(
        Format("%lux%lu %luBit", d->dwWidth, d->dwHeight, d->ddpfPixelFormat.dwRGBBitCount) +
        (hertz > 20 ? Format(" %luHz", hertz) : ""));
  }
  return DDENUMRET_OK;
}

}  // namespace

TEST(Dialogs, FullscreenModeListsTheSystemsModesAndKeepsTheChoice) {
  ShellSession session("");
  std::vector<std::string> expected = {"Use Desktop settings"};
  IDirectDraw* directDraw = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
  directDraw->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &expected, ListRgbMode);
  directDraw->Release();
  ASSERT_GT(expected.size(), 1u) << "DirectDraw lists no RGB mode";

  // Each run: the list, its selection, then the item to choose: the last mode
  // of the desktop's depth (Wine can't change the depth of an X display; a
  // 32-bit program is offered 8-bit modes too).
  DEVMODEA desktop = {}, current = {};
  desktop.dmSize = current.dmSize = sizeof desktop;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop);
  LRESULT choice = static_cast<LRESULT>(expected.size()) - 1;
  const std::string depth = Format(" %luBit", desktop.dmBitsPerPel);
  while (choice > 1 && expected[choice].find(depth) == std::string::npos) --choice;
  std::vector<std::string> listed;
  LRESULT selected = -1;
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
  const char kCaption[] = "Select fullscreen video mode";
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, kCaption, "fullscreen_mode", choose, IDOK));
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(selected, 0);  // the desktop's settings at first
  unsigned mode[4] = {0, 0, 0, 0};
  std::sscanf(expected[choice].c_str(), "%ux%u %uBit %uHz", &mode[0], &mode[1], &mode[2], &mode[3]);
  const unsigned* stored = &g_options.fullscreenWidth;
  EXPECT_EQ(std::vector<unsigned>(stored, stored + 4), std::vector<unsigned>(mode, mode + 4));

  // The next switch to fullscreen takes the chosen mode; leaving restores the desktop's.
  g_playlist->SetText(ClipPath("msvc_silent.avi"));
  session.Command(IDM_PLAY_PAUSE);
  session.Command(IDM_FULLSCREEN);
  session.PumpFor(500);
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
  EXPECT_EQ(std::vector<unsigned>({current.dmPelsWidth, current.dmPelsHeight, current.dmBitsPerPel}),
            std::vector<unsigned>(mode, mode + 3));
  EXPECT_TRUE(session.Messages().empty()) << session.Messages()[0].text;
  session.Command(IDM_STOP);
  session.PumpFor(300);
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
  EXPECT_EQ(current.dmBitsPerPel, desktop.dmBitsPerPel);

  // Opened again the choice is selected; Cancel keeps it.
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, kCaption, "fullscreen_mode_again", choose));
  EXPECT_EQ(selected, choice);
  EXPECT_EQ(g_options.fullscreenBitsPerPixel, mode[2]);
  // "Use Desktop settings" is bits 1.
  choice = 0;
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, kCaption, "fullscreen_mode_desktop", choose, IDOK));
  EXPECT_EQ(g_options.fullscreenBitsPerPixel, 1u);
}

// A string of the executable's version resource, as Explorer reads it.
std::string VersionString(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "";
  return std::string(value, length > 0 ? length - 1 : 0);
}

TEST(Dialogs, AboutShowsTheTitleVersionAndTheProgramsFeatures) {
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
  DWORD handle = 0;
  std::vector<char> info(GetFileVersionInfoSizeA(module, &handle));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(module, 0, static_cast<DWORD>(info.size()), info.data()));
  EXPECT_EQ(VersionString(info, "ProductVersion"), version);
  EXPECT_EQ(VersionString(info, "FileVersion"), version);
  EXPECT_EQ(VersionString(info, "ProductName"), "Velmora Player");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength));
  const std::string fixedVersion = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                                   std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                                   std::to_string(HIWORD(fixed->dwProductVersionLS));
  EXPECT_EQ(fixedVersion, version);
  const std::string line = "\r\nVersion " + version + ", " + std::to_string(8 * sizeof(void*)) + "-bit\r\n";
  EXPECT_NE(text.find(line), std::string::npos) << text;

  char paragraph[1024] = {};
  const int length = LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_TEXT, paragraph, sizeof paragraph);
  EXPECT_GT(length, 200);
  EXPECT_LT(length, 600);
  EXPECT_EQ(text.size() - text.rfind(paragraph), static_cast<size_t>(length)) << "the paragraph ends the text";
  EXPECT_EQ(g_app.mouseMoveIgnoreCount, 2);
}

TEST(Dialogs, HelpWritesTheCarriedFileAndTheViewerOpensIt) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + "Velmora.chm";
  DeleteFileA(path.c_str());
  ShellSession session("");
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

// The dialogs opened by their commands in the real shell and read back from a
// second thread while they are up, against figures found elsewhere: ffprobe's
// view of the clips (make_stream_facts.sh), the filters of the running graph,
// DirectDraw's own list of display modes, the registry and the system's help
// viewer (help_contents_check.sh reads the help file's table of contents on
// the build machine). Each dialog leaves a screenshot in the clips directory.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/application_ports.h"
#include "app/resource.h"
#include "app/settings_key.h"
#include "app/shell.h"
#include "decode/com_ptr.h"
#include "decode/direct_show.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "tests/common/test_paths.h"
#include "tests/shell/shell_session.h"
#include "video/video_presenter.h"

#include <ddraw.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Facts = std::map<std::string, std::string>;

// ffprobe's "-of flat" lines and the stream byte counts, quotes taken off.
Facts StreamFacts(const std::string& clip) {
  Facts facts;
  std::ifstream in(ClipPath(clip) + ".streams");
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    facts[line.substr(0, equals)] = value;
  }
  return facts;
}

int Number(const Facts& facts, const std::string& key) {
  auto found = facts.find(key);
  return found == facts.end() ? -1 : std::atoi(found->second.c_str());
}

void SavePpm(const Capture& capture, const std::string& name) {
  std::ofstream out(ClipPath(name), std::ios::binary);
  out << "P6\n" << capture.width << " " << capture.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(capture.rgb.data()),
            static_cast<std::streamsize>(capture.rgb.size()));
}

std::string ItemText(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

HWND FindOwnDialog(const char* caption) {
  HWND dialog = FindWindowA("#32770", caption);
  DWORD process = 0;
  if (dialog != nullptr) GetWindowThreadProcessId(dialog, &process);
  return process == GetCurrentProcessId() && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Runs the command, which shows the dialog of the caption and returns when it
// closes. Meanwhile a second thread waits for the dialog, lets it paint, saves
// its screenshot, runs act on it and presses closeId. True when it was seen.
bool RunDialog(ShellSession& session, int command, const char* caption, const char* screenshot,
               const std::function<void(HWND)>& act, int closeId = IDCANCEL) {
  std::atomic<bool> seen{false};
  std::thread helper([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && dialog == nullptr; ++i) {
      dialog = FindOwnDialog(caption);
      if (dialog == nullptr) Sleep(10);
    }
    if (dialog == nullptr) return;
    seen = true;
    Sleep(300);
    SavePpm(CaptureClientArea(dialog), screenshot);
    act(dialog);
    if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, closeId, 0);
  });
  session.Command(command);
  helper.join();
  return seen;
}

// A session with a clip opened and paused on its first frame.
void OpenPaused(ShellSession& session, const std::string& clip) {
  g_playlist->SetText(ClipPath(clip));
  g_app.currentIndex = 0;
  session.Command(IDM_PLAY_PAUSE);
  session.Command(IDM_PLAY_PAUSE);
}

// What the running graph says, found through the Running Object Table: the
// names of the filters between source and grabber (those with pins both
// ways), by the kind of stream their input carries, and whether the
// grabber's video pin took RGB.
struct GraphFacts {
  std::vector<std::string> video, audio;
  bool grabberTakesRgb = false;
};

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

void CountPins(IBaseFilter* filter, int* inputs, int* outputs, AM_MEDIA_TYPE* inputType) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    ++*(direction == PINDIR_INPUT ? inputs : outputs);
    if (direction == PINDIR_INPUT && inputType->majortype == GUID_NULL) {
      if (SUCCEEDED(pin->ConnectionMediaType(inputType))) CoTaskMemFree(inputType->pbFormat);
    }
    pin.Reset();
  }
}

void DescribeFilter(IBaseFilter* filter, GraphFacts* facts) {
  FILTER_INFO info;
  if (FAILED(filter->QueryFilterInfo(&info))) return;
  if (info.pGraph != nullptr) info.pGraph->Release();
  int inputs = 0, outputs = 0;
  AM_MEDIA_TYPE type = {};
  CountPins(filter, &inputs, &outputs, &type);
  const bool video = type.majortype == MEDIATYPE_Video;
  if (inputs > 0 && outputs > 0) {
    (video ? facts->video : facts->audio).push_back(Narrow(info.achName));
  } else if (inputs > 0 && outputs == 0 && video) {
    facts->grabberTakesRgb = type.subtype == MEDIASUBTYPE_RGB24;
  }
}

bool ReadGraphFacts(GraphFacts* facts) {
  ComPtr<IRunningObjectTable> table;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(GetRunningObjectTable(0, table.Receive())) ||
      FAILED(table->EnumRunning(monikers.Receive()))) {
    return false;
  }
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.Receive(), nullptr) == S_OK) {
    ComPtr<IUnknown> object;
    ComPtr<IFilterGraph> graph;
    ComPtr<IEnumFilters> filters;
    if (SUCCEEDED(table->GetObject(moniker.Get(), object.Receive())) &&
        SUCCEEDED(object->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(graph.Receive()))) &&
        SUCCEEDED(graph->EnumFilters(filters.Receive()))) {
      ComPtr<IBaseFilter> filter;
      while (filters->Next(1, filter.Receive(), nullptr) == S_OK) {
        DescribeFilter(filter.Get(), facts);
        filter.Reset();
      }
      return true;
    }
    moniker.Reset();
  }
  return false;
}

// Filters are enumerated from the last added; the chain reads from the source on.
std::string ChainText(std::vector<std::string> names) {
  if (names.empty()) return "None";
  std::string text;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    text += (text.empty() ? "" : " -> ") + *name;
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The kilobits per second a line shows, or -1.
int ShownKilobits(const std::string& line) {
  int kilobits = -1;
  const size_t tab = line.rfind('\t');
  if (tab == std::string::npos || std::sscanf(line.c_str() + tab + 1, "%d kBit/s", &kilobits) != 1) {
    return -1;
  }
  return kilobits;
}

std::string Format(const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

// Presses a "Properties" button; true when a property frame came up (it is
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
  const struct {
    const char* clip;
    const char* stereoName;
  } clips[] = {{"cinepak_pcm16.avi", " (Stereo)"}, {"msvc_ima.avi", " (Mono)"}};
  for (const auto& c : clips) {
    SCOPED_TRACE(c.clip);
    const Facts f = StreamFacts(c.clip);
    if (f.empty()) GTEST_SKIP() << c.clip << ".streams not made";
    ShellSession session("");
    g_options.addGraphToRot = 1;
    OpenPaused(session, c.clip);
    ASSERT_EQ(g_player->State(), kPaused);
    GraphFacts graph;
    ASSERT_TRUE(ReadGraphFacts(&graph));
    ASSERT_FALSE(graph.video.empty()) << "no decompressor in the graph";

    std::map<int, std::string> shown;
    const int ids[] = {IDC_STREAM_LENGTH, IDC_RESOLUTION, IDC_FRAME_RATE, IDC_DEPTH,
                       IDC_PIXEL_FORMAT, IDC_VIDEO_BITRATE, IDC_SAMPLING_RATE, IDC_CHANNELS,
                       IDC_PRECISION, IDC_AUDIO_BITRATE, IDC_VIDEO_DECOMPRESSORS,
                       IDC_AUDIO_DECOMPRESSORS};
    const std::string screenshot = std::string("dialog_file_properties_") + c.clip + ".ppm";
    int framesShown = 0;
    bool stayedOpen = false;
    ASSERT_TRUE(RunDialog(session, IDM_FILE_PROPERTIES, "File Properties", screenshot.c_str(),
                          [&](HWND d) {
                            for (int id : ids) shown[id] = ItemText(d, id);
                            for (int button : {IDC_VIDEO_PAGES, IDC_AUDIO_PAGES}) {
                              framesShown += PressPagesButton(d, button) ? 1 : 0;
                            }
                            stayedOpen = IsWindowVisible(d) != FALSE;
                          }));
    // Wine's AVI Decompressor and ACM Wrapper offer no property pages: no frame.
    EXPECT_EQ(framesShown, 0);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(g_player->State(), kPaused);

    int num = 0, den = 0;
    std::sscanf(f.at("streams.stream.0.r_frame_rate").c_str(), "%d/%d", &num, &den);
    const int frames = Number(f, "streams.stream.0.nb_frames");
    const int videoBytes = Number(f, "video_bytes");
    const int audioBytes = Number(f, "audio_bytes");
    const int sampleRate = Number(f, "streams.stream.1.sample_rate");
    EXPECT_EQ(shown[IDC_RESOLUTION], Format("Frame Resolution:\t%dx%d pixels", Number(f, "streams.stream.0.width"),
                                            Number(f, "streams.stream.0.height")));
    EXPECT_EQ(shown[IDC_FRAME_RATE], Format("Frame Rate:\t\t%d fps (%d ms)", num / den, den * 1000 / num));
    EXPECT_EQ(shown[IDC_STREAM_LENGTH].rfind(Format("Stream Lenght:\t\t%d frames (", frames), 0), 0u)
        << shown[IDC_STREAM_LENGTH];
    EXPECT_EQ(shown[IDC_DEPTH].rfind("Depth:\t\t\t", 0), 0u) << shown[IDC_DEPTH];
    EXPECT_NE(shown[IDC_DEPTH].find(" Bits, 1 Plane(s)"), std::string::npos) << shown[IDC_DEPTH];
    EXPECT_EQ(shown[IDC_PIXEL_FORMAT],
              std::string("Pixel Format:\t\t") + (graph.grabberTakesRgb ? "RGB" : "YUV"));
    // Video: bytes x 8 over the stream's time, exactly as ffprobe's figures give it.
    const double videoKilobits = videoBytes * 8.0 * num / den / frames / 1000;
    EXPECT_EQ(shown[IDC_VIDEO_BITRATE],
              Format("Average Bitrate:\t\t%d kBit/s (Size: %d KB) VBR",
                     static_cast<int>(videoKilobits + 0.5), videoBytes / 1024));
    EXPECT_EQ(shown[IDC_SAMPLING_RATE], Format("Sampling Rate:\t\t%d Hz", sampleRate));
    EXPECT_EQ(shown[IDC_CHANNELS],
              Format("Channels:\t\t%d%s", Number(f, "streams.stream.1.channels"), c.stereoName));
    EXPECT_EQ(shown[IDC_PRECISION],
              Format("Sample Precition:\t%d Bit", Number(f, "streams.stream.1.bits_per_sample")));
    // Sound: the stream's bytes over its length in samples, which the file's
    // header gives (ffprobe's length for compressed sound is in blocks).
    const double seconds = static_cast<double>(frames) * den / num;
    const int audioKilobits = ShownKilobits(shown[IDC_AUDIO_BITRATE]);
    EXPECT_NEAR(audioKilobits, audioBytes * 8.0 / seconds / 1000, audioBytes * 8.0 / seconds / 1000 * 0.03)
        << shown[IDC_AUDIO_BITRATE];
    EXPECT_NE(shown[IDC_AUDIO_BITRATE].find(Format("(Size: %d KB) CBR", audioBytes / 1024)), std::string::npos)
        << shown[IDC_AUDIO_BITRATE];
    EXPECT_EQ(shown[IDC_VIDEO_DECOMPRESSORS],
              "<" + Upper(f.at("streams.stream.0.codec_tag_string")) + "> " + ChainText(graph.video));
    EXPECT_EQ(shown[IDC_AUDIO_DECOMPRESSORS],
              Format("<0x%X> ", static_cast<unsigned>(std::stoul(f.at("streams.stream.1.codec_tag"), nullptr, 16))) +
                  ChainText(graph.audio));
  }
}

namespace {

// The picture port of the program, made slow, so that the video thread falls
// behind and drops frames.
class SlowPicture : public PicturePort {
 public:
  bool Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect, int32_t width,
             int32_t height, int32_t pitch, uint32_t allowFlags) override {
    return g_presenter->Setup(directDraw, window, videoRect, width, height, pitch, allowFlags);
  }
  bool Present(const uint8_t* frame) override {
    Sleep(150);
    return g_presenter->Present(frame);
  }
  void Release() override { g_presenter->Release(); }
  void Shutdown() override { g_presenter->Shutdown(); }
  int32_t Mode() override { return g_presenter->Mode(); }
};

SlowPicture g_slowPicture;

// Field texts of the statistics window, one sample every 100 ms.
struct Sample {
  std::string mode, dropped, audioMode, audioBuffer, videoBuffer, notes;
};

int Leading(const std::string& text) { return std::atoi(text.c_str()); }

}  // namespace

TEST(Dialogs, StatisticsFollowThePlayback) {
  const char kClip[] = "msvc_ima_long.avi";  // 160x120 10 fps 180 s; IMA ADPCM 22,050 Hz mono
  if (!ClipExists(kClip)) GTEST_SKIP() << kClip << " not made";
  SessionSettings settings;
  settings.makePlayer = [] {
    PlaybackPorts ports = ApplicationPorts();
    ports.picture = &g_slowPicture;
    return new Player(ports);
  };
  ShellSession session("", settings);
  std::vector<Sample> idle(1), playing;
  ASSERT_TRUE(RunDialog(session, IDM_STATISTICS, "Realtime Statistics", "dialog_statistics_idle.ppm",
                        [&](HWND d) {
                          idle[0] = {ItemText(d, IDC_VIDEO_MODE), ItemText(d, IDC_FRAMES_DROPPED),
                                     ItemText(d, IDC_AUDIO_MODE), ItemText(d, IDC_AUDIO_BUFFER),
                                     ItemText(d, IDC_VIDEO_BUFFER), ItemText(d, IDC_NOTES)};
                        }, IDOK));
  EXPECT_EQ(idle[0].audioMode, "Off");
  EXPECT_EQ(idle[0].audioBuffer, "Disabled");
  EXPECT_EQ(idle[0].videoBuffer, "Disabled");
  EXPECT_EQ(idle[0].notes, "No notes, fastest mode.");
  EXPECT_FALSE(g_app.statisticsOpen);

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
  std::atomic<int> droppedMeanwhile{-1};
  ASSERT_TRUE(RunDialog(session, IDM_STATISTICS, "Realtime Statistics", "dialog_statistics.ppm",
                        [&](HWND d) {
                          // A second request only brings the window forward.
                          SendMessageA(g_mainWindow, WM_COMMAND, IDM_STATISTICS, 0);
                          for (int i = 0; i < 30; ++i, Sleep(100)) {
                            playing.push_back({ItemText(d, IDC_VIDEO_MODE), ItemText(d, IDC_FRAMES_DROPPED),
                                               ItemText(d, IDC_AUDIO_MODE), ItemText(d, IDC_AUDIO_BUFFER),
                                               ItemText(d, IDC_VIDEO_BUFFER), ItemText(d, IDC_NOTES)});
                          }
                          droppedMeanwhile = g_player->DroppedFrames();
                        }, IDOK));
  std::set<std::string> dropped, frameFills, blockFills;
  ASSERT_FALSE(playing.empty());
  EXPECT_EQ(playing.back().mode, "NonOverlay RGB");  // Wine offers no overlay
  for (const Sample& s : playing) {
    EXPECT_EQ(s.audioMode, "22050Hz 16Bit Mono");
    dropped.insert(s.dropped);
    frameFills.insert(s.videoBuffer);
    blockFills.insert(s.audioBuffer);
    int count = 0, capacity = 0;
    EXPECT_EQ(std::sscanf(s.videoBuffer.c_str(), "%d/%d Frames", &count, &capacity), 2) << s.videoBuffer;
    EXPECT_GT(capacity, 0);
    EXPECT_EQ(std::sscanf(s.audioBuffer.c_str(), "%d/%d Blocks", &count, &capacity), 2) << s.audioBuffer;
  }
  EXPECT_GT(dropped.size(), 2u) << "the dropped frames did not move: " << playing.back().dropped;
  EXPECT_GT(frameFills.size() + blockFills.size(), 3u) << "the buffer levels did not move";
  EXPECT_LE(Leading(playing.back().dropped), droppedMeanwhile.load());
  EXPECT_EQ(playing.back().notes,
            std::string(graph.grabberTakesRgb ? "Software RGB->YUV Conversion (codec can't support YUV)\r\n" : "") +
            "Video Filter(s) using\r\nSoftware YUV->RGB Conversion (can't setup YUV color)\r\n"
            "Software Resizing (can't setup overlays)\r\nSound/Video Stream Time Displacement Using\r\n");
}

TEST(Dialogs, AudioDelayIsCheckedRememberedAndSaved) {
  const char kClip[] = "msvc_silent.avi";
  ShellSession session("");
  session.Command(IDM_TIME_DISPLACEMENT);
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].text, "Open Video File first");

  const std::string path = ClipPath(kClip);
  g_playlist->SetText(path);
  g_displacementList.Clear();
  const char kCaption[] = "Audio Stream's Displacement Comparative Video's";
  bool stayedOpen = false;
  std::string first, second;
  ASSERT_TRUE(RunDialog(session, IDM_TIME_DISPLACEMENT, kCaption, "dialog_audio_delay.ppm", [&](HWND d) {
    first = ItemText(d, IDC_DELAY);
    SetDlgItemTextA(d, IDC_DELAY, "abc");
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    stayedOpen = IsWindow(d) && IsWindowVisible(d);
    SetDlgItemTextA(d, IDC_DELAY, "-120");
  }, IDOK));
  EXPECT_EQ(first, "0");
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(session.Messages().size(), 2u);
  EXPECT_EQ(session.Messages()[1].text, "You should enter integer number");
  EXPECT_EQ(session.Messages()[1].caption, "Restriction");
  EXPECT_EQ(session.Messages()[1].type, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(g_player->Displacement(), -120);

  // The registry holds the entry as saved: "0x", -120 as eight hex digits, the path.
  char stored[2048] = {};
  DWORD size = sizeof stored;
  {
    const SettingsKey key;
    ASSERT_EQ(RegQueryValueExA(key.Get(), "Displacement", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
  }
  EXPECT_EQ(std::string(stored, size - 1), "0xFFFFFF88" + path);

  // Shown again when the dialog opens for the same file; Cancel changes nothing.
  ASSERT_TRUE(RunDialog(session, IDM_TIME_DISPLACEMENT, kCaption, "dialog_audio_delay_again.ppm",
                        [&](HWND d) { second = ItemText(d, IDC_DELAY); }));
  EXPECT_EQ(second, "-120");
  EXPECT_EQ(g_displacementList.Text(), "0xFFFFFF88" + path);
}

namespace {

struct Mode {
  DWORD width, height, bits, refresh;
};

HRESULT WINAPI CollectRgbMode(LPDDSURFACEDESC d, LPVOID context) {
  if (d->ddpfPixelFormat.dwFlags & DDPF_RGB) {
    static_cast<std::vector<Mode>*>(context)->push_back(
        {d->dwWidth, d->dwHeight, d->ddpfPixelFormat.dwRGBBitCount, d->dwRefreshRate});
  }
  return DDENUMRET_OK;
}

// The list as DirectDraw gives it to a caller of its own.
std::vector<std::string> ExpectedModeList() {
  std::vector<Mode> modes;
  IDirectDraw* directDraw = nullptr;
  if (DirectDrawCreate(nullptr, &directDraw, nullptr) == DD_OK) {
    directDraw->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &modes, CollectRgbMode);
    directDraw->Release();
  }
  std::vector<std::string> list = {"Use Desktop settings"};
  for (const Mode& m : modes) {
    list.push_back(Format("%lux%lu %luBit", m.width, m.height, m.bits) +
                   (m.refresh > 20 ? Format(" %luHz", m.refresh) : ""));
  }
  return list;
}

std::vector<std::string> ComboItems(HWND list) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

}  // namespace

TEST(Dialogs, FullscreenModeListsTheSystemsModesAndKeepsTheChoice) {
  ShellSession session("");
  const std::vector<std::string> expected = ExpectedModeList();
  ASSERT_GT(expected.size(), 1u) << "DirectDraw lists no RGB mode";
  const std::string& chosen = expected.back();
  std::vector<std::string> listed;
  LRESULT selected = -1;
  auto choose = [&](HWND d) {
    const HWND list = GetDlgItem(d, IDC_MODE_LIST);
    listed = ComboItems(list);
    selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    SendMessageA(list, CB_SETCURSEL, listed.size() - 1, 0);
  };
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, "Select fullscreen video mode",
                        "dialog_fullscreen_mode.ppm", choose, IDOK));
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(selected, 0);  // the desktop's settings at first
  unsigned width = 0, height = 0, bits = 0, refresh = 0;
  std::sscanf(chosen.c_str(), "%ux%u %uBit %uHz", &width, &height, &bits, &refresh);
  EXPECT_EQ(g_options.fullscreenWidth, width);
  EXPECT_EQ(g_options.fullscreenHeight, height);
  EXPECT_EQ(g_options.fullscreenBitsPerPixel, bits);
  EXPECT_EQ(g_options.fullscreenRefreshRate, refresh);

  // Opened again, the choice is selected; Cancel keeps it, and "Use Desktop
  // settings" gives bits 1.
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, "Select fullscreen video mode",
                        "dialog_fullscreen_mode_again.ppm", choose));
  EXPECT_EQ(selected, static_cast<LRESULT>(expected.size() - 1));
  EXPECT_EQ(g_options.fullscreenBitsPerPixel, bits);
  ASSERT_TRUE(RunDialog(session, IDM_FULLSCREEN_MODE, "Select fullscreen video mode",
                        "dialog_fullscreen_mode_desktop.ppm", [](HWND d) {
                          SendDlgItemMessageA(d, IDC_MODE_LIST, CB_SETCURSEL, 0, 0);
                        }, IDOK));
  EXPECT_EQ(g_options.fullscreenBitsPerPixel, 1u);
  EXPECT_EQ(g_options.fullscreenWidth, width);
}

TEST(Dialogs, AboutShowsTheTitleAndTheProgramsFeatures) {
  ShellSession session("");
  std::string text;
  ASSERT_TRUE(RunDialog(session, IDM_ABOUT, "About", "dialog_about.ppm",
                        [&](HWND d) { text = ItemText(d, IDC_ABOUT_TEXT); }));
  char title[256] = {};
  GetWindowTextA(session.Window(), title, sizeof title);
  EXPECT_EQ(text.rfind(std::string("\r\n") + title + "\r\n\r\n", 0), 0u) << text;
  char paragraph[1024] = {};
  const int length = LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_TEXT, paragraph, sizeof paragraph);
  EXPECT_GT(length, 200);
  EXPECT_LT(length, 600);
  EXPECT_EQ(text.size() - text.rfind(paragraph), static_cast<size_t>(length)) << "the paragraph ends the text";
  EXPECT_EQ(g_app.mouseMoveIgnoreCount, 2);
}

namespace {

struct ViewerSearch {
  DWORD ownProcess;
  HWND found;
};

// A visible window of another process titled with the help file's title.
BOOL CALLBACK FindViewer(HWND window, LPARAM context) {
  ViewerSearch* search = reinterpret_cast<ViewerSearch*>(context);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->ownProcess && IsWindowVisible(window) &&
      std::strstr(title, "Velmora Player Help") != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Closes the viewer the test opened and waits for its process to end.
void CloseViewer(HWND viewer) {
  DWORD process = 0;
  GetWindowThreadProcessId(viewer, &process);
  HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process);
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  if (handle == nullptr) return;
  if (WaitForSingleObject(handle, 5000) != WAIT_OBJECT_0) TerminateProcess(handle, 0);
  CloseHandle(handle);
}

}  // namespace

TEST(Dialogs, HelpWritesTheCarriedFileAndTheViewerOpensIt) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + "Velmora.chm";
  DeleteFileA(path.c_str());
  ShellSession session("");
  session.Command(IDM_HELP_CONTENTS);

  const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HELP_FILE), MAKEINTRESOURCEA(10));
  ASSERT_NE(resource, nullptr);
  const char* carried = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(written == std::string(carried, SizeofResource(nullptr, resource))) << path;

  ViewerSearch search = {GetCurrentProcessId(), nullptr};
  session.PumpUntil([&] {
    EnumWindows(FindViewer, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  }, 20000);
  ASSERT_NE(search.found, nullptr) << "no help viewer window";
  CloseViewer(search.found);
}

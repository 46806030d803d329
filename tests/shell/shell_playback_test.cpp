// The real shell playing ffmpeg-made clips in this process under Wine: the
// window, the player, the decoder, the presenter and DirectSound (the
// PulseAudio null sink), driven by the commands a user gives; subtitles burnt
// into the picture; cut-off copies of the clips in one play list.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/panel_layout.h"
#include "app/shell.h"
#include "app/window_geometry.h"
#include "audio/sound_output.h"
#include "engine/player.h"
#include "media/avi_file.h"
#include "media/stream_info.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/clip_packets.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"
#include "video/point_filters.h"
#include "video/rgb24_to_yuy2.h"
#include "video/yuy2_frame.h"
#include "video/yuy2_to_rgb32.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

#define REQUIRE_CLIP(name)                                        \
  ASSERT_TRUE(ClipExists(name)) << "clip " << (name) << " not made"; \
  const ClipReference reference = LoadClipReference(name);      \
  ASSERT_TRUE(reference.Loaded()) << "no ffmpeg reference for " << (name)

int32_t State() { return g_player->State(); }

bool WaitForState(ShellSession* session, int32_t state, int timeout) {
  return session->PumpUntil([state] { return State() == state; }, timeout);
}

// The system's screen saver switch, which the player turns off while a file
// is open and gives back at its close.
bool ScreenSaverActive() {
  BOOL active = FALSE;
  return SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active != FALSE;
}

void SetScreenSaver(bool active) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, 0);
  ASSERT_EQ(ScreenSaverActive(), active);
}

// Plays, then pauses at about the given frame (the picture stays on it).
void PlayAndPauseNear(ShellSession* session, int frame) {
  ASSERT_TRUE(WaitForState(session, kPlaying, 10000));
  session->PumpUntil([frame] { return g_player->CurrentFrame() >= frame; }, 20000);
  session->Command(IDM_PLAY_PAUSE);
  ASSERT_EQ(State(), kPaused);
  ASSERT_TRUE(session->PumpForVideoPasses(2));  // the video thread settles on the paused frame
}

bool SoundBufferPlays() {
  DWORD status = 0;
  return SUCCEEDED(g_soundOutput->Buffer()->GetStatus(&status)) && (status & DSBSTATUS_PLAYING) != 0;
}

// The picture on the screen now, in cells.
CellPicture Cells(const Capture& capture) { return CaptureCells(capture.rgb, capture.width, g_app.videoRect.Get()); }
CellPicture ShownCells() { return Cells(CaptureClientArea(g_mainWindow)); }

// The screen once the action (a seek or a step, paused) has led to the frame
// and the video thread has shown it.
Capture ShownAfter(ShellSession* session, const std::function<void()>& act, int32_t frame) {
  const int32_t presented = g_player->PicturesPresented();
  act();
  EXPECT_TRUE(session->PumpUntil([frame] { return g_player->CurrentFrame() == frame; }, 3000));
  EXPECT_TRUE(session->PumpUntilPictureAfter(presented));
  return CaptureClientArea(g_mainWindow);
}

// The shown picture is decoded frame n: it matches frame n, and where frame
// n and frames farther off differ, it is nearer to n.
void ExpectShowsFrame(const ClipReference& reference, const CellPicture& shown, int frame) {
  EXPECT_LT(MedianCellDifference(shown, FrameCells(reference, frame)), 4.0) << "frame " << frame;
  for (int other : {frame - 6, frame + 6}) {
    if (other < 0 || other >= reference.frames) continue;
    EXPECT_GT(ShareNearer(shown, FrameCells(reference, frame), FrameCells(reference, other)), 0.8)
        << "frame " << frame << " against " << other;
  }
}

// Whether the status strip's time box shows the text as GDI draws it in the
// strip's colours and font, pixel for pixel.
bool StripShows(const std::string& text) {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const int w = kTimeAreaWidth, h = kStatusStripHeight;
  const HDC dc = CreateCompatibleDC(nullptr), screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SetBkColor(dc, RGB(0, 0, 0)), SetTextColor(dc, 0xFFC040), SetTextAlign(dc, TA_CENTER);
  const RECT box = {0, 0, w, h};
  ExtTextOutA(dc, w / 2, 0, ETO_OPAQUE, &box, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  const Capture drawn = CaptureDc(dc, 0, 0, w, h);
  SelectObject(dc, old), DeleteObject(bitmap), DeleteDC(dc), ReleaseDC(nullptr, screen);
  int differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) differing += std::memcmp(shown.At(shown.width - w + x, shown.height - h + y), drawn.At(x, y), 3) != 0;
  }
  return differing == 0;
}

// "mm:ss" of the frame at the open clip's rate.
std::string TimeAt(int frame) {
  const int64_t seconds = int64_t{frame} * g_player->VideoScale() / g_player->VideoRate();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
  return text;
}

// Each clip opens playing in a window that fits the video (its client area
// is the video plus the strip, unless that makes the window smaller than
// 320 x 240), titled with the file, the screen saver off. The Cinepak clip
// (whose whole play e2e_exe.sh counts) then takes a click on the seek bar: it
// seeks (it does not toggle Play/Pause) to the keyframe at or before the frame
// under the mouse, keeps the state and shows that keyframe; Stop closes it.
// The other plays through to Next File once ("Repeat" off), every frame
// through the video thread. Either way the window gets its size and title
// back, and the system its screen saver switch, without a message.
TEST(ShellPlayback, ClipsOpenFittedSeekOnTheBarOrPlayToTheEndAndGiveTheWindowBack) {
  // The clip, and the screen saver switch before it opens.
  for (const auto& c : {std::make_pair("cinepak_pcm16.avi", true), std::make_pair("msvc_silent.avi", false)}) {
    SCOPED_TRACE(c.first);
    REQUIRE_CLIP(c.first);
    ASSERT_NO_FATAL_FAILURE(SetScreenSaver(c.second));
    ShellSession session(ClipPath(c.first));
    ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
    EXPECT_FALSE(ScreenSaverActive());
    EXPECT_EQ(g_player->SoundPlays(), reference.toneHertz > 0);
    RECT fitted = {0, 0, reference.width, reference.height + 16};
    AdjustWindowRect(&fitted, WS_OVERLAPPEDWINDOW, TRUE);
    EXPECT_EQ(WindowSize(session.Window()), std::make_pair(std::max<LONG>(fitted.right - fitted.left, 320),
                                                           std::max<LONG>(fitted.bottom - fitted.top, 240)));
    EXPECT_EQ(WindowTitle(session.Window()), std::string(c.first, std::strlen(c.first) - 4) + " - Velmora Player");
    if (c.second) {
      PlayAndPauseNear(&session, 3);
      const RECT bar = g_app.seekBarRect.Get();
      ASSERT_GT(bar.right - bar.left, 100) << "the status strip was not drawn";
      const int x = bar.left + (bar.right - bar.left) * 7 / 10;
      const int frame = static_cast<int>(static_cast<int64_t>(x - bar.left) * reference.frames / (bar.right - bar.left));
      int keyframe = 0;  // at or before the frame
      for (int k : reference.keyframes) keyframe = k <= frame ? k : keyframe;
      ASSERT_GT(keyframe, 0) << "the clip needs a keyframe before 70 %";
      const int toggles = session.CommandCount(IDM_PLAY_PAUSE);
      const int32_t presented = g_player->PicturesPresented();
      SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (bar.top + bar.bottom) / 2));
      EXPECT_EQ(std::make_tuple(g_player->CurrentFrame(), State()), std::make_tuple(keyframe, int32_t{kPaused}));
      ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
      EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), toggles);
      ExpectShowsFrame(reference, ShownCells(), keyframe);
      EXPECT_TRUE(StripShows(TimeAt(keyframe) + "/" + TimeAt(reference.frames))) << "the strip's time";
      session.Command(IDM_STOP);
    } else {
      ASSERT_TRUE(WaitForState(&session, kClosed, reference.frames * 40 + 15000))
          << "still at frame " << g_player->CurrentFrame();
      session.Drain();  // closed: the threads are gone, only what they posted is left
      EXPECT_EQ(session.CommandCount(IDM_NEXT_FILE), 1);
      EXPECT_EQ(CurrentTally().framesShown + CurrentTally().framesDropped, reference.frames);
    }
    EXPECT_EQ(WindowTitle(session.Window()), DefaultTitle());
    EXPECT_EQ(WindowSize(session.Window()), std::make_pair(512L, 420L));
    EXPECT_EQ(ScreenSaverActive(), c.second);
    EXPECT_EQ(CurrentTally().blocksWritten > 0, reference.toneHertz > 0);
    EXPECT_TRUE(session.Messages().empty());
  }
}

// Of the pixels of the shown picture where reference frames a and b differ
// clearly, the share nearer to a: what the cells cannot tell where only a few
// thin lines change. Each screen pixel is compared with the frame's pixel that
// the window's nearest resize takes for it: steps of (size - 1) / shown size,
// rows counted from the bottom.
double SharePixelsNearer(const ClipReference& reference, int a, int b) {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const RECT r = g_app.videoRect.Get();
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int64_t stepX = (int64_t{reference.width} * 65536 - 65536) / w;
  const int64_t stepY = (int64_t{reference.height} * 65536 - 65536) / h;
  int differing = 0, nearer = 0;
  for (int i = 0; i < h; ++i) {
    const int64_t row = reference.height - 1 - ((i * stepY) >> 16);
    for (int j = 0; j < w; ++j) {
      const size_t at = static_cast<size_t>(row * reference.width + ((j * stepX) >> 16)) * 3;
      const uint8_t* pixel = shown.At(r.left + j, r.bottom - 1 - i);
      int toA = 0, toB = 0, apart = 0;
      for (int c = 0; c < 3; ++c) {
        toA += std::abs(pixel[c] - reference.Frame(a)[at + c]);
        toB += std::abs(pixel[c] - reference.Frame(b)[at + c]);
        apart += std::abs(reference.Frame(a)[at + c] - reference.Frame(b)[at + c]);
      }
      if (apart < 150) continue;
      ++differing;
      nearer += toA < toB ? 1 : 0;
    }
  }
  return differing > 20 ? static_cast<double>(nearer) / differing : 0;
}

// The first frame from `from` on after which the picture changes clearly
// (the test picture's counter), so that a step shows in the cells.
int FrameBeforeAChange(const ClipReference& reference, int from) {
  for (int k = from; k + 3 < reference.frames; ++k) {
    const CellPicture a = FrameCells(reference, k);
    if (ShareNearer(a, a, FrameCells(reference, k + 1)) > 0) return k;  // 0: no cell differs clearly
  }
  return -1;
}

// Reference frame n as the program shows it with "Negative": ffmpeg's
// picture through our YUY2 conversion, the filter routine and back to RGB.
CellPicture NegativeFrameCells(const ClipReference& reference, int frame) {
  const int w = reference.width, h = reference.height;
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < bgr.size(); i += 3) {
    for (int c = 0; c < 3; ++c) bgr[i + c] = reference.Frame(frame)[i + 2 - c];
  }
  std::vector<uint8_t> yuy2(static_cast<size_t>(Yuy2RowStride(w)) * h);
  std::vector<uint32_t> rgb32(static_cast<size_t>(w) * h);
  Rgb555ToYuy2Table toYuy2;
  YuvLookup toRgb;
  ConvertRgb24ToYuy2(bgr.data(), yuy2.data(), w, -h, true, &toYuy2);
  Negative(yuy2.data(), w, h);
  ConvertYuy2ToRgb32(yuy2.data(), w, h, Yuy2RowStride(w), rgb32.data(), true, &toRgb);
  std::vector<uint8_t> rgb;
  for (uint32_t p : rgb32) rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  return CaptureCells(rgb, w, RECT{0, 0, w, h});
}

// Pause holds the picture and the sound; paused on a frame, Next Frame shows
// the one after it as ffmpeg decodes it; with "Negative" switched on, the next
// step shows that frame as the filter routine turns it; Play goes on.
TEST(ShellPlayback, PauseStepAndFilterShowWhatFfmpegAndTheRoutineGive) {
  REQUIRE_CLIP("raw_mp3.avi");
  ShellSession session(ClipPath("raw_mp3.avi"));
  PlayAndPauseNear(&session, 3);
  ASSERT_NE(g_soundOutput->Buffer(), nullptr);
  const auto held = [] { return std::make_tuple(g_player->CurrentFrame(), g_soundOutput->GetBlockCounter(), SoundBufferPlays()); };
  const auto paused = held();
  ASSERT_TRUE(session.PumpForVideoPasses(8));  // each paused pass rests 100 ms
  EXPECT_EQ(held(), paused);
  EXPECT_FALSE(SoundBufferPlays());

  const int k = FrameBeforeAChange(reference, 5);
  ASSERT_GT(k, 0) << "the clip's picture never changes clearly";
  const auto step = [&session] { session.Command(IDM_NEXT_FRAME); };
  ExpectShowsFrame(reference, Cells(ShownAfter(&session, [k] { EXPECT_TRUE(SeekPlayer(k)); }, k)), k);
  EXPECT_GT(SharePixelsNearer(reference, k, k + 1), 0.8);
  ExpectShowsFrame(reference, Cells(ShownAfter(&session, step, k + 1)), k + 1);
  EXPECT_GT(SharePixelsNearer(reference, k + 1, k), 0.8);

  session.Command(IDM_NEGATIVE);
  const CellPicture negative = Cells(ShownAfter(&session, step, k + 2)), expected = NegativeFrameCells(reference, k + 2);
  EXPECT_LT(MedianCellDifference(negative, expected), 4.0);
  EXPECT_GT(ShareNearer(negative, expected, FrameCells(reference, k + 2)), 0.95);

  session.Command(IDM_PLAY_PAUSE);
  EXPECT_EQ(State(), kPlaying);
  const int32_t played = g_soundOutput->GetBlockCounter();
  EXPECT_TRUE(session.PumpUntil([k] { return g_player->CurrentFrame() > k + 6; }, 3000));
  EXPECT_TRUE(g_soundOutput->GetBlockCounter() > played && SoundBufferPlays());
}

// At 120 and 240 frames a second a sound block holds two frames: the sound
// buffer of two seconds has 120 and 243 blocks, more than one wait takes
// notification events. The sound opens and plays all the same.
TEST(ShellPlayback, HighFrameRatesKeepTheirSound) {
  for (const char* clip : {"raw_120fps.avi", "raw_240fps.avi"}) {
    SCOPED_TRACE(clip);
    ASSERT_TRUE(ClipExists(clip));
    ShellSession session(ClipPath(clip));
    ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
    EXPECT_TRUE(g_player->SoundPlays());
    EXPECT_GT(g_soundOutput->BlockCount(), 62);
    EXPECT_TRUE(session.PumpUntil([] { return g_soundOutput->GetBlockCounter() > 60; }, 5000))
        << g_soundOutput->GetBlockCounter() << " blocks written";
    EXPECT_TRUE(session.Messages().empty());  // no "DirectSound troubles"
  }
}

// The mean of red, green and blue over the right half of the shown picture
// (the balance bar is drawn on the left).
double MeanOfRightHalf() {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const RECT r = g_app.videoRect.Get();
  int64_t sum = 0, count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = (r.left + r.right) / 2; x < r.right; ++x, ++count) {
      sum += shown.At(x, y)[0] + shown.At(x, y)[1] + shown.At(x, y)[2];
    }
  }
  return count > 0 ? static_cast<double>(sum) / (3 * count) : 0;
}

// A click at the top of the balance bar's level column sets the named value
// to 100 for the playing threads at once: the picture brightens while it
// plays, with no other command after the click.
TEST(ShellPlayback, AClickOnTheLevelColumnReachesThePlayingPicture) {
  ASSERT_TRUE(ClipExists("raw_pcm16.avi"));
  ShellSession session(ClipPath("raw_pcm16.avi"));
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  session.Command(IDM_BRIGHTNESS);  // the bar comes up on brightness
  ASSERT_TRUE(session.PumpUntil([] { return g_app.balanceShown.load() != 0; }, 3000));
  const double before = MeanOfRightHalf();
  const RECT r = g_app.videoRect.Get();
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 4, r.top + 1));
  EXPECT_EQ(PublishedOptions().colorBalance.brightness, 100);
  EXPECT_EQ(State(), kPlaying);  // the click is not Play/Pause
  EXPECT_TRUE(session.PumpUntil([before] { return MeanOfRightHalf() > before + 30; }, 3000))
      << "mean " << before << " before the click, " << MeanOfRightHalf() << " after";
}

constexpr char kSubtitledClip[] = "raw_pcm16.avi";  // 160 x 120, 15 frames a second, 45 frames
constexpr int32_t kFirst = 15, kEnd = 30;           // 00:00:01,000 --> 00:00:02,000

// A .srt beside the clip is loaded at open. The picture paused inside the
// subtitle's time has the subtitle in the band at the bottom and nowhere
// else (against the same frame with the subtitles closed); opened again from
// the menu, the same subtitle is back. Closing the file unloads them. (Which
// frames are drawn into, and where in the band: the subtitle renderer's test;
// the .srt's times at the clip's rate: the player's auto-load test.)
TEST(ShellSubtitles, SrtBesideTheClipShowsInItsFramesAtTheBottom) {
  ASSERT_TRUE(ClipExists(kSubtitledClip)) << "clip " << kSubtitledClip << " not made";
  WriteWholeFile(ScratchPath("subtitled.srt"), "1\n00:00:01,000 --> 00:00:02,000\nVelmora|subtitles\n\n");
  ShellSession session(WriteWholeFile(ScratchPath("subtitled.avi"), ReadFileBytes(ClipPath(kSubtitledClip))));
  PlayAndPauseNear(&session, 21);
  const int32_t frame = g_player->CurrentFrame();
  ASSERT_GT(frame, kFirst);
  ASSERT_LT(frame, kEnd);
  const auto seek = [frame] { EXPECT_TRUE(SeekPlayer(frame)); };
  const Capture with = ShownAfter(&session, seek, frame);
  session.Command(IDM_SUBTITLES_CLOSE);
  const Capture without = ShownAfter(&session, seek, frame);
  ASSERT_EQ(with.rgb.size(), without.rgb.size());
  const RECT video = g_app.videoRect.Get();
  const int32_t band = g_subtitleTrack->BandHeight();
  ASSERT_GT(band, 0) << "the subtitle was never drawn";
  const int32_t bandTop = video.bottom - (video.bottom - video.top) * band / g_player->VideoHeight();
  int64_t changedAbove = 0, changedInside = 0;
  for (int32_t y = video.top; y < video.bottom; ++y) {
    for (int32_t x = video.left; x < video.right; ++x) {
      (y < bandTop - 2 ? changedAbove : changedInside) += std::memcmp(with.At(x, y), without.At(x, y), 3) != 0;
    }
  }
  EXPECT_EQ(changedAbove, 0);
  EXPECT_GT(changedInside, 200);

  const FileDialogHook previous = SetFileDialogHook([](const FileDialogRequest& request) {
    EXPECT_STREQ(request.title, "Open Subtitle file");
    std::vector<std::string> pairs;  // description, pattern, ... up to the empty pair
    for (const char* p = request.filter; *p != 0; p += std::strlen(p) + 1) pairs.push_back(p);
    EXPECT_EQ(pairs, (std::vector<std::string>{"All supported files", "*.sub;*.srt;*.ssa;*.ass", "SUB Files (*.sub)",
                                               "*.sub", "SRT Files (*.srt)", "*.srt", "SSA/ASS Files (*.ssa;*.ass)",
                                               "*.ssa;*.ass", "All files", "*.*"}));
    return ScratchPath("subtitled.srt");
  });
  session.Command(IDM_SUBTITLES_OPEN);
  SetFileDialogHook(previous);
  EXPECT_TRUE(g_subtitleTrack->IsLoaded());
  EXPECT_TRUE(ShownAfter(&session, seek, frame).rgb == with.rgb);
  session.Command(IDM_STOP);
  EXPECT_FALSE(g_subtitleTrack->IsLoaded()) << "closing the file unloads its subtitles";
}

// Twenty prefixes of three ffmpeg-made clips, spread over their lengths, in
// one play list played by the real shell: each plays to its last readable
// frame and the list moves on at once, or the file is refused with the
// opening messages; nothing hangs or ends the process, and no other message
// shows.
struct Cuts {
  const char* clip;
  std::vector<double> shares;  // of the clip's bytes
};

const Cuts kCuts[] = {
    {"cinepak_pcm16.avi", {0.001, 0.05, 0.2, 0.4, 0.6, 0.8, 0.97}},
    {"raw_mp3.avi", {0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.999}},
    {"msvc_ima.avi", {0.03, 0.25, 0.45, 0.65, 0.85, 0.995}},
};

// The lines the opening may show, under "Opening troubles".
bool IsOpeningMessage(const ShownMessage& message) {
  static const std::set<std::string> kLines = {
      "Unknown format, Velmora supports AVI (RIFF) formats only", "Can't load indispensable index table",
      "Can't locate video decompressor", "Can't locate audio decompressor"};
  if (message.caption != "Opening troubles") return false;
  std::istringstream lines(message.text);
  for (std::string line; std::getline(lines, line);) {
    if (kLines.count(line) == 0) return false;
  }
  return true;
}

// Writes the prefixes and the list naming them; the frames whose whole
// chunk lies in the prefixes that open, as ffmpeg lists the clips' packets
// (it leaves out empty chunks, which show nothing new either).
std::string WritePrefixes(int32_t* files, int64_t* readableFrames) {
  std::ofstream list(ScratchPath("prefixes.mls"));
  for (const Cuts& cuts : kCuts) {
    const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(cuts.clip));
    const std::vector<Packet> packets = LoadPackets(ClipPath(cuts.clip) + ".packets");
    EXPECT_FALSE(packets.empty()) << cuts.clip;
    for (const double share : cuts.shares) {
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<size_t>(bytes.size() * share));
      const std::string path = ScratchPath(std::to_string(*files) + "-" + cuts.clip);
      list << '"' << WriteWholeFile(path, std::string(prefix.begin(), prefix.end())) << "\"\n";
      ++*files;
      AviFile file;
      VideoStreamInfo video;
      if (!file.Open(prefix.data(), prefix.size(), nullptr, false, 2, true) || !file.GetVideoStreamInfo(&video)) {
        continue;
      }
      for (const Packet& packet : packets) {
        const bool whole = packet.pos + static_cast<long long>(packet.size) <= static_cast<long long>(prefix.size());
        *readableFrames += packet.stream == 0 && whole ? 1 : 0;
      }
    }
  }
  return ScratchPath("prefixes.mls");
}

TEST(ShellTruncation, PrefixesPlayToTheirLastFrameOrAreRefusedAndTheListMovesOn) {
  for (const Cuts& cuts : kCuts) {
    ASSERT_TRUE(ClipExists(cuts.clip)) << cuts.clip << " not made";
  }
  int32_t files = 0;
  int64_t readable = 0;
  const std::string list = WritePrefixes(&files, &readable);
  ShellSession session(list);  // counts from zero
  ASSERT_TRUE(session.Started());
  // Each entry gets one Play/Pause and ends in one Next File: played
  // through, or refused (the player closed after its Play/Pause, with a
  // message or silently) and passed over as a user would.
  const auto refusedNow = [&] {
    return g_player->State() == kClosed &&
           session.CommandCount(IDM_PLAY_PAUSE) > session.CommandCount(IDM_NEXT_FILE);
  };
  int32_t refused = 0;
  for (int32_t ended = 0; ended < files; ended = session.CommandCount(IDM_NEXT_FILE)) {
    ASSERT_TRUE(session.PumpUntil([&] { return session.CommandCount(IDM_NEXT_FILE) > ended || refusedNow(); },
                                  60000))
        << "entry " << ended << " neither ended nor was refused: state " << g_player->State()
        << ", frame " << g_player->CurrentFrame() << " of " << g_player->FrameCount();
    if (session.CommandCount(IDM_NEXT_FILE) == ended) {
      ++refused;
      session.Command(IDM_NEXT_FILE);
    }
  }
  ASSERT_TRUE(session.PumpUntil([] { return g_player->State() == kClosed; }, 10000));
  for (const ShownMessage& message : session.Messages()) {
    EXPECT_TRUE(IsOpeningMessage(message)) << message.caption << ": " << message.text;
  }
  const PlaybackTally tally = CurrentTally();
  EXPECT_GE(tally.filesOpened, files / 2);
  EXPECT_EQ(tally.filesOpened + refused, files);
  // Every frame the data holds went through the video thread, and no frame
  // past the data was counted.
  EXPECT_EQ(tally.framesShown + tally.framesDropped, readable);
}

}  // namespace

// The system's choosers, answered by a thread of the test as a user would:
// the colour chooser's red, green and blue boxes, the font chooser's size.
// A chooser may still be filling its boxes when it shows: they are typed in
// once the dialog's thread has handled what was posted to it before (an icon
// posted to the dialog is in place), and again until they read back.
TEST(ShellSubtitles, TheChoosersSetTheColourAndTheFont) {
  ShellSession session("");
  g_options.subtitleColor = RGB(1, 2, 3);
  const auto settled = [](const std::function<void(HWND)>& fill, const std::function<bool(HWND)>& filled) {
    return [=](HWND dialog) {
      const LPARAM marker = reinterpret_cast<LPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32514)));  // IDI_QUESTION
      PostMessageA(dialog, WM_SETICON, ICON_SMALL, marker);
      EXPECT_TRUE(PollUntil([&] { return SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) == marker; }, 5000));
      EXPECT_TRUE(PollUntil([&] { return fill(dialog), filled(dialog); }, 5000));
    };
  };
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_COLOR, nullptr, "", settled([](HWND dialog) {
    for (int box : {706, 707, 708}) SetDlgItemInt(dialog, box, (box - 705) * 10, FALSE);  // red, green, blue
  }, [](HWND dialog) { return GetDlgItemInt(dialog, 708, nullptr, FALSE) == 30; }), IDOK));
  EXPECT_EQ(g_options.subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));
  EXPECT_EQ(PublishedOptions().subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));

  const LONG before = g_options.subtitleFont.lfHeight;
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_FONT, nullptr, "", settled([](HWND dialog) {
    SetDlgItemTextA(dialog, 0x472, "36");  // the size box
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 0x472)));
  }, [](HWND dialog) { return GetDlgItemInt(dialog, 0x472, nullptr, FALSE) == 36; }), IDOK));
  EXPECT_NE(g_options.subtitleFont.lfHeight, before);
  EXPECT_LT(g_options.subtitleFont.lfHeight, -40);  // 36 points at 96 dpi: -48
}

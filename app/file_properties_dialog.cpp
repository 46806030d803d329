// File Properties: the open file's video and audio streams as the decoder
// reports them, with their average bitrates and the decompressors the graph
// chose. A value the decoder does not report leaves the template's "unknown".
#include "app/dialog_entry_points.h"

#include "app/application.h"
#include "app/bitrate.h"
#include "app/frame_time.h"
#include "app/resource.h"
#include "app/shell_state.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr size_t kDecoderTextCapacity = 1024;

struct VideoInfo {
  int32_t width = 0, height = 0, frameCount = 0, rate = 0, scale = 0;
  int32_t bitCount = 0, planes = 0, sampleSize = 0;
  uint32_t totalBytes = 0;
};

struct AudioInfo {
  int32_t channels = 0, bitsPerSample = 0, samplesPerSecond = 0, sampleSize = 0, totalSamples = 0;
  uint32_t totalBytes = 0;
};

void SetLine(HWND dialog, int item, const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  SetDlgItemTextA(dialog, item, text);
}

void SetBitrate(HWND dialog, int item, int32_t perSecond, uint32_t totalBytes, int64_t units,
                int32_t sampleSize) {
  if (perSecond <= 0 || units <= 0) return;
  const uint64_t kilobits = RoundedKilobitsPerSecond(static_cast<uint32_t>(perSecond), totalBytes,
                                                     static_cast<uint64_t>(units));
  SetLine(dialog, item, "Average Bitrate:\t\t%i kBit/s (Size: %i KB)%s", static_cast<int>(kilobits),
          static_cast<int>(totalBytes / 1024), sampleSize != 0 ? " CBR" : " VBR");
}

void FillVideoLines(HWND dialog, const VideoInfo& v, bool codecGivesRgb) {
  if (v.frameCount > 0 && v.rate > 0 && v.scale > 0) {
    char time[kFrameTimeCapacity];
    FormatFrameTime(time, v.frameCount, v.rate, v.scale);
    SetLine(dialog, IDC_STREAM_LENGTH, "Stream Lenght:\t\t%i frames (%s)", v.frameCount, time);
  }
  if (v.width > 0 && v.height > 0) {
    SetLine(dialog, IDC_RESOLUTION, "Frame Resolution:\t%ix%i pixels", v.width, v.height);
  }
  if (v.rate > 0 && v.scale > 0) {
    SetLine(dialog, IDC_FRAME_RATE, "Frame Rate:\t\t%i fps (%i ms)", v.rate / v.scale,
            static_cast<int>(static_cast<int64_t>(v.scale) * 1000 / v.rate));
  }
  if (v.bitCount > 0 && v.planes > 0) {
    SetLine(dialog, IDC_DEPTH, "Depth:\t\t\t%i Bits, %i Plane(s)", v.bitCount, v.planes);
  }
  if (v.width > 0) {
    SetLine(dialog, IDC_PIXEL_FORMAT, "Pixel Format:\t\t%s", codecGivesRgb ? "RGB" : "YUV");
  }
  if (v.totalBytes > 0 && v.scale > 0 && v.frameCount > 0 && v.rate > 0) {
    SetBitrate(dialog, IDC_VIDEO_BITRATE, v.rate, v.totalBytes,
               static_cast<int64_t>(v.frameCount) * v.scale, v.sampleSize);
  }
}

void FillAudioLines(HWND dialog, const AudioInfo& a) {
  if (a.samplesPerSecond > 0) {
    SetLine(dialog, IDC_SAMPLING_RATE, "Sampling Rate:\t\t%i Hz", a.samplesPerSecond);
  }
  if (a.channels > 0) {
    const char* name = a.channels == 1 ? " (Mono)" : a.channels == 2 ? " (Stereo)" : "";
    SetLine(dialog, IDC_CHANNELS, "Channels:\t\t%i%s", a.channels, name);
  }
  if (a.bitsPerSample > 0) {
    SetLine(dialog, IDC_PRECISION, "Sample Precition:\t%i Bit", a.bitsPerSample);
  }
  if (a.totalBytes > 0 && a.totalSamples >= 1 && a.samplesPerSecond >= 1) {
    SetBitrate(dialog, IDC_AUDIO_BITRATE, a.samplesPerSecond, a.totalBytes, a.totalSamples,
               a.sampleSize);
  }
}

void FillDecoderText(HWND dialog, int item, bool video) {
  char text[kDecoderTextCapacity] = {};
  if (video) {
    g_decoderHolder->DescribeVideoDecoders(text, sizeof text);
  } else {
    g_decoderHolder->DescribeAudioDecoders(text, sizeof text);
  }
  if (text[0] != '\0') SetDlgItemTextA(dialog, item, text);
}

void Fill(HWND dialog) {
  VideoInfo v;
  g_decoderHolder->GetVideoInfo(&v.width, &v.height, &v.frameCount, &v.rate, &v.scale,
                                &v.bitCount, &v.planes, &v.sampleSize, &v.totalBytes);
  int32_t codecGivesRgb = 0;
  g_decoderHolder->GetVideoSummary(nullptr, nullptr, nullptr, nullptr, nullptr, &codecGivesRgb);
  FillVideoLines(dialog, v, codecGivesRgb != 0);
  FillDecoderText(dialog, IDC_VIDEO_DECOMPRESSORS, true);
  AudioInfo a;
  g_decoderHolder->GetAudioInfo(&a.channels, &a.bitsPerSample, &a.samplesPerSecond,
                                &a.sampleSize, &a.totalBytes, &a.totalSamples);
  FillAudioLines(dialog, a);
  FillDecoderText(dialog, IDC_AUDIO_DECOMPRESSORS, false);
}

INT_PTR CALLBACK FilePropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    Fill(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  if (id == IDC_VIDEO_PAGES || id == IDC_AUDIO_PAGES) {
    if (g_player->IsOpen()) g_player->ShowDecoderPage(dialog, id == IDC_VIDEO_PAGES);
    return TRUE;
  }
  if (id != IDOK && id != IDCANCEL) return FALSE;
  EndDialog(dialog, id);
  SettleAfterModal();
  return TRUE;
}

}  // namespace

// Modal to the main window; the cursor countdown holds while it is up.
void ShowFilePropertiesDialog(HWND window) {
  g_app.modalOpen.store(1);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_PROPERTIES), window,
                  FilePropertiesProc, 0);
  g_app.modalOpen.store(0);
}

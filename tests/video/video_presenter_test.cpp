// The presenter on Wine, whose DirectDraw offers no overlay: every set-up ends
// in the plain window drawing, which is read back from the window.
#include <gtest/gtest.h>

#include "settings/options.h"
#include "settings/shared_options.h"
#include "video/video_presenter.h"
#include "tests/shell/shell_session.h"

#include <string>
#include <thread>
#include <vector>

namespace {

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    ValidateRect(window, nullptr);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A visible popup window at the screen's corner that never paints itself.
class PictureWindow {
 public:
  static constexpr int kWidth = 200;
  static constexpr int kHeight = 150;

  PictureWindow() {
    const WNDCLASSA windowClass = {0, QuietWindowProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr,
                                   nullptr, "VelmoraPresenterTest"};
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOPMOST, "VelmoraPresenterTest", "", WS_POPUP | WS_VISIBLE, 0,
                              0, kWidth, kHeight, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    Pump();
  }
  ~PictureWindow() { DestroyWindow(window_); }
  HWND Get() const { return window_; }

  void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  void Fill(COLORREF color) {
    HDC dc = GetDC(window_);
    HBRUSH brush = CreateSolidBrush(color);
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window_, dc);
  }

 private:
  HWND window_ = nullptr;
};

// A 64 x 48 YUY2 frame: the top 8 rows black (Y 0), below them the left
// half at Y 255 and the right half at Y 128, all with U = V = 128.
constexpr int32_t kFrameWidth = 64;
constexpr int32_t kFrameHeight = 48;
constexpr int32_t kPitch = 2 * kFrameWidth;

uint8_t LumaAt(int32_t x, int32_t y) {
  if (y < 8) return 0;
  return x < kFrameWidth / 2 ? 255 : 128;
}

std::vector<uint8_t> TestFrame() {
  std::vector<uint8_t> frame(static_cast<size_t>(kPitch) * kFrameHeight);
  for (int32_t y = 0; y < kFrameHeight; ++y) {
    for (int32_t x = 0; x < kFrameWidth; ++x) {
      frame[static_cast<size_t>(y) * kPitch + 2 * x] = LumaAt(x, y);
      frame[static_cast<size_t>(y) * kPitch + 2 * x + 1] = 128;
    }
  }
  return frame;
}

// The "Low Quality (16Bit)" colours of those lumas with neutral chroma, as
// the conversion's worked examples give them.
uint32_t LowQualityColour(uint8_t luma) {
  switch (luma) {
    case 0: return 0x000000;
    case 255: return (254u << 16) | (246u << 8) | 254u;
    default: return (129u << 16) | (120u << 8) | 129u;  // 128
  }
}

class VideoPresenterTest : public ::testing::Test {
 protected:
  // One window for the suite: making and destroying visible windows under
  // Wine and Xvfb takes seconds each.
  static void SetUpTestSuite() { shared_ = new PictureWindow; }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

  void SetUp() override {
    saved_ = g_options;
    g_options.highQualityConversion = 0;
    g_options.nonOverlayResize = 0;
    PublishOptions();  // the presenter reads the published record
  }
  void TearDown() override {
    presenter.Shutdown();
    g_options = saved_;
    PublishOptions();
  }

  static PictureWindow* shared_;
  PictureWindow& window = *shared_;
  VideoPresenter presenter;

 private:
  Options saved_;
};

PictureWindow* VideoPresenterTest::shared_ = nullptr;

// Whatever is allowed, the set-up ends in the plain window drawing and keeps
// no DirectDraw object of its own (the back buffer bit alone is no overlay
// kind); a borrowed one is never released. Nothing is presented before a
// set-up, without a window, or after the shutdown.
TEST_F(VideoPresenterTest, SetupEndsInThePlainDrawingWhateverIsAllowed) {
  const std::vector<uint8_t> frame = TestFrame();
  EXPECT_FALSE(presenter.Present(frame.data(), g_options));
  EXPECT_FALSE(presenter.Setup(nullptr, nullptr, nullptr, 64, 48, kPitch, kAllowNonOverlay));
  EXPECT_EQ(presenter.Mode(), kPresentDisabled);
  const RECT rect = {0, 0, 128, 96};
  const uint32_t everything = kAllowNonOverlay | kAllowRgb16 | kAllowRgbTrue | kAllowYuy2 |
                              kAllowUyvy | kAllowBackBuffer;
  for (const uint32_t allowed : {uint32_t{kAllowNonOverlay}, kAllowNonOverlay | kAllowBackBuffer, everything}) {
    ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), &rect, 64, 48, kPitch, allowed)) << allowed;
    EXPECT_FALSE(presenter.HoldsDirectDraw()) << allowed;
    int32_t mode = -1;
    bool doubleBuffered = true;
    presenter.GetMode(&mode, &doubleBuffered);
    EXPECT_EQ(mode, kPresentNonOverlay) << allowed;
    EXPECT_FALSE(doubleBuffered) << allowed;
    EXPECT_TRUE(presenter.Present(frame.data(), g_options)) << allowed;
  }

  IDirectDraw* directDraw = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window.Get(), DDSCL_NORMAL), DD_OK);
  ASSERT_TRUE(presenter.Setup(directDraw, window.Get(), &rect, 64, 48, kPitch, everything));
  EXPECT_EQ(presenter.Mode(), kPresentNonOverlay);
  presenter.Shutdown();
  EXPECT_EQ(presenter.Mode(), kPresentDisabled);
  EXPECT_FALSE(presenter.Present(frame.data(), g_options));
  EXPECT_EQ(directDraw->AddRef(), 2u);  // still only ours
  directDraw->Release();
  EXPECT_EQ(directDraw->Release(), 0u);
}

// Each setup's rectangle (none: the whole client area) shows the converted
// frame resized to it, nearest pixel: output pixel (x, y) samples source
// column (x sx) >> 16 and source row h - 1 - ((i sy) >> 16), i counted from
// the bottom, with s = (source x 65536 - 65536) div output. An empty
// rectangle shows nothing; outside the rectangle the window is untouched.
TEST_F(VideoPresenterTest, ThePlainDrawingShowsTheFrameResizedIntoEachSetupsRectangle) {
  const std::vector<uint8_t> frame = TestFrame();
  const RECT whole = {0, 0, PictureWindow::kWidth, PictureWindow::kHeight};
  const struct {
    bool given;
    RECT rect;
  } cases[] = {{true, {10, 20, 10 + 128, 20 + 96}}, {true, {0, 0, 192, 144}}, {false, whole},
               {true, {10, 10, 10, 60}}, {true, {10, 10, 60, 10}}};
  for (const auto& c : cases) {
    const RECT& r = c.rect;
    SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
                 "," + std::to_string(r.bottom));
    window.Fill(RGB(1, 2, 3));
    ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), c.given ? &r : nullptr, kFrameWidth, kFrameHeight,
                                kPitch, kAllowNonOverlay));
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_EQ(presenter.Present(frame.data(), g_options), width > 0 && height > 0);
    const Capture shot = CaptureClientArea(window.Get());
    int32_t mismatches = 0;
    for (int32_t y = 0; y < PictureWindow::kHeight; ++y) {
      for (int32_t x = 0; x < PictureWindow::kWidth; ++x) {
        uint32_t expected = 0x010203;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
          const int32_t i = height - 1 - (y - r.top);
          const int32_t sourceRow = kFrameHeight - 1 - ((i * ((kFrameHeight * 65536 - 65536) / height)) >> 16);
          const int32_t sourceColumn = ((x - r.left) * ((kFrameWidth * 65536 - 65536) / width)) >> 16;
          expected = LowQualityColour(LumaAt(sourceColumn, sourceRow));
        }
        const uint32_t actual = shot.At(x, y)[0] << 16 | shot.At(x, y)[1] << 8 | shot.At(x, y)[2];
        if (actual != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual << " != " << expected;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// Wine shows what another thread drew into a window when the window's own
// thread next goes idle: each frame the video thread draws must wake it.
TEST_F(VideoPresenterTest, EachFrameDrawnFromAnotherThreadWakesTheWindowsThread) {
  const std::vector<uint8_t> frame = TestFrame();
  window.Pump();
  ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), nullptr, kFrameWidth, kFrameHeight, kPitch,
                              kAllowNonOverlay));
  std::thread video([&] {
    for (int i = 0; i < 3; ++i) presenter.Present(frame.data(), g_options);
  });
  video.join();
  int wakes = 0;
  MSG message;
  while (PeekMessageA(&message, window.Get(), 0, 0, PM_REMOVE)) {
    if (message.message == WM_NULL) ++wakes;
  }
  EXPECT_EQ(wakes, 3);
}

}  // namespace

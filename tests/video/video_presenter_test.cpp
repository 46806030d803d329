// The presenter on displays of the tests' own (FakeDirectDraw), with the
// overlays, colour keys and alignments that display drivers offer, and on
// Wine's, which offers no overlay: there every set-up ends in the plain
// window drawing, read back from the window.
// DibImage, the 24-bit bottom-up DIB section the painting code draws into,
// is here too (its drawing shows in the shell's idle picture test).
#include "video/video_presenter.h"

#include "settings/options.h"
#include "tests/common/failing_allocations.h"
#include "tests/shell/shell_session.h"
#include "tests/video/fake_direct_draw.h"
#include "tests/video/yuy2_test_frame.h"
#include "video/dib_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// A visible popup window at the screen's corner that never paints itself.
class PictureWindow {
 public:
  static constexpr int kWidth = 200, kHeight = 150;
  PictureWindow() {
    const WNDCLASSA windowClass = {0, Proc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                                   "VelmoraPresenterTest"};
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOPMOST, "VelmoraPresenterTest", "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                              kHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump();
  }
  ~PictureWindow() { DestroyWindow(window_); }
  HWND Get() const { return window_; }
  // Dispatches the waiting messages: how many were WM_NULL.
  int Pump() {
    int wakes = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      wakes += message.message == WM_NULL;
      DispatchMessageA(&message);
    }
    return wakes;
  }
  void Fill(COLORREF color) {
    HDC dc = GetDC(window_);
    SetDCBrushColor(dc, color);
    const RECT all = {0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    ReleaseDC(window_, dc);
  }
  void Move(int x, int y) { SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }
  // The pixels of the client area that differ from want(x, y) (0x00RRGGBB):
  // the first few fail the test.
  int Mismatches(const std::function<uint32_t(int, int)>& want) const {
    const Capture shot = CaptureClientArea(window_);
    int mismatches = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t* p = shot.At(x, y);
        const uint32_t shown = p[0] << 16 | p[1] << 8 | p[2], expected = want(x, y);
        if (shown != expected && ++mismatches <= 5)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << shown << " != " << expected;
      }
    return mismatches;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) return ValidateRect(window, nullptr), 0;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  HWND window_ = nullptr;
};

constexpr uint32_t kOverlayKinds = kAllowNonOverlay | kAllowRgb16 | kAllowRgbTrue | kAllowYuy2 | kAllowUyvy;

// Frames of 22 x 6 random YUY2 pixels.
constexpr int32_t kWidth = 22, kHeight = 6, kPitch = 44;

// Pixel x of a frame row in "Low Quality (16Bit)".
uint32_t ShownRgb(const uint8_t* row, int32_t x) {
  return LowQualityRgb(row[2 * x], row[4 * (x / 2) + 1], row[4 * (x / 2) + 3]);
}

// What a surface row of the format holds of a frame row: the words as they
// are (YUY2), their bytes swapped in pairs (UYVY), or each pixel's colour in
// 5-6-5 or as blue, green, red (and a zero byte for 32 bits), of the pixels
// packed: whole words of two (whole groups of four for RGB24; every pixel
// for RGB32).
std::vector<uint8_t> PackedRow(const std::string& format, const uint8_t* row, int32_t width) {
  std::vector<uint8_t> out;
  for (int i = 0; format[0] != 'R' && i < width / 2 * 4; ++i) out.push_back(row[format == "YUY2" ? i : i ^ 1]);
  const int32_t pixels = format == "RGB24" ? width / 4 * 4 : format == "RGB16" ? width / 2 * 2 : width;
  for (int x = 0; format[0] == 'R' && x < pixels; ++x) {
    const uint32_t c = ShownRgb(row, x);
    const uint8_t r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
    const int rgb16 = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    if (format == "RGB16") out.insert(out.end(), {static_cast<uint8_t>(rgb16 & 0xFF), static_cast<uint8_t>(rgb16 >> 8)});
    else out.insert(out.end(), {b, g, r});
    if (format == "RGB32") out.push_back(0);
  }
  return out;
}

std::vector<LONG> Corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
// An overlay update's source and destination corners.
std::vector<LONG> Placed(const OverlayUpdate& u) {
  const RECT &s = u.source, &d = u.destination;
  return {s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom};
}

class VideoPresenterTest : public ::testing::Test {
 protected:
  // One window for the suite: making and destroying visible windows under
  // Wine and Xvfb takes seconds each.
  static void SetUpTestSuite() { shared_ = new PictureWindow; }
  static void TearDownTestSuite() { delete shared_; }
  void SetUp() override {
    window.Move(0, 0);
    options.highQualityConversion = 0, options.nonOverlayResize = 0;  // "Low Quality (16Bit)", "Nearest (Fast)"
  }

  int32_t ModeOf(const VideoPresenter& presenter, bool* doubleBuffered = nullptr) {
    int32_t mode = -1;
    presenter.GetMode(&mode, doubleBuffered);
    return mode;
  }

  static inline PictureWindow* shared_ = nullptr;
  PictureWindow& window = *shared_;
  std::mt19937 random{28};
  const std::vector<uint8_t> frame = GuardedBuffer(kPitch * kHeight, &random).Payload();
  const RECT rect = {10, 20, 10 + 2 * kWidth, 20 + 2 * kHeight};
  Options options = g_options;
};

// Each format is tried as a flipping chain (when double buffering is
// allowed) and then as a single surface, in the order YUY2, UYVY, RGB32,
// RGB24, RGB16; a chain whose back buffer can't be had fails its format.
// Whatever fails ends in the plain drawing with every DirectDraw object given
// back, and the display's own object is never released. An overlay is
// cleared from its first byte to its last (YUY2 to black, the others to zero
// bytes) with a write lock, not a blit; each frame is written, centred, into
// the back buffer when there is one, which is then flipped, or else into the
// overlay, each format with its packing. With a destination colour key the
// overlay shows where the primary holds the key colour, RGB(16, 0, 16)
// (magenta on a palette display), turned into the primary's own pixel value
// through GDI and a lock, the pixel drawn on being put back; the window's
// video rectangle is painted with the colour. Without one a clipper on the
// window cuts the overlay.
TEST_F(VideoPresenterTest, OverlayFormatsComeInTheirOrderAndShowEachFrameOverTheColourKey) {
  const std::vector<std::string> yuy2 = {"primary", "YUY2 32x6"};
  const DWORD keyedFlags = DDOVER_SHOW | DDOVER_KEYDESTOVERRIDE | DDOVER_DDFX;
  const uint32_t k = kOverlayKinds, kb = kOverlayKinds | kAllowBackBuffer;
  // The driver sizes surfaces in steps of 16: 32 pixels, the frame at pixel 5,
  // rounded down to the packing's group: the frame's first byte in each row.
  const std::map<int32_t, std::pair<std::string, size_t>> packings = {
      {kPresentYuy2, {"YUY2", 8}}, {kPresentUyvy, {"UYVY", 8}}, {kPresentRgb32, {"RGB32", 20}},
      {kPresentRgb24, {"RGB24", 12}}, {kPresentRgb16, {"RGB16", 8}}};
  using Display = FakeDisplay&;
  struct Case {
    const char* name;
    uint32_t allow;
    std::vector<std::string> asked;  // surfaces, from the primary on
    int32_t mode;
    bool doubleBuffered;
    void (*display)(Display) = nullptr;  // how it differs from the fake's every-format display
    DWORD key = 0x100010;
    int32_t width = kWidth;
    size_t refused = SIZE_MAX;  // the presenter's buffers of this many bytes and more can't be had
    bool presents = true;
  } const cases[] = {
      {"every format", kb, {"primary", "YUY2 32x6 flip"}, kPresentYuy2, true},
      {"no flipping chains", kb, {"primary", "YUY2 32x6 flip", "YUY2 32x6"}, kPresentYuy2, false,
       [](Display d) { d.flipping = false; }},
      {"single surfaces without double buffering", k, {"primary", "YUY2 32x6", "UYVY 32x6"}, kPresentUyvy, false,
       [](Display d) { d.formats = {"UYVY"}; }},
      {"true colour in a chain", kAllowNonOverlay | kAllowRgbTrue | kAllowBackBuffer, {"primary", "RGB32 32x6 flip"},
       kPresentRgb32, true},
      {"32 bits before 24", kAllowRgbTrue | kAllowRgb16, {"primary", "RGB32 32x6", "RGB24 32x6"}, kPresentRgb24,
       false, [](Display d) { d.formats = {"RGB24", "RGB16"}; }},
      {"high colour only", kAllowNonOverlay | kAllowRgb16 | kAllowBackBuffer, {"primary", "RGB16 32x6 flip"},
       kPresentRgb16, true},
      {"no back buffer to a chain", kb,
       {"primary", "YUY2 32x6 flip", "YUY2 32x6", "UYVY 32x6 flip", "UYVY 32x6", "RGB32 32x6 flip", "RGB32 32x6",
        "RGB24 32x6 flip", "RGB16 32x6 flip", "RGB16 32x6"},
       kPresentNonOverlay, false, [](Display d) { d.formats = {"RGB24"}, d.attachFails = true; }},
      {"no overlay kind allowed", kAllowNonOverlay | kAllowBackBuffer, {}, kPresentNonOverlay, false},
      {"no DDCAPS_OVERLAY", k, {"primary"}, kPresentNonOverlay, false,
       [](Display d) { d.caps.dwCaps = DDCAPS_OVERLAYSTRETCH; }},
      {"no DDCAPS_OVERLAYSTRETCH", k, {"primary"}, kPresentNonOverlay, false,
       [](Display d) { d.caps.dwCaps = DDCAPS_OVERLAY; }},
      {"no memory to convert an RGB overlay's frames", k, {"primary", "YUY2 32x6", "UYVY 32x6", "RGB32 32x6"},
       kPresentNonOverlay, false, [](Display d) { d.formats = {"RGB32"}; }, 0x100010, kWidth, kWidth * kHeight * 4,
       false},
      {"YUY2 needs no memory", k, yuy2, kPresentYuy2, false, nullptr, 0x100010, kWidth, 0},
      // The key on primaries of other depths, or a clipper.
      {"24 bits", k, yuy2, kPresentYuy2, false, [](Display d) { d.primaryBits = 24; }},
      {"16 bits, 5-6-5", k, yuy2, kPresentYuy2, false, [](Display d) { d.primaryBits = 16; }, 2 << 11 | 2},
      {"15 bits", k, yuy2, kPresentYuy2, false, [](Display d) { d.primaryBits = 15; }, 2 << 10 | 2},
      {"a palette", k, yuy2, kPresentYuy2, false, [](Display d) { d.primaryBits = 8; }, FakeDisplay::kMagentaIndex},
      {"a primary that can't be locked", k, yuy2, kPresentYuy2, false, [](Display d) { d.primaryLockFails = true; },
       0xFFFFFFFF},
      {"a clipper", k, yuy2, kPresentYuy2, false, [](Display d) { d.caps.dwCKeyCaps = 0; }, 0},
      // The odd pixel is left out (RGB24 leaves out all but whole groups of four).
      {"YUY2 at an odd width", k, yuy2, kPresentYuy2, false, nullptr, 0x100010, 21},
      {"RGB16 at an odd width", kAllowNonOverlay | kAllowRgb16, {"primary", "RGB16 32x6"}, kPresentRgb16, false,
       nullptr, 0x100010, 21},
      {"no clipper to be had", k, yuy2, kPresentNonOverlay, false,
       [](Display d) { d.caps.dwCKeyCaps = 0, d.clipperFails = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.Fill(RGB(1, 2, 3));
    FakeDirectDraw display;
    if (c.display != nullptr) c.display(display);
    display.caps.dwCaps |= DDCAPS_ALIGNSIZESRC;
    display.caps.dwAlignSizeDest = 16;
    const bool keyed = display.caps.dwCKeyCaps != 0;
    VideoPresenter presenter;
    const FailingAllocations noMemory(c.refused, SIZE_MAX);
    EXPECT_FALSE(presenter.Present(frame.data(), options));
    EXPECT_FALSE(presenter.Setup(&display, nullptr, &rect, c.width, kHeight, kPitch, c.allow));
    ASSERT_TRUE(presenter.Setup(&display, window.Get(), &rect, c.width, kHeight, kPitch, c.allow));
    std::vector<std::string> asked = display.Calls("CreateSurface ");
    for (std::string& call : asked) call.erase(0, 14);
    EXPECT_EQ(asked, c.asked);
    bool doubleBuffered = !c.doubleBuffered;
    EXPECT_EQ(ModeOf(presenter, &doubleBuffered), c.mode);
    EXPECT_EQ(doubleBuffered, c.doubleBuffered);
    const bool overlaid = c.mode != kPresentNonOverlay;
    EXPECT_EQ(display.liveObjects, overlaid ? 2 + c.doubleBuffered + !keyed : 0);
    const uint32_t painted = !overlaid ? 0x010203u : display.primaryBits == 8 ? 0xFF00FFu : 0x100010u;
    if (overlaid || display.clipperFails) {
      EXPECT_EQ(window.Mismatches([&](int x, int y) {
        return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom ? painted : 0x010203u;
      }), 0);
    }
    std::vector<std::vector<uint8_t>> expected;
    const FakeSurface* target = overlaid && c.doubleBuffered ? display.overlay->back : display.overlay;
    if (overlaid) {
      ASSERT_EQ(display.updates.size(), 1u);
      const OverlayUpdate& update = display.updates[0];
      EXPECT_TRUE(update.ontoPrimary);
      EXPECT_EQ(update.flags, keyed ? keyedFlags : DDOVER_SHOW);
      EXPECT_EQ(update.fx.dwSize, sizeof(DDOVERLAYFX));
      EXPECT_EQ(update.fx.dckDestColorkey.dwColorSpaceLowValue, c.key);
      EXPECT_EQ(update.fx.dckDestColorkey.dwColorSpaceHighValue, c.key);
      const int bytes = (display.primaryBits + 7) / 8;
      const uint8_t* pixels = display.primary->bits;
      EXPECT_TRUE(std::equal(pixels, pixels + bytes, pixels + bytes)) << "pixel (0, 0) put back";
      const auto* clipper = static_cast<FakeClipper*>(display.primary->clipper);
      EXPECT_EQ(clipper != nullptr ? clipper->window : nullptr, keyed ? nullptr : window.Get());
      EXPECT_EQ(display.Calls("SetHWnd"), std::vector<std::string>(keyed ? 0 : 1, "SetHWnd 0x0"));
      const auto& [format, offset] = packings.at(c.mode);
      std::vector<uint8_t> cleared(display.overlay->pitch);
      for (size_t i = 1; format == "YUY2" && i < cleared.size(); i += 2) cleared[i] = 0x80;
      for (DWORD r = 0; r < display.overlay->height; ++r) {
        ASSERT_EQ(display.overlay->Row(r), cleared) << r;
        expected.push_back(target->Row(r));
        const std::vector<uint8_t> packed = PackedRow(format, frame.data() + r * kPitch, c.width);
        std::copy(packed.begin(), packed.end(), expected.back().begin() + offset);
      }
    }
    EXPECT_EQ(presenter.Present(frame.data(), options), c.presents);
    for (size_t r = 0; r < expected.size(); ++r) EXPECT_EQ(display.overlay->Row(r), expected[r]) << r;
    if (overlaid) {
      std::vector<std::string> locks = {"Lock overlay 0x1", "Lock primary 0x0", "Lock " + target->role + " 0x21"};
      if (!keyed) locks.erase(locks.begin() + 1);
      EXPECT_EQ(display.Calls("Lock"), locks);
      EXPECT_EQ(display.Calls("Unlock").size(), locks.size() - display.primaryLockFails);
      EXPECT_EQ(display.Calls("Flip"), std::vector<std::string>(c.doubleBuffered ? 1 : 0, "Flip 0x1"));
      EXPECT_TRUE(display.Calls("Blt").empty());
    }
    presenter.Shutdown();
    EXPECT_EQ(ModeOf(presenter), kPresentDisabled);
    EXPECT_FALSE(presenter.Present(frame.data(), options));
    EXPECT_EQ(display.liveObjects, 0);
    EXPECT_EQ(display.Refs(), 1u);
  }
}

// The overlay goes where the window's video rectangle is on the screen: cut
// at the screen's edges, the hidden part taken off the surface at the
// stretch, the driver's alignments applied. A window move keeps the surfaces
// (only the overlay moves); a stretch beyond the driver's limits, a lost
// overlay or a new frame size rebuild them, ending in the plain drawing when
// they can't be had, and a later set-up finds the overlay again.
TEST_F(VideoPresenterTest, TheOverlayFollowsTheWindowAndIsRebuiltOnlyWhenItMustBe) {
  FakeDirectDraw display;
  display.caps.dwCaps |= DDCAPS_ALIGNBOUNDARYSRC | DDCAPS_ALIGNSIZESRC | DDCAPS_ALIGNBOUNDARYDEST;
  display.caps.dwAlignBoundarySrc = 4;
  display.caps.dwAlignSizeSrc = 8;
  display.caps.dwAlignBoundaryDest = 8;
  display.caps.dwAlignSizeDest = 16;  // surfaces 32 wide
  display.caps.dwMinOverlayStretch = 1000;
  display.caps.dwMaxOverlayStretch = 4000;
  VideoPresenter presenter;
  const RECT video = {3, 2, 63, 20};  // stretches 2.727 and 3.000
  const auto setUp = [&](const RECT& r, int32_t width) {
    return presenter.Setup(&display, window.Get(), &r, width, kHeight, 2 * width, kOverlayKinds);
  };
  // Client origin (-50, 760): destination (-47, 762) .. (13, 780); the left
  // 47 pixels hidden are 47 / 2.727 = 17 surface pixels, rounded to 16; the
  // bottom 12 rows 12 / 3 = 4 surface rows; the destination widened to 16.
  window.Move(-50, 760);
  ASSERT_TRUE(setUp(video, kWidth));
  ASSERT_EQ(ModeOf(presenter), kPresentYuy2);
  ASSERT_EQ(display.updates.size(), 1u);
  EXPECT_EQ(Placed(display.updates[0]), (std::vector<LONG>{16, 0, 32, 2, 0, 762, 16, 768}));

  // Moved to (100, 50): (103, 52) .. (163, 70), widened to 96 .. 168.
  const FakeSurface* overlay = display.overlay;
  window.Move(100, 50);
  ASSERT_TRUE(setUp(video, kWidth));
  EXPECT_EQ(display.overlay, overlay);
  EXPECT_EQ(display.Calls("CreateSurface").size(), 2u);
  ASSERT_EQ(display.updates.size(), 2u);
  EXPECT_EQ(Placed(display.updates[1]), (std::vector<LONG>{0, 0, 32, 6, 96, 52, 168, 70}));

  const RECT tooTall = {3, 2, 63, 32};  // stretch 5.000
  // The mode, the surfaces asked for and the objects alive after each step.
  const auto state = [&] {
    return std::make_tuple(ModeOf(presenter), display.Calls("CreateSurface").size(), display.liveObjects);
  };
  ASSERT_TRUE(setUp(tooTall, kWidth));
  EXPECT_EQ(state(), std::make_tuple(kPresentNonOverlay, size_t{3}, 0)) << "the primary only";
  ASSERT_TRUE(setUp(video, kWidth));
  EXPECT_EQ(state(), std::make_tuple(kPresentYuy2, size_t{5}, 2));

  display.lost = true;
  EXPECT_FALSE(presenter.Present(frame.data(), options));
  ASSERT_TRUE(setUp(video, kWidth));
  EXPECT_EQ(state(), std::make_tuple(kPresentNonOverlay, size_t{7}, 0)) << "the primary and YUY2, refused";
  display.lost = false;
  ASSERT_TRUE(setUp(video, kWidth));
  EXPECT_EQ(state(), std::make_tuple(kPresentYuy2, size_t{9}, 2));
  ASSERT_TRUE(setUp(video, 40));
  EXPECT_EQ(display.Calls("CreateSurface").back(), "CreateSurface YUY2 48x6");
  presenter.Shutdown();
  EXPECT_EQ(display.liveObjects, 0);
}

// On Wine's display (the presenter makes its own DirectDraw object, finds no
// overlay and gives the object back) each setup's rectangle (none: the whole
// client area) shows the converted frame resized to it, nearest pixel: output
// pixel (x, y) samples source column (x sx) >> 16 and source row
// h - 1 - ((i sy) >> 16), i counted from the bottom, with
// s = (source x 65536 - 65536) div output. An empty rectangle shows nothing;
// outside the rectangle the window is untouched. Wine shows what another
// thread drew into a window when the window's own thread next goes idle:
// each frame the video thread draws must wake it.
TEST_F(VideoPresenterTest, ThePlainDrawingShowsTheFrameResizedIntoEachSetupsRectangle) {
  VideoPresenter presenter;
  ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), &rect, kWidth, kHeight, kPitch, kOverlayKinds));
  EXPECT_EQ(ModeOf(presenter), kPresentNonOverlay);
  EXPECT_FALSE(presenter.HoldsDirectDraw());
  const RECT whole = {0, 0, PictureWindow::kWidth, PictureWindow::kHeight};
  const struct {
    bool given;
    RECT rect;
  } cases[] = {{true, {10, 20, 10 + 128, 20 + 96}}, {true, {0, 0, 192, 144}}, {false, whole},
               {true, {10, 10, 10, 60}}, {true, {10, 10, 60, 10}}};
  for (const auto& c : cases) {
    const RECT& r = c.rect;
    SCOPED_TRACE(testing::PrintToString(Corners(r)));
    window.Fill(RGB(1, 2, 3));
    ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), c.given ? &r : nullptr, kWidth, kHeight, kPitch,
                                kAllowNonOverlay));
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    bool shown = false;
    window.Pump();
    std::thread([&] { shown = presenter.Present(frame.data(), options); }).join();  // as the video thread does
    EXPECT_EQ(shown, width > 0 && height > 0);
    EXPECT_EQ(window.Pump(), shown ? 1 : 0);
    EXPECT_EQ(window.Mismatches([&](int32_t x, int32_t y) {
      if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return 0x010203u;
      const int32_t i = height - 1 - (y - r.top);
      const int32_t row = kHeight - 1 - ((i * ((kHeight * 65536 - 65536) / height)) >> 16);
      return ShownRgb(frame.data() + row * kPitch, ((x - r.left) * ((kWidth * 65536 - 65536) / width)) >> 16);
    }), 0);
  }
  // Without the memory for the resized picture nothing is drawn, until the
  // memory is there again.
  const RECT big = {0, 0, 100, 100};
  ASSERT_TRUE(presenter.Setup(nullptr, window.Get(), &big, kWidth, kHeight, kPitch, kAllowNonOverlay));
  {
    const FailingAllocations noMemory(300 * 100 + 512, SIZE_MAX);  // 24-bit rows of 300 bytes
    EXPECT_FALSE(presenter.Present(frame.data(), options));
  }
  EXPECT_TRUE(presenter.Present(frame.data(), options));
}

TEST(DibImage, RowsAreBottomUpWithFourByteAlignedStrides) {
  DibImage image;
  ASSERT_TRUE(image.Create(5, 3));
  ASSERT_NE(image.Bits(), nullptr);
  // 15 bytes rounded up to 16; the top row is last in memory.
  EXPECT_EQ(image.Stride(), 16);
  EXPECT_EQ(std::vector<const uint8_t*>({image.Row(0), image.Row(2), image.Row(3), image.Row(-1)}),
            std::vector<const uint8_t*>({image.Bits() + 2 * 16, image.Bits(), nullptr, nullptr}));
  BITMAP bitmap;
  ASSERT_EQ(GetObjectA(image.Bitmap(), sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(std::vector<LONG>({bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel}), std::vector<LONG>({5, 3, 24}));
  image.Destroy();
  EXPECT_EQ(std::vector<const uint8_t*>({image.Bits(), image.Row(0)}), std::vector<const uint8_t*>(2, nullptr));
  // Sizes below one become one.
  ASSERT_TRUE(image.Create(0, -4));
  EXPECT_EQ(std::vector<int>({image.Width(), image.Height(), image.Stride()}), std::vector<int>({1, 1, 4}));
}

}  // namespace

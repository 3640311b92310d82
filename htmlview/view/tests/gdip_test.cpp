#include "htmlview/images/gdipimage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <functional>
#include <string>
#include <vector>

#include "htmlview/view/printer.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using namespace htmlview;
using platform::Bitmap;
using platform::Colour;
using platform::Rgb;

namespace {

// A checkerboard of two colours, one pixel per square.
QImage Checker(int w, int h, Colour a, Colour b) {
  QImage img(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixelColor(x, y, platform::ToQColor((x + y) % 2 ? b : a));
  return img;
}

std::vector<uint8_t> PngBytes(const QImage& img) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "PNG");
  return {bytes.begin(), bytes.end()};
}

std::string WritePng(const std::string& dir, const std::string& name, const QImage& img) {
  const std::string path = dir + "/" + name;
  img.save(QString::fromStdString(path), "PNG");
  return path;
}

// The engine switched on for one test; released and switched off afterwards.
class GdiPlusOn : public ::testing::Test {
 protected:
  void SetUp() override {
    SetGdiPlusAvailable(true);
    AcquireGdiPlus();
    ASSERT_TRUE(GDIPlusActive());
  }
  void TearDown() override {
    ReleaseGdiPlus();
    SetGdiPlusAvailable(false);
  }
};

// The message of the error f raises (of class E), or "(no error)".
template <typename E = EGDIPlus>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace

// ------------------------------------------------------------ start-up

TEST(GdiPlusStartup, AbsentByDefaultNeverActiveAndImagesFail) {
  ASSERT_FALSE(GdiPlusAvailable());
  AcquireGdiPlus();
  EXPECT_FALSE(GDIPlusActive());
  EXPECT_EQ(GdiPlusUsers(), 1);
  const std::string dir = testsupport::MakeTempDir("gdip");
  const std::string path = WritePng(dir, "a.png", Checker(4, 4, platform::clRed, platform::clBlue));
  EXPECT_EQ(MessageOf([&] { TGpImage img(path); }), "Can't load image file " + path + ".");
  EXPECT_EQ(MessageOf([&] { TGpImage img(PngBytes(Checker(2, 2, 0, 0)), "mem"); }), "Can't load image file mem.");
  ReleaseGdiPlus();
  EXPECT_EQ(GdiPlusUsers(), 0);
}

TEST(GdiPlusStartup, ReferenceCountStartsOnceAndShutsDownWithTheLastUser) {
  SetGdiPlusAvailable(true);
  const int starts = GdiPlusStartupCount();
  AcquireGdiPlus();  // first image cache
  AcquireGdiPlus();  // second image cache
  EXPECT_TRUE(GDIPlusActive());
  EXPECT_EQ(GdiPlusStartupCount(), starts + 1);
  ReleaseGdiPlus();
  EXPECT_TRUE(GDIPlusActive()) << "one cache still holds it";
  ReleaseGdiPlus();
  EXPECT_FALSE(GDIPlusActive());
  // A new cache starts it again.
  AcquireGdiPlus();
  EXPECT_TRUE(GDIPlusActive());
  EXPECT_EQ(GdiPlusStartupCount(), starts + 2);
  ReleaseGdiPlus();
  // An unbalanced release is ignored, so the next acquisition still starts it.
  ReleaseGdiPlus();
  EXPECT_EQ(GdiPlusUsers(), 0);
  AcquireGdiPlus();
  EXPECT_TRUE(GDIPlusActive());
  ReleaseGdiPlus();
  SetGdiPlusAvailable(false);
}

// ------------------------------------------------------------ images

TEST_F(GdiPlusOn, ImageFromFileHasItsSizeAndPixels) {
  const std::string dir = testsupport::MakeTempDir("gdip");
  const std::string path = WritePng(dir, "c.png", Checker(5, 3, platform::clRed, platform::clBlue));
  TGpImage img(path);
  EXPECT_EQ(img.Width(), 5);
  EXPECT_EQ(img.Height(), 3);
  EXPECT_EQ(img.Native().Pixel(0, 0), platform::clRed);
  EXPECT_EQ(img.Native().Pixel(1, 0), platform::clBlue);
  EXPECT_TRUE(platform::FileExists(path)) << "not a temporary file";
}

TEST_F(GdiPlusOn, TheFourErrorMessages) {
  const std::string dir = testsupport::MakeTempDir("gdip");
  const std::string missing = dir + "/none.png";
  const std::string junk = dir + "/junk.png";
  testsupport::WriteAll(junk, "not an image at all");
  EXPECT_EQ(MessageOf([&] { TGpImage img(missing); }), "Image file " + missing + " not found.");
  EXPECT_EQ(MessageOf([&] { TGpImage img(junk); }), "Can't load image file " + junk + ".");
  EXPECT_EQ(MessageOf([&] { TGpImage img(std::vector<uint8_t>{1, 2, 3}, "x"); }), "Can't load image file x.");
  EXPECT_EQ(MessageOf([&] { TGpBitmap b(0, 5); }), "Can't create bitmap");
  EXPECT_EQ(MessageOf([&] { TGpBitmap b(1 << 20, 1 << 20); }), "Can't create bitmap");
  EXPECT_EQ(MessageOf([&] {
              Bitmap null;
              TGpBitmap b(4, 4);
              b.Native() = null;
              TGpGraphics g(b);
            }),
            "Can't Create Graphics");
}

TEST_F(GdiPlusOn, TemporaryFileIsDeletedWithItsImage) {
  const std::string dir = testsupport::MakeTempDir("gdip");
  const std::string path = WritePng(dir, "png1.tmp", Checker(2, 2, 0, 0xFFFFFF));
  { TGpImage img(path, true); EXPECT_TRUE(platform::FileExists(path)); }
  EXPECT_FALSE(platform::FileExists(path));
  // A temporary file that does not decode is not left behind either.
  const std::string bad = dir + "/png2.tmp";
  testsupport::WriteAll(bad, "garbage");
  EXPECT_THROW(TGpImage(bad, true), EGDIPlus);
  EXPECT_FALSE(platform::FileExists(bad));
}

TEST_F(GdiPlusOn, GetTBitmapIsWhiteUnderTransparentParts) {
  QImage q(3, 1, QImage::Format_ARGB32);
  q.setPixelColor(0, 0, QColor(255, 0, 0));
  q.setPixelColor(1, 0, QColor(0, 0, 0, 0));
  q.setPixelColor(2, 0, QColor(0, 0, 255));
  TGpImage img(PngBytes(q), "t");
  const Bitmap b = img.GetTBitmap();
  EXPECT_EQ(b.Pixel(0, 0), platform::clRed);
  EXPECT_EQ(b.Pixel(1, 0), platform::clWhite);
  EXPECT_EQ(b.Alpha(1, 0), 255);
  EXPECT_EQ(b.Pixel(2, 0), platform::clBlue);
}

TEST_F(GdiPlusOn, BitmapPixelsRoundTrip) {
  TGpBitmap b(4, 3);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.GetAlpha(0, 0), 0) << "a new ARGB bitmap is transparent";
  b.SetPixel(2, 1, Rgb(10, 20, 30));
  EXPECT_EQ(b.GetPixel(2, 1), Rgb(10, 20, 30));
  EXPECT_EQ(b.GetAlpha(2, 1), 255);
}

// ------------------------------------------------------------ drawing

namespace {

struct StretchCase {
  const char* name;
  int size;        // square source image
  bool blocks;     // expected: hard 8-pixel blocks up to the border
};

class GdiStretch : public GdiPlusOn, public ::testing::WithParamInterface<StretchCase> {};

// Distinct colours per pixel so any blending shows as a colour not in the image.
QImage Distinct(int n) {
  QImage img(n, n, QImage::Format_ARGB32);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) img.setPixelColor(x, y, QColor(x * 20, y * 20, (x + y) % 2 ? 255 : 0));
  return img;
}

}  // namespace

TEST_P(GdiStretch, SmallImagesEnlargeWithHardEdges) {
  const StretchCase& c = GetParam();
  const QImage src = Distinct(c.size);
  TGpImage img(PngBytes(src), "s");
  Bitmap target(64, 64, platform::clWhite);
  {
    platform::Canvas canvas(&target.Image());
    StretchDrawGpImage(canvas, img, 0, 0, 64, 64);
  }
  if (c.blocks) {
    const int block = 64 / c.size;
    int mismatches = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        if (target.Pixel(x, y) != platform::FromQColor(src.pixelColor(x / block, y / block))) ++mismatches;
    EXPECT_EQ(mismatches, 0) << "every block one source pixel, the last row and column included";
  } else {
    // Drawn directly (smoothly): colours between the source pixels appear.
    int blended = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const QColor q = platform::ToQColor(target.Pixel(x, y));
        if (q.blue() != 0 && q.blue() != 255) ++blended;
      }
    EXPECT_GT(blended, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GdiStretch,
                         ::testing::Values(StretchCase{"EightByEightThroughPaddedNearestPath", 8, true},
                                           StretchCase{"ElevenByElevenDrawnDirectly", 11, false},
                                           StretchCase{"TwoByTwo", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GdiPlusOn, DrawingRoutinesPlaceTheImage) {
  TGpImage img(PngBytes(Checker(4, 4, platform::clRed, platform::clBlue)), "d");
  Bitmap target(40, 40, platform::clWhite);
  platform::Canvas canvas(&target.Image());
  DrawGpImage(canvas, img, 10, 10);
  EXPECT_EQ(target.Pixel(10, 10), platform::clRed);
  EXPECT_EQ(target.Pixel(11, 10), platform::clBlue);
  EXPECT_EQ(target.Pixel(14, 10), platform::clWhite);
  // A source rectangle at a point (a background tile's part).
  DrawGpImagePart(canvas, img, 0, 0, {1, 0, 3, 1});
  EXPECT_EQ(target.Pixel(0, 0), platform::clBlue);
  EXPECT_EQ(target.Pixel(1, 0), platform::clRed);
  EXPECT_EQ(target.Pixel(2, 0), platform::clWhite);
  // Scaled by a world transform: 4 x 4 at scale 2 covers 8 x 8 from (20, 20).
  StretchPrintGpImageDirect(canvas, img, 20, 20, 2.0, 2.0);
  EXPECT_NE(target.Pixel(27, 27), platform::clWhite);
  EXPECT_EQ(target.Pixel(28, 28), platform::clWhite);
  EXPECT_EQ(target.Pixel(19, 19), platform::clWhite);
}

TEST_F(GdiPlusOn, PrintOnColorFillsTransparentParts) {
  QImage q(2, 1, QImage::Format_ARGB32);
  q.setPixelColor(0, 0, QColor(0, 0, 0, 0));
  q.setPixelColor(1, 0, QColor(255, 0, 0));
  TGpImage img(PngBytes(q), "p");
  Bitmap target(20, 10, platform::clWhite);
  platform::Canvas canvas(&target.Image());
  StretchPrintGpImageOnColor(canvas, img, 0, 0, 20, 10, platform::clLime);
  EXPECT_EQ(target.Pixel(2, 5), platform::clLime);
  EXPECT_EQ(target.Pixel(17, 5), platform::clRed);
}

// ------------------------------------------------------------ printer

namespace {

// Pages are images; every call is logged.
struct FakeLog {
  std::vector<std::string> calls;
  int pagesKept = 0;
  int contextsMade = 0;
  int contextsAlive = 0;
};

class FakeContext : public TPrinterContext {
 public:
  FakeContext(FakeLog& log, bool device) : log_(log), device_(device), page_(100, 50, platform::clWhite) {
    canvas_ = std::make_unique<platform::Canvas>(&page_.Image());
    ++log_.contextsMade;
    ++log_.contextsAlive;
  }
  ~FakeContext() override {
    canvas_.reset();
    --log_.contextsAlive;
  }
  bool IsDeviceContext() const override { return device_; }
  platform::Canvas& Canvas() override { return *canvas_; }
  bool Monochrome() const override { return true; }
  bool StartDoc(const std::string& title) override {
    log_.calls.push_back("StartDoc " + title);
    return device_;
  }
  void StartPage() override { log_.calls.push_back("StartPage"); }
  void EndPage() override {
    log_.calls.push_back("EndPage");
    ++log_.pagesKept;
  }
  void EndDoc() override { log_.calls.push_back("EndDoc"); }
  void AbortDoc() override { log_.calls.push_back("AbortDoc"); }
  const Bitmap& Page() const { return page_; }

 private:
  FakeLog& log_;
  bool device_;
  Bitmap page_;
  std::unique_ptr<platform::Canvas> canvas_;
};

class FakeDriver : public TPrinterDriver {
 public:
  explicit FakeDriver(FakeLog& log, bool hasPrinter = true) : log_(log), has_(hasPrinter) {}
  std::optional<TPrinterInfo> SelectedPrinter() override {
    if (!has_) return std::nullopt;
    return TPrinterInfo{"Fake", "fakedrv", "FILE:", {1, 2, 3, 4}};
  }
  std::unique_ptr<TPrinterContext> CreateContext(bool device, const TPrinterInfo&,
                                                 const std::vector<uint8_t>& mode) override {
    lastMode = mode;
    return std::make_unique<FakeContext>(log_, device);
  }
  std::vector<uint8_t> lastMode;

 private:
  FakeLog& log_;
  bool has_;
};

class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = std::make_shared<FakeDriver>(log);
    SetPrinterDriver(driver);
  }
  void TearDown() override { SetPrinterDriver(nullptr); }
  FakeLog log;
  std::shared_ptr<FakeDriver> driver;
};

}  // namespace

TEST(Printer, WithoutAPrinterEveryContextFails) {
  SetPrinterDriver(nullptr);
  TvwPrinter p;
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.SetState(1); }), "Printer selected is not valid");
  EXPECT_EQ(p.State(), 0);
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.BeginDoc("x"); }), "Printer selected is not valid");
  EXPECT_FALSE(p.Printing());
  FakeLog log;
  SetPrinterDriver(std::make_shared<FakeDriver>(log, false));
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.SetState(2); }), "Printer selected is not valid");
  SetPrinterDriver(nullptr);
}

TEST_F(PrinterTest, StatesAndTheirContexts) {
  TvwPrinter p;
  p.SetState(1);
  EXPECT_EQ(p.State(), 1);
  EXPECT_EQ(log.contextsMade, 1);
  ASSERT_NE(p.DeviceModeCopy(), nullptr);
  EXPECT_EQ(*p.DeviceModeCopy(), (std::vector<uint8_t>{1, 2, 3, 4}));
  p.SetState(2);
  EXPECT_EQ(p.State(), 2);
  EXPECT_EQ(log.contextsMade, 2);
  EXPECT_EQ(log.contextsAlive, 1) << "the old context is deleted";
  EXPECT_EQ(p.DeviceModeFrees(), 1) << "the previous copy is freed";
  p.SetState(1);  // a device context serves
  EXPECT_EQ(p.State(), 2);
  EXPECT_EQ(log.contextsMade, 2);
  p.SetState(0);
  EXPECT_EQ(p.State(), 0);
  EXPECT_EQ(log.contextsAlive, 0);
}

TEST_F(PrinterTest, CheckPrintingMessages) {
  TvwPrinter p;
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.CheckPrinting(true); }), "Printer is not currently printing");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.EndDoc(); }), "Printer is not currently printing");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.Abort(); }), "Printer is not currently printing");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.Canvas().Get(); }), "Printer is not currently printing");
  p.BeginDoc("doc");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.CheckPrinting(false); }), "Printing in progress");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.BeginDoc("again"); }), "Printing in progress");
  EXPECT_EQ(MessageOf<EPrinter>([&] { p.SetState(0); }), "Printing in progress");
  p.EndDoc();
}

TEST_F(PrinterTest, AJobDrawsPagesAndEndsCleanly) {
  TvwPrinter p;
  p.BeginDoc("Report");
  EXPECT_TRUE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 1);
  platform::Canvas& c = p.Canvas().Get();
  c.FillRect({0, 0, 10, 10}, platform::clBlack);
  EXPECT_EQ(c.GetPixel(5, 5), platform::clBlack);
  p.NewPage();
  EXPECT_EQ(p.PageNumber(), 2);
  p.EndDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"StartDoc Report", "StartPage", "EndPage", "StartPage",
                                                 "EndPage", "EndDoc"}));
  EXPECT_EQ(p.DeviceModeCopy(), nullptr);
}

TEST_F(PrinterTest, AbortEndsTheJobWithoutEndingTheDocument) {
  TvwPrinter p;
  p.BeginDoc("x");
  p.Abort();
  EXPECT_FALSE(p.Printing());
  EXPECT_FALSE(p.Aborted()) << "EndDoc clears the flag";
  EXPECT_EQ(log.calls, (std::vector<std::string>{"StartDoc x", "StartPage", "AbortDoc"}));
}

TEST_F(PrinterTest, EndDocThenStateChangeFreesTheDeviceModeOnce) {
  TvwPrinter p;
  p.BeginDoc("x");
  const int frees = p.DeviceModeFrees();
  p.EndDoc();
  EXPECT_EQ(p.DeviceModeFrees(), frees + 1);
  p.SetState(0);
  EXPECT_EQ(p.DeviceModeFrees(), frees + 1);
  p.SetState(1);
  EXPECT_EQ(p.DeviceModeFrees(), frees + 1) << "nothing left to free before the new copy";
  ASSERT_NE(p.DeviceModeCopy(), nullptr);
}

TEST_F(PrinterTest, MeasuringCanvasNeedsOnlyAnInformationContext) {
  TvwPrinter p;
  EXPECT_FALSE(p.Canvas().HasHandle());
  p.Canvas().Measure();
  EXPECT_TRUE(p.Canvas().HasHandle());
  EXPECT_EQ(p.State(), 1);
  EXPECT_TRUE(p.Monochrome());
}

TEST_F(PrinterTest, ProcessWidePrinterIsReplacedAndPutBack) {
  TvwPrinter& global = Printer();
  EXPECT_EQ(&Printer(), &global) << "made once";
  auto own = std::make_unique<TvwPrinter>();
  TvwPrinter* ownPtr = own.get();
  std::unique_ptr<TvwPrinter> previous = SetPrinter(std::move(own));
  EXPECT_EQ(previous.get(), &global);
  EXPECT_EQ(&Printer(), ownPtr);
  Printer().BeginDoc("running");
  // The viewer drops its printer: the running job is aborted.
  RestorePrinter(std::move(previous));
  EXPECT_EQ(&Printer(), &global);
  EXPECT_EQ(log.calls.back(), "AbortDoc");
  // Module clean-up ends a running document before destroying the printer.
  Printer().BeginDoc("at exit");
  DonePrinterModule();
  EXPECT_EQ(log.calls.back(), "EndDoc");
  EXPECT_EQ(log.contextsAlive, 0);
}

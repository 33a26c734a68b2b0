// The image library as the handler sees it: the real DLL, loaded by name and called through
// GetProcAddress, on files written by the platform's own encoders.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "resource_counts.h"
#include "samples/image_files.h"
#include "test_support.h"
#include "win32/unique_handle.h"

using image_files::Format;
using image_files::FramePattern;
using image_files::ImageParams;
using image_files::NearColour;
using image_files::PixelAt;
using image_files::Pixels;

namespace {

using FilekindFn = int(WINAPI*)(const char*);
using LoadimageFn = HBITMAP(WINAPI*)(const char*, int*, int*, int*, int*, int*);
using FreeimageFn = BOOL(WINAPI*)(HBITMAP);

// What one Loadimage call gave back.
struct Loaded {
    win32::unique_hbitmap bitmap;
    int width;
    int height;
    int imageWidth;
    int imageHeight;
    int bits;
};

class ImageLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        m_library.reset(LoadLibraryA("Zuzazavuro.dll"));
        ASSERT_TRUE(m_library) << "error " << GetLastError();
        m_filekind = reinterpret_cast<FilekindFn>(GetProcAddress(m_library.get(), "Filekind"));
        m_loadimage = reinterpret_cast<LoadimageFn>(GetProcAddress(m_library.get(), "Loadimage"));
        m_freeimage = reinterpret_cast<FreeimageFn>(GetProcAddress(m_library.get(), "Freeimage"));
        ASSERT_TRUE(m_filekind && m_loadimage && m_freeimage);
    }

    std::string Write(const std::string& name, const ImageParams& params) {
        const std::string path = m_dir / name;
        EXPECT_TRUE(image_files::WriteImage(path, params)) << name;
        return path;
    }

    int Kind(const std::string& path) const { return m_filekind(path.c_str()); }

    Loaded Load(const std::string& path, int boxWidth = 150, int boxHeight = 150) const {
        Loaded loaded = {};
        loaded.width = boxWidth;
        loaded.height = boxHeight;
        loaded.bitmap.reset(m_loadimage(path.c_str(), &loaded.width, &loaded.height, &loaded.imageWidth,
                                        &loaded.imageHeight, &loaded.bits));
        return loaded;
    }

    // Loads a width x height PNG into the box and checks the thumbnail's size, the source's size
    // and that the bitmap really has the size written back.
    void ExpectFit(int width, int height, int boxWidth, int boxHeight, int thumbWidth, int thumbHeight) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " in " + std::to_string(boxWidth) + "x" +
                     std::to_string(boxHeight));
        const Loaded loaded = Load(Write("fit.png", {Format::Png, width, height}), boxWidth, boxHeight);
        ASSERT_TRUE(loaded.bitmap);
        EXPECT_EQ(loaded.width, thumbWidth);
        EXPECT_EQ(loaded.height, thumbHeight);
        EXPECT_EQ(loaded.imageWidth, width);
        EXPECT_EQ(loaded.imageHeight, height);
        DIBSECTION dib = {};
        ASSERT_EQ(GetObject(loaded.bitmap.get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib))) << "a DIB section";
        EXPECT_EQ(dib.dsBm.bmWidth, thumbWidth);
        EXPECT_EQ(std::abs(dib.dsBm.bmHeight), thumbHeight);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    }

    // The thumbnail shows frame `frame`'s pattern: its left colour a quarter of the way across
    // and its right colour three quarters across.
    static void ExpectPattern(const Loaded& loaded, int frame = 0, int tolerance = 24) {
        ASSERT_TRUE(loaded.bitmap);
        const int y = loaded.height / 2;
        EXPECT_PRED3(NearColour, PixelAt(loaded.bitmap.get(), loaded.width / 4, y), FramePattern(frame).left,
                     tolerance);
        EXPECT_PRED3(NearColour, PixelAt(loaded.bitmap.get(), loaded.width * 3 / 4, y), FramePattern(frame).right,
                     tolerance);
    }

    test_support::ScopedTempDir m_dir;
    win32::unique_hmodule m_library;
    FilekindFn m_filekind = nullptr;
    LoadimageFn m_loadimage = nullptr;
    FreeimageFn m_freeimage = nullptr;
};

const char* Extension(Format format) {
    switch (format) {
        case Format::Jpeg: return ".jpg";
        case Format::Png: return ".png";
        case Format::Bmp: return ".bmp";
        case Format::Gif: return ".gif";
        case Format::Tiff: break;
    }
    return ".tif";
}

// Each format in a pixel format its encoder takes.
const ImageParams kStillImages[] = {
    {Format::Jpeg, 60, 40, Pixels::Bgr24}, {Format::Png, 60, 40, Pixels::Bgr24},
    {Format::Bmp, 60, 40, Pixels::Bgr24},  {Format::Gif, 60, 40, Pixels::Indexed8},
    {Format::Tiff, 60, 40, Pixels::Bgr24},
};

using ZuzazavuroFileKind = ImageLibrary;

TEST_F(ZuzazavuroFileKind, StillImageOfEveryFormatIsOne) {
    for (const ImageParams& params : kStillImages) {
        SCOPED_TRACE(Extension(params.format));
        EXPECT_EQ(Kind(Write(std::string("still") + Extension(params.format), params)), 1);
    }
}

TEST_F(ZuzazavuroFileKind, AnimatedGifAndMultiPageTiffAreTwo) {
    EXPECT_EQ(Kind(Write("anim.gif", {Format::Gif, 40, 30, Pixels::Indexed8, 3})), 2);
    EXPECT_EQ(Kind(Write("two.gif", {Format::Gif, 40, 30, Pixels::Indexed8, 2})), 2);
    EXPECT_EQ(Kind(Write("pages.tif", {Format::Tiff, 40, 30, Pixels::Bgr24, 3})), 2);
}

TEST_F(ZuzazavuroFileKind, ContentDecidesNotTheExtension) {
    const std::string text = m_dir / "text.jpg";
    ASSERT_TRUE(test_support::WriteWholeFile(text, "not a picture, only words\r\n"));
    EXPECT_EQ(Kind(text), 0);
    EXPECT_EQ(Kind(Write("png.jpg", {Format::Png, 40, 30})), 1);
    EXPECT_EQ(Kind(Write("jpeg.txt", {Format::Jpeg, 40, 30})), 1);
    EXPECT_EQ(Kind(Write("no_extension", {Format::Bmp, 40, 30})), 1);
    EXPECT_EQ(Kind(Write("anim.bmp", {Format::Gif, 40, 30, Pixels::Indexed8, 3})), 2);
}

TEST_F(ZuzazavuroFileKind, NothingDecodableIsZero) {
    const std::string empty = m_dir / "empty.png";
    ASSERT_TRUE(image_files::WriteEmptyFile(empty));
    EXPECT_EQ(Kind(empty), 0);
    EXPECT_EQ(Kind(m_dir / "missing.jpg"), 0);
    EXPECT_EQ(Kind(m_dir / "no folder\\missing.jpg"), 0);
    EXPECT_EQ(Kind(m_dir.path()), 0) << "a folder";
    EXPECT_EQ(m_filekind(""), 0);
    EXPECT_EQ(m_filekind(nullptr), 0);
}

using ZuzazavuroThumbnailSize = ImageLibrary;

// 1024 x 768 gives 150 x 112.5: halves round up.
TEST_F(ZuzazavuroThumbnailSize, LandscapeFillsTheBoxWidthWithHeightRoundedToNearest) {
    ExpectFit(1024, 768, 150, 150, 150, 113);
    ExpectFit(300, 200, 150, 150, 150, 100);
    ExpectFit(151, 150, 150, 150, 150, 149);
    ExpectFit(400, 133, 150, 150, 150, 50);
}

TEST_F(ZuzazavuroThumbnailSize, PortraitFillsTheBoxHeight) {
    ExpectFit(600, 900, 150, 150, 100, 150);
    ExpectFit(768, 1024, 150, 150, 113, 150);
    ExpectFit(150, 151, 150, 150, 149, 150);
}

TEST_F(ZuzazavuroThumbnailSize, ImageWithinTheBoxIsNeverEnlarged) {
    ExpectFit(100, 50, 150, 150, 100, 50);
    ExpectFit(150, 150, 150, 150, 150, 150);
    ExpectFit(150, 20, 150, 150, 150, 20);
    ExpectFit(1, 1, 150, 150, 1, 1);
}

TEST_F(ZuzazavuroThumbnailSize, ThinImageKeepsAtLeastOnePixel) {
    ExpectFit(1000, 2, 150, 150, 150, 1);
    ExpectFit(3, 900, 150, 150, 1, 150);
}

TEST_F(ZuzazavuroThumbnailSize, AnyBoxIsHonoured) {
    ExpectFit(1024, 768, 80, 40, 53, 40);
    ExpectFit(1024, 768, 300, 300, 300, 225);
    ExpectFit(100, 50, 200, 10, 20, 10);
}

TEST_F(ZuzazavuroThumbnailSize, JpegAndMultiFrameFilesAreFittedToo) {
    const Loaded jpeg = Load(Write("big.jpg", {Format::Jpeg, 1024, 768}));
    ASSERT_TRUE(jpeg.bitmap);
    EXPECT_EQ(jpeg.width, 150);
    EXPECT_EQ(jpeg.height, 113);
    const Loaded gif = Load(Write("anim.gif", {Format::Gif, 600, 900, Pixels::Indexed8, 3}));
    ASSERT_TRUE(gif.bitmap);
    EXPECT_EQ(gif.width, 100);
    EXPECT_EQ(gif.height, 150);
}

using ZuzazavuroBitsPerPixel = ImageLibrary;

TEST_F(ZuzazavuroBitsPerPixel, AreThoseOfTheSourcePixelFormat) {
    const struct {
        ImageParams params;
        int bits;
    } cases[] = {
        {{Format::Jpeg, 40, 30, Pixels::Bgr24}, 24},     {{Format::Bmp, 40, 30, Pixels::Bgr24}, 24},
        {{Format::Png, 40, 30, Pixels::Bgr24}, 24},      {{Format::Tiff, 40, 30, Pixels::Bgr24}, 24},
        {{Format::Png, 40, 30, Pixels::Bgra32}, 32},     {{Format::Tiff, 40, 30, Pixels::Bgra32}, 32},
        {{Format::Bmp, 40, 30, Pixels::Bgr32}, 32},      {{Format::Gif, 40, 30, Pixels::Indexed8}, 8},
        {{Format::Png, 40, 30, Pixels::Indexed8}, 8},    {{Format::Bmp, 40, 30, Pixels::Indexed8}, 8},
        {{Format::Tiff, 40, 30, Pixels::Indexed8}, 8},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "bits" + std::to_string(n++) + Extension(c.params.format);
        SCOPED_TRACE(name + " of " + std::to_string(c.bits) + " bits");
        const Loaded loaded = Load(Write(name, c.params));
        ASSERT_TRUE(loaded.bitmap);
        EXPECT_EQ(loaded.bits, c.bits);
    }
}

using ZuzazavuroThumbnailPixels = ImageLibrary;

TEST_F(ZuzazavuroThumbnailPixels, ShowThePatternOnItsSidesInEveryFormat) {
    for (const ImageParams& still : kStillImages) {
        for (const auto& size : {std::make_pair(600, 400), std::make_pair(300, 600), std::make_pair(60, 40)}) {
            ImageParams params = still;
            params.width = size.first;
            params.height = size.second;
            SCOPED_TRACE(std::to_string(params.width) + "x" + std::to_string(params.height) + Extension(params.format));
            ExpectPattern(Load(Write(std::string("pattern") + Extension(params.format), params)));
        }
    }
}

TEST_F(ZuzazavuroThumbnailPixels, AlphaAndPaletteSourcesShowTheirColours) {
    ExpectPattern(Load(Write("alpha.png", {Format::Png, 400, 300, Pixels::Bgra32})));
    ExpectPattern(Load(Write("palette.png", {Format::Png, 400, 300, Pixels::Indexed8})));
    ExpectPattern(Load(Write("palette.bmp", {Format::Bmp, 400, 300, Pixels::Indexed8})));
    ExpectPattern(Load(Write("bgr32.bmp", {Format::Bmp, 400, 300, Pixels::Bgr32})));
}

TEST_F(ZuzazavuroThumbnailPixels, MultiFrameFilesShowTheirFirstFrame) {
    ExpectPattern(Load(Write("anim.gif", {Format::Gif, 300, 200, Pixels::Indexed8, 3})), 0);
    ExpectPattern(Load(Write("pages.tif", {Format::Tiff, 300, 200, Pixels::Bgr24, 3})), 0);
}

using ZuzazavuroBadInput = ImageLibrary;

TEST_F(ZuzazavuroBadInput, CorruptJpegIsRefusedWithoutACrash) {
    const std::string path = m_dir / "corrupt.jpg";
    ASSERT_TRUE(image_files::WriteCorruptJpeg(path, 300, 200));
    const int kind = Kind(path);
    const Loaded loaded = Load(path);
    EXPECT_TRUE(kind == 0 || !loaded.bitmap) << "kind " << kind;
}

TEST_F(ZuzazavuroBadInput, EmptyTextAndMissingFilesGiveNoThumbnail) {
    const std::string empty = m_dir / "empty.jpg";
    const std::string text = m_dir / "text.png";
    ASSERT_TRUE(image_files::WriteEmptyFile(empty));
    ASSERT_TRUE(test_support::WriteWholeFile(text, "plain text"));
    EXPECT_FALSE(Load(empty).bitmap);
    EXPECT_FALSE(Load(text).bitmap);
    EXPECT_FALSE(Load(m_dir / "missing.png").bitmap);
}

TEST_F(ZuzazavuroBadInput, NullPointersAndEmptyBoxesGiveNull) {
    const std::string path = Write("good.png", {Format::Png, 40, 30});
    int w = 150, h = 150, iw = 0, ih = 0, bits = 0;
    EXPECT_EQ(m_loadimage(nullptr, &w, &h, &iw, &ih, &bits), nullptr);
    EXPECT_EQ(m_loadimage(path.c_str(), nullptr, &h, &iw, &ih, &bits), nullptr);
    EXPECT_EQ(m_loadimage(path.c_str(), &w, nullptr, &iw, &ih, &bits), nullptr);
    EXPECT_EQ(m_loadimage(path.c_str(), &w, &h, nullptr, &ih, &bits), nullptr);
    EXPECT_EQ(m_loadimage(path.c_str(), &w, &h, &iw, nullptr, &bits), nullptr);
    EXPECT_EQ(m_loadimage(path.c_str(), &w, &h, &iw, &ih, nullptr), nullptr);
    EXPECT_FALSE(Load(path, 0, 150).bitmap);
    EXPECT_FALSE(Load(path, 150, 0).bitmap);
    EXPECT_FALSE(Load(path, -150, 150).bitmap);
    EXPECT_FALSE(Load(path, 150, -1).bitmap);
    EXPECT_TRUE(Load(path).bitmap) << "the same file with good arguments";
}

TEST_F(ZuzazavuroBadInput, FreeimageDeletesBitmapsOnly) {
    Loaded loaded = Load(Write("good.png", {Format::Png, 40, 30}));
    ASSERT_TRUE(loaded.bitmap);
    const HBITMAP bitmap = loaded.bitmap.release();
    EXPECT_TRUE(m_freeimage(bitmap));
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "deleted";
    EXPECT_FALSE(m_freeimage(nullptr));
    const win32::unique_hbrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    EXPECT_FALSE(m_freeimage(reinterpret_cast<HBITMAP>(brush.get())));
    EXPECT_EQ(GetObjectType(brush.get()), static_cast<DWORD>(OBJ_BRUSH)) << "left alone";
}

// Each case runs on a thread of its own, set up in the COM state under test, and records what
// it saw for the main thread to check.
class ZuzazavuroComState : public ImageLibrary {
protected:
    struct Seen {
        int kind = -1;
        bool thumbnail = false;
        HRESULT apartment = E_FAIL;
        APTTYPE type = APTTYPE_CURRENT;
        HRESULT reinitialised = E_FAIL;
    };

    // On a new thread: enters `initial` (or nothing for -1), calls both exports, reads the
    // apartment, leaves it once and then enters `probe`, which gives S_OK only if the thread
    // was left with no COM at all.
    Seen Run(int initial, DWORD probe) {
        const std::string path = Write("com.png", {Format::Png, 300, 200});
        Seen seen;
        test_support::Thread([&] {
            if (initial >= 0 && FAILED(CoInitializeEx(nullptr, static_cast<DWORD>(initial)))) return;
            seen.kind = Kind(path);
            seen.thumbnail = static_cast<bool>(Load(path).bitmap);
            APTTYPEQUALIFIER qualifier;
            seen.apartment = CoGetApartmentType(&seen.type, &qualifier);
            if (initial >= 0) CoUninitialize();
            seen.reinitialised = CoInitializeEx(nullptr, probe);
            if (SUCCEEDED(seen.reinitialised)) CoUninitialize();
        }).join();
        return seen;
    }
};

TEST_F(ZuzazavuroComState, ThreadWithoutComIsLeftWithoutCom) {
    const Seen seen = Run(-1, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(seen.kind, 1);
    EXPECT_TRUE(seen.thumbnail);
    EXPECT_EQ(seen.reinitialised, S_OK) << "S_FALSE would mean the library left COM initialised";
}

TEST_F(ZuzazavuroComState, SingleThreadedApartmentStaysSingleThreaded) {
    const Seen seen = Run(COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED);
    EXPECT_EQ(seen.kind, 1);
    EXPECT_TRUE(seen.thumbnail);
    ASSERT_EQ(seen.apartment, S_OK);
    EXPECT_TRUE(seen.type == APTTYPE_STA || seen.type == APTTYPE_MAINSTA) << seen.type;
    EXPECT_EQ(seen.reinitialised, S_OK) << "one CoUninitialize must leave the thread without COM";
}

TEST_F(ZuzazavuroComState, MultiThreadedApartmentStaysMultiThreaded) {
    const Seen seen = Run(COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(seen.kind, 1);
    EXPECT_TRUE(seen.thumbnail);
    ASSERT_EQ(seen.apartment, S_OK);
    EXPECT_EQ(seen.type, APTTYPE_MTA);
    EXPECT_EQ(seen.reinitialised, S_OK) << "one CoUninitialize must leave the thread without COM";
}

using test_support::CountResources;

using ZuzazavuroBitmapLifetime = ImageLibrary;

TEST_F(ZuzazavuroBitmapLifetime, BitmapOutlivesTheUnloadedLibrary) {
    Loaded loaded = Load(Write("keep.png", {Format::Png, 300, 200}));
    ASSERT_TRUE(loaded.bitmap);
    m_library.reset();
    ASSERT_EQ(GetModuleHandleA("Zuzazavuro.dll"), nullptr) << "unloaded";

    BITMAP info = {};
    ASSERT_EQ(GetObject(loaded.bitmap.get(), sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 150);
    EXPECT_EQ(std::abs(info.bmHeight), 100);
    // Drawn the way the handler draws it: selected into a memory device context.
    const win32::unique_mem_dc dc(CreateCompatibleDC(nullptr));
    {
        const win32::scoped_select select(dc.get(), loaded.bitmap.get());
        EXPECT_PRED3(NearColour, GetPixel(dc.get(), 30, 50), FramePattern(0).left, 8);
        EXPECT_PRED3(NearColour, GetPixel(dc.get(), 120, 50), FramePattern(0).right, 8);
    }
    EXPECT_TRUE(DeleteObject(loaded.bitmap.release()));
}

TEST_F(ZuzazavuroBitmapLifetime, RepeatedLoadsLeakNoGdiObjects) {
    const std::string path = Write("repeat.png", {Format::Png, 320, 240});
    ASSERT_TRUE(Load(path).bitmap) << "first use, which may set up objects the process keeps";
    const win32::unique_hbrush probe(CreateSolidBrush(RGB(1, 2, 3)));
    const DWORD before = CountResources().gdiObjects;
    ASSERT_GT(before, 0u) << "the count sees at least the probe";
    for (int i = 0; i < 300; ++i) {
        Loaded loaded = Load(path);
        ASSERT_TRUE(loaded.bitmap) << "call " << i;
        ASSERT_TRUE(DeleteObject(loaded.bitmap.release())) << "call " << i;
    }
    // One object kept per call would show as hundreds.
    EXPECT_LE(CountResources().gdiObjects, before + 5);
}

}  // namespace

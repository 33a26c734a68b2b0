#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "handler/pmenu.h"
#include "preview/preview_item.h"
#include "win32/unique_handle.h"

using dravik::CPMenu;

namespace {

constexpr UINT kPreviewId = 42;
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kPicture = RGB(10, 120, 200);

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = kWhite) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<DWORD*>(bits);
        m_dc.reset(CreateCompatibleDC(nullptr));
        m_previous = SelectObject(m_dc.get(), m_bitmap.get());
        for (int i = 0; i < width * height; ++i) m_bits[i] = Pack(fill);
    }
    ~Canvas() { SelectObject(m_dc.get(), m_previous); }

    HDC dc() const { return m_dc.get(); }
    HBITMAP Detach() {
        SelectObject(m_dc.get(), m_previous);
        m_previous = nullptr;
        return m_bitmap.release();
    }
    COLORREF at(int x, int y) const {
        const DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool RowsEqual(const Canvas& other, int top, int bottom) const {
        return memcmp(m_bits + top * m_width, other.m_bits + top * m_width, (bottom - top) * m_width * 4) == 0;
    }
    // True when every pixel of the rectangle has the colour.
    bool Filled(RECT r, COLORREF colour) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (at(x, y) != colour) return false;
        return true;
    }

private:
    static DWORD Pack(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

    int m_width, m_height;
    DWORD* m_bits = nullptr;
    win32::unique_hbitmap m_bitmap;
    win32::unique_mem_dc m_dc;
    HGDIOBJ m_previous = nullptr;
};

class PreviewDraw : public ::testing::Test {
protected:
    void GiveThumbnail(int width, int height) {
        Canvas thumbnail(width, height, kPicture);
        menu.m_previewBitmap.reset(thumbnail.Detach());
        menu.m_previewWidth = width;
        menu.m_previewHeight = height;
    }

    LRESULT Draw(Canvas& canvas, RECT item, UINT id = kPreviewId) {
        SetTextColor(canvas.dc(), RGB(0, 0, 0));
        SetBkMode(canvas.dc(), TRANSPARENT);
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemID = id;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.hDC = canvas.dc();
        draw.rcItem = item;
        LRESULT result = 0;
        EXPECT_EQ(menu.OnDrawItem(&draw, &result), S_OK);
        return result;
    }

    // The two caption lines as DrawText puts them in the given rectangles, on white.
    static void DrawExpectedCaptions(Canvas& canvas, RECT name, const char* size) {
        SetTextColor(canvas.dc(), RGB(0, 0, 0));
        SetBkMode(canvas.dc(), TRANSPARENT);
        DrawTextA(canvas.dc(), dravik::g_selFileName.get().c_str(), -1, &name, DT_CENTER | DT_SINGLELINE);
        OffsetRect(&name, 0, 16);
        DrawTextA(canvas.dc(), size, -1, &name, DT_CENTER | DT_SINGLELINE);
    }

    // The picture lies on (x, y, x + w, y + h): a sunken frame around the thumbnail's colour,
    // white just outside.
    static void ExpectPicture(const Canvas& canvas, int x, int y, int w, int h) {
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        EXPECT_TRUE(canvas.Filled({x + 1, y + 1, x + w - 1, y + h - 1}, kPicture)) << "inside";
        EXPECT_TRUE(canvas.Filled({x, y, x + w - 1, y + 1}, shadow)) << "top edge";
        EXPECT_TRUE(canvas.Filled({x, y, x + 1, y + h - 1}, shadow)) << "left edge";
        EXPECT_TRUE(canvas.Filled({x + w - 1, y, x + w, y + h}, highlight)) << "right edge";
        EXPECT_TRUE(canvas.Filled({x, y + h - 1, x + w, y + h}, highlight)) << "bottom edge";
        EXPECT_TRUE(canvas.Filled({x - 1, y - 1, x + w + 1, y}, kWhite)) << "above";
        EXPECT_TRUE(canvas.Filled({x - 1, y, x, y + h}, kWhite)) << "left of it";
        EXPECT_TRUE(canvas.Filled({x + w, y, x + w + 1, y + h}, kWhite)) << "right of it";
        EXPECT_TRUE(canvas.Filled({x - 1, y + h, x + w + 1, y + h + 1}, kWhite)) << "below";
    }

    void SetUp() override {
        menu.m_previewCmdId = kPreviewId;
        menu.m_imageWidth = 1024;
        menu.m_imageHeight = 768;
        menu.m_imageBits = 24;
        dravik::g_selFileName.assign("harbour.jpg");
    }

    CPMenu menu;
};

TEST_F(PreviewDraw, ThumbnailSmallerThanTheRoomIsDrawnUnscaledAndCentred) {
    GiveThumbnail(150, 100);
    Canvas canvas(200, 160), expected(200, 160);
    EXPECT_EQ(Draw(canvas, {0, 0, 200, 145}), TRUE);

    ExpectPicture(canvas, 25, 15, 150, 100);
    DrawExpectedCaptions(expected, {0, 118, 200, 132}, "1024x768x24Bit");
    ASSERT_FALSE(expected.Filled({0, 118, 200, 132}, kWhite)) << "the name line has text";
    ASSERT_FALSE(expected.Filled({0, 134, 200, 148}, kWhite)) << "the size line has text";
    EXPECT_TRUE(canvas.RowsEqual(expected, 116, 160)) << "name line at 118..132, size line at 134..148";
    EXPECT_EQ(GetStretchBltMode(canvas.dc()), COLORONCOLOR);
}

TEST_F(PreviewDraw, WideThumbnailIsShrunkToTheRoomWidthKeepingItsProportions) {
    GiveThumbnail(150, 100);
    Canvas canvas(150, 160), expected(150, 160);
    Draw(canvas, {0, 0, 150, 145});

    ExpectPicture(canvas, 5, 18, 140, 93);
    DrawExpectedCaptions(expected, {0, 114, 150, 128}, "1024x768x24Bit");
    EXPECT_TRUE(canvas.RowsEqual(expected, 112, 160));
}

TEST_F(PreviewDraw, TallThumbnailIsShrunkToTheRoomHeightKeepingItsProportions) {
    GiveThumbnail(100, 150);
    Canvas canvas(100, 200);
    Draw(canvas, {0, 0, 100, 195});
    ExpectPicture(canvas, 5, 22, 90, 135);
}

TEST_F(PreviewDraw, PictureIsPlacedRelativeToTheItemRectangle) {
    GiveThumbnail(150, 100);
    Canvas canvas(260, 220), expected(260, 220);
    Draw(canvas, {30, 40, 230, 185});
    ExpectPicture(canvas, 55, 55, 150, 100);
    DrawExpectedCaptions(expected, {30, 158, 230, 172}, "1024x768x24Bit");
    EXPECT_TRUE(canvas.RowsEqual(expected, 156, 220));
}

TEST_F(PreviewDraw, CaptionUsesTheDeviceContextsColoursAndLeavesThemAlone) {
    GiveThumbnail(150, 100);
    Canvas canvas(200, 160);
    SetTextColor(canvas.dc(), RGB(0, 0, 0));
    SetBkColor(canvas.dc(), RGB(1, 2, 3));
    Draw(canvas, {0, 0, 200, 145});
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(canvas.dc()), RGB(1, 2, 3));
    EXPECT_EQ(GetBkMode(canvas.dc()), TRANSPARENT);
}

TEST_F(PreviewDraw, OtherItemsAndMissingOrEmptyThumbnailsDrawNothingButAnswerTrue) {
    Canvas canvas(200, 160);
    EXPECT_EQ(Draw(canvas, {0, 0, 200, 145}), TRUE) << "no thumbnail";

    GiveThumbnail(150, 100);
    EXPECT_EQ(Draw(canvas, {0, 0, 200, 145}, kPreviewId + 1), TRUE) << "another item";

    menu.m_previewWidth = 0;
    EXPECT_EQ(Draw(canvas, {0, 0, 200, 145}), TRUE) << "zero width";
    menu.m_previewWidth = 150;
    menu.m_previewHeight = -5;
    EXPECT_EQ(Draw(canvas, {0, 0, 200, 145}), TRUE) << "negative height";

    EXPECT_TRUE(canvas.Filled({0, 0, 200, 160}, kWhite));
}

TEST_F(PreviewDraw, ItemWithoutRoomForAPictureDrawsNothingOutsideIt) {
    GiveThumbnail(150, 100);
    Canvas canvas(60, 60);
    EXPECT_EQ(Draw(canvas, {20, 20, 25, 25}), TRUE);
    EXPECT_TRUE(canvas.Filled({0, 0, 60, 60}, kWhite));
}

class PreviewMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        savedWidth = dravik::g_lastPreviewWidth;
        savedHeight = dravik::g_lastPreviewHeight;
        menu.m_previewCmdId = kPreviewId;
    }
    void TearDown() override {
        dravik::g_lastPreviewWidth = savedWidth;
        dravik::g_lastPreviewHeight = savedHeight;
    }
    MEASUREITEMSTRUCT Measure(UINT id, LRESULT& result) {
        MEASUREITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = id;
        item.itemWidth = 7;
        item.itemHeight = 8;
        EXPECT_EQ(menu.OnMeasureItem(&item, &result), S_OK);
        return item;
    }

    CPMenu menu;
    int savedWidth = 0, savedHeight = 0;
};

TEST_F(PreviewMeasure, AnswersTheLastThumbnailSizePlusCaptionRoom) {
    dravik::g_lastPreviewWidth = 150;
    dravik::g_lastPreviewHeight = 100;
    LRESULT result = 0;
    const MEASUREITEMSTRUCT item = Measure(kPreviewId, result);
    EXPECT_EQ(item.itemWidth, 150u);
    EXPECT_EQ(item.itemHeight, 145u);
    EXPECT_EQ(result, TRUE);
}

TEST_F(PreviewMeasure, NonPositiveWidthFallsBackTo100AndIsRemembered) {
    dravik::g_lastPreviewWidth = 0;
    dravik::g_lastPreviewHeight = 100;
    LRESULT result = 0;
    EXPECT_EQ(Measure(kPreviewId, result).itemWidth, 100u);
    EXPECT_EQ(dravik::g_lastPreviewWidth, 100);

    dravik::g_lastPreviewWidth = -3;
    Measure(kPreviewId + 1, result);
    EXPECT_EQ(dravik::g_lastPreviewWidth, 100) << "the fallback applies before the item is looked at";
}

TEST_F(PreviewMeasure, OtherItemsAreLeftUntouched) {
    LRESULT result = 99;
    const MEASUREITEMSTRUCT item = Measure(kPreviewId + 1, result);
    EXPECT_EQ(item.itemWidth, 7u);
    EXPECT_EQ(item.itemHeight, 8u);
    EXPECT_EQ(result, 99);
}

}  // namespace

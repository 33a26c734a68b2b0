#include "preview/preview_item.h"

#include "handler/debug_log.h"
#include "handler/pmenu.h"

namespace dravik {
namespace {

// A sunken one-pixel frame on the outermost pixels of (x, y, cx, cy), drawn with brushes so
// that the device context's colours stay as the caller left them.
void DrawSunkenFrame(HDC dc, int x, int y, int cx, int cy) {
    const HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    const HBRUSH highlight = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    const RECT top = {x, y, x + cx - 1, y + 1};
    const RECT left = {x, y, x + 1, y + cy - 1};
    const RECT right = {x + cx - 1, y, x + cx, y + cy};
    const RECT bottom = {x, y + cy - 1, x + cx, y + cy};
    FillRect(dc, &top, shadow);
    FillRect(dc, &left, shadow);
    FillRect(dc, &right, highlight);
    FillRect(dc, &bottom, highlight);
}

void DrawCaption(HDC dc, RECT line, const char* text) { DrawTextA(dc, text, -1, &line, DT_CENTER | DT_SINGLELINE); }
// The file's name exactly, also where the ANSI code page cannot spell it.
void DrawCaption(HDC dc, RECT line, const wchar_t* text) { DrawTextW(dc, text, -1, &line, DT_CENTER | DT_SINGLELINE); }

}  // namespace

HRESULT CPMenu::OnMeasureItem(MEASUREITEMSTRUCT* item, LRESULT* result) {
    if (g_lastPreviewWidth <= 0) g_lastPreviewWidth = kMeasureFallbackWidth;
    if (item && static_cast<int>(item->itemID) == m_previewCmdId) {
        item->itemWidth = g_lastPreviewWidth;
        item->itemHeight = g_lastPreviewHeight + kItemHeightAllowance;
        if (result) *result = TRUE;
    }
    return S_OK;
}

HRESULT CPMenu::OnDrawItem(DRAWITEMSTRUCT* item, LRESULT* result) {
    const RECT rc = item ? item->rcItem : RECT{};
    const int itemW = rc.right - rc.left;
    const int itemH = rc.bottom - rc.top;
    // A thumbnail of no area cannot be scaled, and an item without room for a picture would get
    // one mirrored outside it: the entry then shows nothing.
    if (item && m_previewBitmap && static_cast<int>(item->itemID) == m_previewCmdId && m_previewWidth > 0 &&
        m_previewHeight > 0 && itemW > kHorizontalMargin && itemH > kVerticalAllowance) {
        DebugLog("rcItem w :%d h: %d ", itemW, itemH);

        double w = m_previewWidth, h = m_previewHeight;
        const double roomW = itemW - kHorizontalMargin;
        const double roomH = itemH - kVerticalAllowance;
        if (w >= roomW) {
            const double f = roomW / w;
            w *= f;
            h *= f;
        }
        if (h >= roomH) {
            const double f = roomH / h;
            h *= f;
            w *= f;
        }
        const int x = rc.left + static_cast<int>((itemW - w) * 0.5);
        const int y = rc.top + static_cast<int>((itemH - kCentringCut - h) * 0.5);
        const int dw = static_cast<int>(w);
        const int dh = static_cast<int>(h);

        if (win32::unique_mem_dc memory{CreateCompatibleDC(nullptr)}) {
            win32::scoped_select select(memory.get(), m_previewBitmap.get());
            SetStretchBltMode(item->hDC, COLORONCOLOR);
            StretchBlt(item->hDC, x, y, dw, dh, memory.get(), 0, 0, m_previewWidth, m_previewHeight, SRCCOPY);
        }

        RECT line = {rc.left, y + dh + kCaptionTop, rc.right, y + dh + kCaptionBottom};
        DrawCaption(item->hDC, line, g_selFileName.wide().c_str());
        OffsetRect(&line, 0, kCaptionStep);
        char size[64];
        std::snprintf(size, sizeof(size), "%dx%dx%dBit", m_imageWidth, m_imageHeight, m_imageBits);
        DrawCaption(item->hDC, line, size);

        DrawSunkenFrame(item->hDC, x, y, dw, dh);
        DebugLog(" xx = %d:%d yy = %d:%d  ", static_cast<int>(roomW), dw, static_cast<int>(roomH), dh);
    }
    if (result) *result = TRUE;
    return S_OK;
}

}  // namespace dravik

#include "frame_dlg.h"

#include <cstring>
#include <utility>

#include "capture_locks.h"
#include "capture_memory.h"
#include "capture_thread.h"
#include "caption_font.h"
#include "frame_geometry.h"
#include "messages.h"
#include "resource.h"
#include "win32/module_instance.h"

namespace zentap {

namespace {

constexpr char kFrameProperty[] = "Zentap capture frame";
const HANDLE kFrameMark = reinterpret_cast<HANDLE>(1);

}  // namespace

bool IsCaptureFrame(HWND window) { return window && GetPropA(window, kFrameProperty) == kFrameMark; }

CFrameDlg::~CFrameDlg() { DestroyWindow(); }

bool CFrameDlg::Create() {
    CreateDialogParamA(win32::this_module(), MAKEINTRESOURCEA(IDD_FRAME), nullptr, &CFrameDlg::DialogProc,
                       reinterpret_cast<LPARAM>(this));
    return m_hWnd != nullptr;
}

void CFrameDlg::DestroyWindow() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CFrameDlg::Abandon() {
    // A window whose thread has ended is gone, and its handle may name another window by now.
    if (m_hWnd && GetWindowLongPtrA(m_hWnd, DWLP_USER) == reinterpret_cast<LONG_PTR>(this)) {
        SetWindowLongPtrA(m_hWnd, DWLP_DLGPROC, 0);
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        RemovePropA(m_hWnd, kFrameProperty);
        ShowWindowAsync(m_hWnd, SW_HIDE);
    }
    m_hWnd = nullptr;
}

void CFrameDlg::MoveFrame(RECT r) {
    WriteLastAreaLocked(FromRect(r));
    if (m_hidden) {
        ShowWindow(m_hWnd, SW_HIDE);
        return;
    }

    const bool covered = IsCovered();
    // Only the part on the screen is outlined: the ring and the tab of the rest lie off the screen
    // anyway, and a window sized after any rectangle another process writes can be too large for
    // the window system. Clipped, every size below is small.
    ClipToScreen(r);
    InflateRect(&r, 1, 1);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const RECT previousBody = std::exchange(m_bodyRect, RECT{0, 0, w, h + m_tabHeight});
    NormalizeRect(m_bodyRect);
    if (w < m_tabWidth) r.right = r.left + m_tabWidth;

    RECT previousWindow = {};
    GetWindowRect(m_hWnd, &previousWindow);
    const int width = r.right - r.left;
    const int height = h + m_tabHeight;
    SetWindowPos(m_hWnd, HWND_TOPMOST, r.left, r.top - m_tabHeight, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    // Only a new size brings WM_SIZE. A rectangle narrower than the tab keeps the window as wide
    // as the tab, so its outline can change while the window's size does not.
    const bool sameSize = previousWindow.right - previousWindow.left == width &&
                          previousWindow.bottom - previousWindow.top == height;
    if (sameSize && !EqualRect(&previousBody, &m_bodyRect)) OnSize();
    if (covered) StayAboveAll();
}

// Looked at where the frame stands before it moves, where it has been painted. In the platform's
// z-order only another topmost window can be above the frame. Under Wine on an X server without a
// window manager the z-order keeps the frame on top while a window mapped after it is drawn over
// it: there the screen itself is the witness, one pixel of the tab that must show the frame's red.
bool CFrameDlg::IsCovered() const {
    if (!IsWindowVisible(m_hWnd)) return false;
    RECT frame = {};
    GetWindowRect(m_hWnd, &frame);
    for (HWND above = GetWindow(m_hWnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        RECT window = {}, common = {};
        if (IsWindowVisible(above) && GetWindowRect(above, &window) && IntersectRect(&common, &frame, &window))
            return true;
    }
    static const bool zOrderMayDifferFromTheScreen =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (!zOrderMayDifferFromTheScreen) return false;
    win32::unique_window_dc screen(nullptr);
    const COLORREF tabCorner = GetPixel(screen.get(), frame.left, frame.top);
    return tabCorner != CLR_INVALID && tabCorner != kFrameColour;
}

// Without a window manager (X servers with no manager, as in test benches) a window shown after
// the frame can end up drawn over it although the frame is topmost; leaving the topmost band and
// entering it again restacks the frame above everything.
void CFrameDlg::StayAboveAll() {
    constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kKeep);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, kKeep);
}

BOOL CFrameDlg::OnInitDialog() {
    SetPropA(m_hWnd, kFrameProperty, kFrameMark);
    OnSize();
    g_font = CreateCaptionFont();
    m_caption = std::strcmp(m_useType, kModeObject) == 0 ? kObjectCaption : kSelectCaption;
    return TRUE;
}

void CFrameDlg::OnSize() {
    win32::unique_hrgn region = BuildFrameRegion(m_bodyRect, m_tabWidth, m_tabHeight);
    // The window owns the region once it accepts it.
    if (SetWindowRgn(m_hWnd, region.get(), TRUE)) region.release();
}

BOOL CFrameDlg::OnEraseBkgnd(HDC dc) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    SetBkColor(dc, kFrameColour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);

    win32::scoped_select font(dc, g_font.get());
    SetTextColor(dc, kCaptionColour);
    const int length = lstrlenA(m_caption);
    RECT measured = {};
    DrawTextA(dc, m_caption, length, &measured, DT_CALCRECT);
    TextOutA(dc, 5, 2, m_caption, length);
    m_tabWidth = measured.right - measured.left + 10;
    return TRUE;
}

void CFrameDlg::OnDestroy() { g_font.reset(); }

LRESULT CFrameDlg::OnRectOk(WPARAM wParam, LPARAM lParam) {
    const POINT topLeft = UnpackCorner(wParam);
    const POINT bottomRight = UnpackCorner(static_cast<std::uintptr_t>(lParam));
    RECT r = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ClipToScreen(r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    // Nothing of an area wholly off the screen is left to grab.
    if ((width < 2 && height < 2) || width == 0 || height == 0) {
        ShowWindow(m_hWnd, SW_HIDE);
        return 0;
    }

    // The outline must not be part of the picture. It lies just outside the rectangle it
    // surrounds, so the frame leaves the screen (and comes back: two trips to the window system)
    // only when it stands over the area, that is for a choice other than the one it outlines.
    if (StandsOver(r)) ShowWindow(m_hWnd, SW_HIDE);
    win32::unique_window_dc screen(nullptr);
    win32::unique_mem_dc memory(CreateCompatibleDC(screen.get()));
    win32::unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        win32::scoped_select select(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
    }
    // A second choice in one capture replaces the first picture, which nobody can take any more.
    m_bitmap = std::move(bitmap);
    if (!IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOWNA);
    return 0;
}

// Whether a visible part of the frame (the tab or the outline, as its region cuts them) lies over
// the screen area.
bool CFrameDlg::StandsOver(const RECT& area) const {
    if (!IsWindowVisible(m_hWnd)) return false;
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    win32::unique_hrgn shape(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(m_hWnd, shape.get()) == ERROR) {
        RECT common = {};
        return IntersectRect(&common, &window, &area) != FALSE;
    }
    OffsetRgn(shape.get(), window.left, window.top);
    return RectInRegion(shape.get(), &area) != FALSE;
}

LRESULT CFrameDlg::OnRectHide(WPARAM, LPARAM) {
    m_hidden = true;
    return 0;
}

LRESULT CFrameDlg::OnUserMsg(WPARAM, LPARAM) { return 0; }

INT_PTR CALLBACK CFrameDlg::DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const CaptureThreadCallback callback;
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CFrameDlg*>(lParam);
        SetWindowLongPtrA(wnd, DWLP_USER, lParam);
        self->m_hWnd = wnd;
        return self->OnInitDialog();
    }
    // Messages before WM_INITDIALOG find no object yet.
    auto* self = reinterpret_cast<CFrameDlg*>(GetWindowLongPtrA(wnd, DWLP_USER));
    if (!self) return FALSE;
    // The handler may end the capture, and with it the object: none of its methods is running.
    if (message == kFrameRequestMessage) {
        if (const auto handler = self->m_onEndRequest) handler();
        return TRUE;
    }
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR CFrameDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        OnSize();
        return TRUE;
    case WM_ERASEBKGND:
        return Result(OnEraseBkgnd(reinterpret_cast<HDC>(wParam)));
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        RemovePropA(m_hWnd, kFrameProperty);
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        return FALSE;
    case WM_TIMER:
        if (const auto handler = m_onTimer) handler();
        return TRUE;
    case kFrameEscapeMessage:
        m_escapePressed = true;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    default:
        break;
    }
    // A name the registry refused has number 0, which must not catch WM_NULL.
    if (message == 0) return FALSE;
    if (message == g_rectOkMessage) return Result(OnRectOk(wParam, lParam));
    if (message == g_rectHideMessage) return Result(OnRectHide(wParam, lParam));
    if (message == g_userMessage) return Result(OnUserMsg(wParam, lParam));
    return FALSE;
}

INT_PTR CFrameDlg::Result(LRESULT value) {
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, value);
    return TRUE;
}

}  // namespace zentap

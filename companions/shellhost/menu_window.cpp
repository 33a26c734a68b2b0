#include "menu_window.h"

#include "context_menu_session.h"
#include "host_options.h"
#include "menu_text.h"
#include "samples/files.h"
#include "win32/unique_handle.h"
#include "win32/window_class.h"

namespace shellhost {
namespace {

constexpr char kClassName[] = "LumorexShellHost";
constexpr int kLeft = 24, kTop = 24, kWidth = 380;
constexpr int kHeaderHeight = 30, kRowHeight = 22, kPadding = 8;
// Where in the first row the right-click happens.
constexpr int kClickX = 170;
constexpr UINT_PTR kCloseTimer = 1;
// Posted when a menu opens, so that its layout is written once it is on the screen.
constexpr UINT kWriteLayoutMessage = WM_APP + 1;

// The name as a folder view lists it: a folder with its closing backslash.
std::wstring NameOf(const std::wstring& path) {
    std::wstring name = path.substr(ParentFolder(path).size());
    if (IsFolder(path) && name.back() != L'\\') name += L'\\';
    return name;
}

}  // namespace

MenuWindow::MenuWindow(ContextMenuSession& session, std::string layoutPath)
    : m_session(session), m_layoutPath(std::move(layoutPath)) {}

MenuWindow::~MenuWindow() {
    if (m_window) DestroyWindow(m_window);
}

bool MenuWindow::Show(const std::vector<std::wstring>& paths) {
    m_folder = ParentFolder(paths.front());
    for (const std::wstring& path : paths) m_names.push_back(NameOf(path));

    win32::register_window_class(kClassName, WindowProc, GetSysColorBrush(COLOR_WINDOW));

    RECT frame = {0, 0, kWidth, kHeaderHeight + static_cast<int>(m_names.size()) * kRowHeight + kPadding};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRect(&frame, style, FALSE);
    m_window = CreateWindowExA(0, kClassName, "Shell host", style, kLeft, kTop, frame.right - frame.left,
                               frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!m_window) return false;
    ShowWindow(m_window, SW_SHOW);
    UpdateWindow(m_window);
    return true;
}

UINT MenuWindow::Track(HMENU menu, DWORD timeoutMs) {
    POINT at = {kClickX, kHeaderHeight + kRowHeight / 2};
    ClientToScreen(m_window, &at);
    // The menu takes the keyboard and closes on a click elsewhere only while its owner is in
    // front.
    SetForegroundWindow(m_window);
    m_menu = menu;
    const UINT_PTR timer = SetTimer(m_window, kCloseTimer, timeoutMs, nullptr);
    const UINT picked = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y,
                                       0, m_window, nullptr);
    KillTimer(m_window, timer);
    m_menu = m_submenu = nullptr;
    return picked;
}

LRESULT CALLBACK MenuWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MenuWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<MenuWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self ? self->OnMessage(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MenuWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
        case WM_INITMENUPOPUP:
            if (reinterpret_cast<HMENU>(wParam) != m_menu) m_submenu = reinterpret_cast<HMENU>(wParam);
            PostMessageA(m_window, kWriteLayoutMessage, 0, 0);
            m_session.Forward(message, wParam, lParam, result);
            return 0;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            if (m_session.Forward(message, wParam, lParam, result)) return result;
            break;
        case WM_ENTERIDLE:
        case kWriteLayoutMessage:
            WriteLayout();
            return 0;
        case WM_TIMER:
            if (wParam == kCloseTimer) EndMenu();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            Paint(BeginPaint(m_window, &paint));
            EndPaint(m_window, &paint);
            return 0;
        }
    }
    return DefWindowProcA(m_window, message, wParam, lParam);
}

void MenuWindow::Paint(HDC dc) const {
    const win32::scoped_select font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT line = {kPadding, 0, kWidth - kPadding, kHeaderHeight};
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, m_folder.c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS);
    // Every listed item is selected: the view shows just the selection.
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    for (const std::wstring& name : m_names) {
        OffsetRect(&line, 0, line.bottom - line.top);
        line.bottom = line.top + kRowHeight;
        FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
        RECT text = line;
        text.left += 4;
        DrawTextW(dc, name.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
}

void MenuWindow::WriteLayout() const noexcept {
    if (m_layoutPath.empty() || !m_menu) return;
    try {
        samples::ReplaceWholeFile(m_layoutPath, MenuLayout(m_menu, m_submenu));
    } catch (...) {
        // Called from the menu's message loop: a layout that cannot be written stays as it was.
    }
}

}  // namespace shellhost

// The selection frame: a topmost red outline one pixel outside the area the user is about to
// choose, with a captioned tab on its upper-left corner. A window region cuts away everything
// else, so the screen beneath shows through and takes the clicks. When the choice is made the
// frame copies the chosen screen area into a bitmap. It is shown and moved without being activated:
// the keyboard stays with the application the user works in, whose thread must see Ctrl held at a
// Ctrl+click.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace zentap {

constexpr COLORREF kFrameColour = RGB(255, 50, 50);
constexpr COLORREF kCaptionColour = RGB(255, 255, 255);
constexpr char kObjectCaption[] = "zentap( ctrl-click )";
constexpr char kSelectCaption[] = "zentap( click + move + click )";

// Another thread of this process, or the frame's own, asks the frame's thread with this message to
// end the capture; the frame runs its end handler for it. Any process can send the number, so the
// handler itself makes sure that a request of this process is waiting.
constexpr UINT kFrameRequestMessage = WM_APP + 0x5A7;
// A keyboard hook that found the record locked posts this for Escape: the frame notes it, and the
// tracking tick writes the cancel once it has the lock.
constexpr UINT kFrameEscapeMessage = WM_APP + 0x5A8;

// Whether `window` is a frame of this module, in any process: the hooks tell or hide no other
// window, whatever the record names.
bool IsCaptureFrame(HWND window);

class CFrameDlg {
public:
    CFrameDlg() = default;
    virtual ~CFrameDlg();
    CFrameDlg(const CFrameDlg&) = delete;
    CFrameDlg& operator=(const CFrameDlg&) = delete;

    // Creates the window, hidden and without parent, from dialog template 23000 of the module that
    // holds this code. False when the window could not be created.
    bool Create();
    void DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Leaves the window to itself, from a thread that cannot destroy it: from then on it calls no
    // code of this object or module, and it is hidden. The object then owns no window.
    void Abandon();

    // Records r, unchanged, as the last area and outlines the part of it on the virtual screen.
    void MoveFrame(RECT r);

    // Hands the grabbed area to the caller, who owns it from then on; none when nothing was grabbed.
    HBITMAP TakeBitmap() { return m_bitmap.release(); }

    bool m_hidden = false;  // after the hide message every move hides the window
    bool m_escapePressed = false;  // an Escape the tick has not written yet
    win32::unique_hbitmap m_bitmap;
    // "select" or "object", set before Create, which alone reads it (for the caption): a caller's
    // text may go once Create has returned. Not a string object: the module would carry the C++
    // runtime's string code into every process its hooks reach.
    const char* m_useType = "object";
    int m_tabWidth = 120;
    int m_tabHeight = 14;
    // One of the two constant captions, chosen in the dialog procedure, where nothing may allocate.
    const char* m_caption = "";
    RECT m_bodyRect = {};  // the outlined rectangle plus the tab rows, in window coordinates
    // Run in the frame's thread: for its timer, and for kFrameRequestMessage (outside the object's
    // methods: it may destroy the frame and this object).
    void (*m_onTimer)() = nullptr;
    void (*m_onEndRequest)() = nullptr;

protected:
    virtual BOOL OnInitDialog();
    // Enter and Escape must never close the frame.
    virtual void OnOK() {}
    virtual void OnCancel() {}

    void OnSize();
    BOOL OnEraseBkgnd(HDC dc);
    void OnDestroy();
    LRESULT OnRectOk(WPARAM wParam, LPARAM lParam);
    LRESULT OnRectHide(WPARAM wParam, LPARAM lParam);
    LRESULT OnUserMsg(WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Result(LRESULT value);
    bool IsCovered() const;
    bool StandsOver(const RECT& area) const;
    void StayAboveAll();

    HWND m_hWnd = nullptr;
};

}  // namespace zentap

#include "capture_host.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "exports.h"
#include "handler_request.h"
#include "png_file.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace lumorex {

namespace {

constexpr char kCaptureSwitch[] = "/capture";
constexpr char kReportSwitch[] = "/report";
constexpr UINT kDoneMessage = WM_APP + 1;
constexpr UINT kCancelMessage = WM_APP + 2;

struct CaptureRequest {
    std::string useType;
    std::string picturePath;
    std::string reportPath;
};

// The command line's fields: separated by blanks, a double-quoted field may hold blanks.
std::vector<std::string> Fields(const char* commandLine) {
    std::vector<std::string> fields;
    const char* p = commandLine;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) return fields;
        std::string field;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                field += *p;
        }
        fields.push_back(field);
    }
}

bool ParseRequest(const char* commandLine, CaptureRequest& request) {
    const std::vector<std::string> fields = Fields(commandLine);
    if (fields.size() != 4 && fields.size() != 6) return false;
    if (fields[1] != kCaptureSwitch) return false;
    request.useType = fields[2];
    request.picturePath = fields[3];
    if (fields.size() == 6) {
        if (fields[4] != kReportSwitch) return false;
        request.reportPath = fields[5];
    }
    return true;
}

struct Outcome {
    CaptureExitCode code = kCaptureFailed;
    std::string status;
    int width = 0;
    int height = 0;
};

void WriteReport(const CaptureRequest& request, const Outcome& outcome) {
    if (request.reportPath.empty()) return;
    static const char* const kOutcomeNames[] = {"saved", "cancelled", "refused", "failed"};
    std::ofstream report(request.reportPath, std::ios::trunc);
    report << "outcome=" << kOutcomeNames[outcome.code] << "\nstatus=" << outcome.status
           << "\npicture=" << request.picturePath << "\nwidth=" << outcome.width << "\nheight=" << outcome.height
           << "\n";
}

// The window the module tells of the choice or the cancel. It ends the capture on either message,
// as the module expects of its host, and ends the message loop.
class NotifyWindow {
public:
    explicit NotifyWindow(const zentap::Exports& exports) : m_exports(exports) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &NotifyWindow::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LumorexCaptureHost";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, this);
    }
    ~NotifyWindow() {
        if (m_window) DestroyWindow(m_window);
    }
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    HWND get() const { return m_window; }

    // Dispatches messages until the module has told of the choice or the cancel; true for a choice.
    bool WaitForChoice() {
        MSG message;
        while (!m_ended && GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        return m_chosen;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && (message == kDoneMessage || message == kCancelMessage)) {
            self->End(message == kDoneMessage);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    // The cancel message repeats until the capture ends: only the first one counts.
    void End(bool chosen) {
        if (m_ended) return;
        m_ended = true;
        m_chosen = chosen;
        m_exports.unhookScreenShot();
    }

    const zentap::Exports& m_exports;
    HWND m_window = nullptr;
    bool m_ended = false;
    bool m_chosen = false;
};

Outcome Capture(const CaptureRequest& request) {
    Outcome outcome;
    // From beside this program only: loaded by bare name, a module planted in the working folder or
    // on the path would install its hooks in every process on the desktop.
    win32::unique_hmodule module(LoadLibraryW((OwnFolder() + win32::widen(zentap::kModuleFileName)).c_str()));
    zentap::Exports exports;
    if (!module || !exports.Bind(module.get())) return outcome;
    NotifyWindow notify(exports);
    if (!notify.get()) return outcome;

    outcome.status = exports.hookScreenShot(notify.get(), kDoneMessage, kCancelMessage, request.useType.c_str());
    if (outcome.status != zentap::kStatusOk) {
        outcome.code = kCaptureRefused;
        return outcome;
    }
    if (!notify.WaitForChoice()) {
        outcome.code = kCaptureCancelled;
        return outcome;
    }
    // The picture stays the module's: it is saved before the module goes.
    const HBITMAP picture = exports.getCurrentScreenBmp();
    BITMAP size = {};
    if (!picture || !GetObjectA(picture, sizeof(size), &size) || !SavePng(picture, request.picturePath))
        return outcome;
    outcome.code = kCaptureSaved;
    outcome.width = size.bmWidth;
    outcome.height = size.bmHeight;
    return outcome;
}

}  // namespace

bool IsCaptureCommand(const char* commandLine) {
    const std::vector<std::string> fields = Fields(commandLine);
    return fields.size() > 1 && fields[1] == kCaptureSwitch;
}

int HostCapture(const char* commandLine) {
    CaptureRequest request;
    if (!ParseRequest(commandLine, request)) return kCaptureFailed;
    const Outcome outcome = Capture(request);
    WriteReport(request, outcome);
    return outcome.code;
}

}  // namespace lumorex

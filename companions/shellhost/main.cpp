// ShellHost.exe: does for a selection what the shell does on a right-click. It looks up the
// handler registered as "Lumorex" for the selection's classes, creates it, hands it the shell's
// data object, shows the menu it builds among a few entries of the host's own, forwards the
// owner-draw messages, runs the entry picked and waits for what that started. With /report it
// writes what happened as "name=value" lines; with /layout it keeps the open menus' entry
// rectangles on the screen in a file, so that a program can point at them.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "context_menu_session.h"
#include "handler_lookup.h"
#include "host_options.h"
#include "menu_text.h"
#include "menu_window.h"
#include "samples/files.h"
#include "samples/shell_selection.h"
#include "started_processes.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace shellhost {
namespace {

constexpr char kHandlerName[] = "Lumorex";
// The host's own entries, around the handler's, numbered below the handler's range.
constexpr const char* kOwnEntries[] = {"Open", "Copy", "Properties"};
constexpr UINT kOwnEntriesBefore = 1;
constexpr UINT kFirstHandlerId = 0x100;
constexpr UINT kLastHandlerId = 0x7FFF;

constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFailed = 3;

class Report {
public:
    explicit Report(std::string path) : m_path(std::move(path)) {}
    void Add(const char* name, const std::string& value) { m_text += std::string(name) + "=" + value + "\n"; }
    void AddResult(const char* name, HRESULT hr) {
        char text[16];
        std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
        Add(name, text);
    }
    // Written once at the end, so that a reader who waits for the file finds all of it.
    void Write() const {
        if (!m_path.empty()) samples::ReplaceWholeFile(m_path, m_text);
    }

private:
    std::string m_path;
    std::string m_text;
};

win32::unique_hkey OpenClassKey(const std::string& className) {
    win32::unique_hkey key;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, className.c_str(), 0, KEY_READ, key.put());
    return key;
}

HMENU BuildMenu(ContextMenuSession& session, Report& report) {
    const HMENU menu = CreatePopupMenu();
    for (UINT i = 0; i < sizeof(kOwnEntries) / sizeof(kOwnEntries[0]); ++i)
        AppendMenuA(menu, MF_STRING, i + 1, kOwnEntries[i]);
    report.AddResult("query", session.AddEntries(menu, kOwnEntriesBefore, kFirstHandlerId, kLastHandlerId));
    report.Add("menu", DescribeMenu(menu, session));
    return menu;
}

int Run(const HostOptions& options, Report& report) {
    std::string selection;
    for (const std::wstring& path : options.paths) selection += win32::narrow(path) + "|";
    report.Add("selection", selection);

    ContextMenuSession session;
    const auto handler = FindContextMenuHandler(ClassesOfSelection(options.paths), kHandlerName);
    report.Add("handler", handler ? "HKCR\\" + handler->key + " = " + handler->value : "");
    if (handler) {
        const HRESULT created = session.Create(handler->clsid);
        report.AddResult("create", created);
        if (SUCCEEDED(created))
            report.AddResult("initialize", session.Initialize(options.paths, OpenClassKey(handler->className).get()));
    }

    MenuWindow window(session, options.layoutPath);
    if (!window.Show(options.paths)) return kExitFailed;
    const win32::unique_hmenu menu(BuildMenu(session, report));
    const UINT picked = window.Track(menu.get(), options.timeoutMs);

    const OwnerDrawAnswers& answers = session.answers();
    report.Add("forwarded", "initmenupopup " + std::to_string(answers.initMenuPopup) + ", measureitem " +
                                std::to_string(answers.measureItem) + ", drawitem " + std::to_string(answers.drawItem));
    if (answers.measureItem)
        report.Add("measured", DescribeEntry(menu.get(), answers.measuredId, session) + " " +
                                   std::to_string(answers.measuredWidth) + "x" +
                                   std::to_string(answers.measuredHeight));
    report.Add("picked", picked ? DescribeEntry(menu.get(), picked, session) : "");
    const StartedProcesses children;
    if (session.Owns(picked)) report.AddResult("invoke", session.Invoke(picked, window.handle()));
    session.Release();
    std::string started;
    for (const std::string& name : children.WaitForEnd(options.timeoutMs))
        started += (started.empty() ? "" : " ") + name;
    report.Add("started", started);
    return kExitDone;
}

}  // namespace
}  // namespace shellhost

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) try {
    shellhost::HostOptions options;
    int argc = 0;
    const std::unique_ptr<wchar_t*, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &argc), &LocalFree);
    const std::string error = argv ? shellhost::ParseHostOptions(argc, argv.get(), options) : "no command line";
    shellhost::Report report(options.reportPath);
    if (!error.empty()) {
        report.Add("error", error);
        report.Write();
        return shellhost::kExitUsage;
    }
    samples::ComApartment com;
    const int code = shellhost::Run(options, report);
    report.Write();
    return code;
} catch (...) {
    return shellhost::kExitFailed;
}

#include <optional>
#include <string>

#include "handler/command_tables.h"
#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "outside/image_library.h"
#include "win32/code_page.h"

namespace dravik {
namespace {

// Which folder the viewer's folder field names.
enum class FolderField {
    OfFirstItem,     // m_wideChoosePath, with its closing backslash
    AroundTheFolder  // the folder that holds the selected folder, without closing backslash
};

struct Command {
    const char* keyword = nullptr;  // null: the offset picks nothing
    FolderField folder = FolderField::OfFirstItem;
};

// The command at an offset of the menu that the selection got. sel is the offset on entry and
// counts the way the dispatch trace reports it on return.
Command CommandAt(const CPMenu& menu, int& sel) {
    if (menu.m_multi_selected == 1) {
        sel -= 1;
        if (sel >= 0 && sel < kMultiCommandCount) return {kMultiCommandTable[sel].keyword};
    }
    if (menu.m_IsSelType == kSelectionOther) return {};
    // The image's entries start at offset 1 whether or not it got a preview entry: one that no
    // ANSI path names has none.
    if (menu.m_IsSelType == kSelectionImage) sel -= 1;
    if (menu.m_IsSelType == kSelectionFolder) return {kFolderKeyword, FolderField::AroundTheFolder};
    if (menu.m_runType == kReducedMenuKind) return {kReducedKindKeyword};
    if (sel >= 0 && sel < kImageCommandCount) return {kCommandTable[kFirstImageCommandRow + sel].keyword};
    if (sel == kImageCommandCount) return {kCommandTable[kPreviewRow].keyword};
    return {};
}

}  // namespace

HRESULT CPMenu::RunCommand(CMINVOKECOMMANDINFO* info) {
    if (!info || !IS_INTRESOURCE(info->lpVerb)) return E_INVALIDARG;
    int sel = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    const Command command = CommandAt(*this, sel);
    if (command.keyword) {
        // The viewer acts on the names it reads back: without this selection's list it would act
        // on an earlier one.
        if (const std::optional<std::string> listField = BuildFileListString()) {
            if (command.folder == FolderField::AroundTheFolder) {
                std::wstring folder = m_wideCurFolder + win32::widen(*listField);
                std::string ansiFolder = m_curFolder + *listField;
                if (!folder.empty()) folder.pop_back();
                if (!ansiFolder.empty()) ansiFolder.pop_back();
                LaunchViewer(command.keyword, folder, ansiFolder, "");
            } else {
                LaunchViewer(command.keyword, m_wideChoosePath, m_choosePath, listField->c_str());
            }
        } else {
            DebugLog("file list not published: viewer not started");
        }
    }
    DebugLog("sel number (%d) ", sel);
    DebugLog("m_multi_selected number (%d) ", m_multi_selected);
    DebugLog("m_IsSelType number (%d) ", m_IsSelType);
    DebugLog("m_runType number (%d) ", m_runType);
    return S_OK;
}

HRESULT CPMenu::DescribeCommand(UINT_PTR idCmd, UINT flags, CHAR* name, UINT cchMax) {
    if (idCmd != 0 || !(flags & GCS_HELPTEXTA)) return E_INVALIDARG;
    // Success promises a text: an empty one, so that the shell never shows what its buffer held.
    if (name && cchMax > 0) {
        if (flags & GCS_UNICODE)
            reinterpret_cast<WCHAR*>(name)[0] = L'\0';
        else
            name[0] = '\0';
    }
    return S_OK;
}

}  // namespace dravik

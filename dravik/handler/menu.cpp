#include <windows.h>
#include <shlwapi.h>

#include <cstddef>
#include <optional>

#include "handler/command_tables.h"
#include "handler/menu.h"
#include "handler/pmenu.h"
#include "handler/settings.h"
#include "outside/image_library.h"
#include "win32/proc_address.h"

namespace dravik {
namespace {

// The item structure as it was before the item bitmap field, which every shell version takes.
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
#if !defined(_WIN64)
static_assert(kMenuItemInfoSize == 44, "MENUITEMINFOA without hbmpItem");
#endif
static_assert(sizeof(DLLVERSIONINFO) == 20, "DLLVERSIONINFO");

// shell32's version, when shell32 is loaded and answers.
std::optional<DLLVERSIONINFO> LoadedShellVersion() {
    const auto getVersion = win32::proc_address<DLLGETVERSIONPROC>(GetModuleHandleA("shell32"), "DllGetVersion");
    if (!getVersion) return std::nullopt;
    DLLVERSIONINFO version = {};
    version.cbSize = sizeof(version);
    if (FAILED(getVersion(&version))) return std::nullopt;
    return version;
}

// Whether a range of identifiers from first to last (both included) holds count of them.
bool RangeHolds(UINT first, UINT last, UINT count) { return last >= first && last - first >= count - 1; }

void InsertSeparator(HMENU menu, UINT position, UINT id) {
    InsertMenuA(menu, position, MF_BYPOSITION | MF_SEPARATOR, id, "");
}

// Marks the entry just inserted at position with the handler's bitmap, unless it was not inserted
// (the bitmap would then land on whatever entry holds that position).
void MarkEntry(HMENU menu, UINT position, HBITMAP mark, BOOL inserted) {
    if (inserted) SetMenuItemBitmaps(menu, position, MF_BYPOSITION, mark, mark);
}

// A submenu of count rows captioned in the language, numbered from firstId, inserted at position
// with the handler's bitmap.
void InsertCommandSubmenu(HMENU menu, UINT position, const char* caption, HBITMAP mark, const CommandRow* rows,
                          int count, UINT firstId, int language) {
    win32::unique_hmenu submenu(CreateMenu());
    if (!submenu) return;
    for (int k = 0; k < count; ++k)
        InsertMenuA(submenu.get(), k, MF_BYPOSITION | MF_STRING, firstId + k, rows[k].caption[language]);
    const BOOL inserted =
        InsertMenuA(menu, position, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()), caption);
    // From here the shell's menu owns the submenu and destroys it with itself.
    if (inserted) submenu.release();
    MarkEntry(menu, position, mark, inserted);
}

}  // namespace

PreviewItemKind PreviewItemKindFor(const DLLVERSIONINFO* shellVersion) {
    if (!shellVersion) return PreviewItemKind::Bitmap;
    if (shellVersion->dwMajorVersion <= 4 && shellVersion->dwMinorVersion < 71) return PreviewItemKind::None;
    return PreviewItemKind::OwnerDraw;
}

HRESULT CPMenu::AddMenuEntries(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) {
    const int language = m_language == kLanguageEnglish ? kLanguageEnglish : kLanguageKorean;
    const bool withPreview = m_previewBitmap && m_IsSelType == kSelectionImage;
    const bool folderOrReduced = m_IsSelType == kSelectionFolder || m_runType == kReducedMenuKind;

    // The value returned for each shape; the shape takes one identifier fewer.
    UINT result = 0;
    if (m_multi_selected == 1)
        result = kMultiCommandCount + 2;
    else if (m_IsSelType != kSelectionOther)
        result = (folderOrReduced ? 3 : kImageCommandCount + 3) + (withPreview ? 1 : 0);
    if (result == 0) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    // Identifiers past idCmdLast belong to the next handler, whose commands would run instead.
    if (!RangeHolds(idCmdFirst, idCmdLast, result - 1)) {
        m_previewCmdId = 0;
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    }

    UINT position = indexMenu;
    UINT id = idCmdFirst;
    InsertSeparator(menu, position++, id);

    if (m_multi_selected == 1) {
        InsertCommandSubmenu(menu, position, kCommandTable[kBrowserRow].caption[language], m_menuBitmap.get(),
                             kMultiCommandTable, kMultiCommandCount, id + 1, language);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, result);
    }

    if (folderOrReduced) {
        const char* caption =
            m_IsSelType == kSelectionFolder ? kCommandTable[kBrowserRow].caption[language] : kUnknownCommandCaption;
        MarkEntry(menu, position, m_menuBitmap.get(), InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, id, caption));
        position += 1;
        id += 1;
    } else {
        InsertCommandSubmenu(menu, position, kCommandTable[kManagerRow].caption[language], m_menuBitmap.get(),
                             &kCommandTable[kFirstImageCommandRow], kImageCommandCount, id + 1, language);
        position += 1;
        id += 1 + kImageCommandCount;
    }

    if (withPreview) {
        // Without the entry its identifier stays unused, but the closing separator stays right
        // after the handler's entries rather than after the shell's next one.
        m_previewCmdId = InsertPreviewItem(menu, position, id, idCmdLast, flags);
        if (m_previewCmdId) position += 1;
        id += 1;
    }
    InsertSeparator(menu, position, id);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, result);
}

int CPMenu::InsertPreviewItem(HMENU menu, UINT position, UINT commandId, UINT, UINT flags) {
    if (flags & CMF_DEFAULTONLY) return 0;
    const std::optional<DLLVERSIONINFO> version = LoadedShellVersion();
    const PreviewItemKind kind = PreviewItemKindFor(version ? &*version : nullptr);
    if (kind == PreviewItemKind::None) return 0;

    MENUITEMINFOA item = {};
    item.cbSize = kMenuItemInfoSize;
    item.fMask = MIIM_ID | MIIM_TYPE;
    item.wID = commandId;
    if (kind == PreviewItemKind::OwnerDraw) {
        item.fType = MFT_OWNERDRAW;
    } else {
        // A shell of unknown version may not draw for us: the thumbnail itself is the entry.
        item.fType = MFT_BITMAP;
        item.dwTypeData = reinterpret_cast<LPSTR>(m_previewBitmap.get());
    }
    InsertMenuItemA(menu, position, TRUE, &item);
    return static_cast<int>(commandId);
}

}  // namespace dravik

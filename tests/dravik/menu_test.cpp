#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "handler/menu.h"
#include "handler/pmenu.h"
#include "win32/unique_handle.h"

using dravik::CPMenu;
using Lines = std::vector<std::string>;

namespace {

constexpr UINT kFirstId = 100;

// Captions as the user reads them, English then Korean (UTF-8): the browser and manager entries,
// the nine image commands, then the six commands for several items.
const char* const kCaptions[][2] = {
    {"Lumorex Brower", u8"루모렉스 브라우저"}, {"Lumorex Manager", u8"루모렉스 매니저"},
    {"View", u8"보기"}, {"Edit", u8"편집"}, {"Rotate", u8"회전"}, {"Exposure", u8"노출"},
    {"Move to", u8"파일 이동"}, {"Convert", u8"이미지 변환"}, {"Print", u8"출력"}, {"Option", u8"환경 설정"},
    {"About", u8"루모렉스 정보"}, {"Rotate", u8"회전"}, {"Exposure", u8"노출"}, {"Move to", u8"파일 이동"},
    {"Convert", u8"이미지 변환"}, {"Presentation", u8"프리젠테이션"}, {"Batch Rename", u8"이름 모두 변경"},
};
constexpr int kImageRows = 2, kMultiRows = 11;

// The caption as the menu holds it: the Korean one in code page 949.
std::string Caption(int row, int language) {
    wchar_t wide[64] = {};
    char narrow[64] = {};
    MultiByteToWideChar(CP_UTF8, 0, kCaptions[row][language], -1, wide, 64);
    WideCharToMultiByte(language ? 949 : 1252, 0, wide, -1, narrow, 64, nullptr, nullptr);
    return narrow;
}

// One line per entry: "---@offset" a separator, "caption@offset" an item, "caption >" a submenu
// followed by its items indented, "(preview)@offset" the owner-drawn entry, "(bitmap)@offset" a
// bitmap entry; " *" marks the handler's bitmap. The shell's own entries show their caption.
void Describe(HMENU menu, HBITMAP mark, const std::string& indent, Lines& lines) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        char caption[128] = {};
        GetMenuStringA(menu, i, caption, sizeof(caption), MF_BYPOSITION);
        const std::string offset = info.wID < kFirstId ? "" : "@" + std::to_string(info.wID - kFirstId);
        std::string line = indent + (info.fType & MFT_SEPARATOR   ? "---" + offset
                                     : info.fType & MFT_OWNERDRAW ? "(preview)" + offset
                                     : info.fType & MFT_BITMAP    ? "(bitmap)" + offset
                                     : info.hSubMenu              ? std::string(caption) + " >"
                                                                  : caption + offset);
        if (info.hbmpChecked == mark && info.hbmpUnchecked == mark) line += " *";
        lines.push_back(line);
        if (info.hSubMenu) Describe(info.hSubMenu, mark, indent + "  ", lines);
    }
}

enum class Shape { Multi, Folder, ReducedKind, Image, None };

Lines Expected(Shape shape, bool preview, int language) {
    Lines lines = {"---@0"};
    auto submenu = [&](int captionRow, int firstRow, int count) {
        lines.push_back(Caption(captionRow, language) + " > *");
        for (int k = 0; k < count; ++k) lines.push_back("  " + Caption(firstRow + k, language) + "@" + std::to_string(k + 1));
    };
    switch (shape) {
        case Shape::Multi: submenu(0, kMultiRows, 6); return lines;
        case Shape::Folder: return {"---@0", Caption(0, language) + "@0 *", "---@1"};
        case Shape::ReducedKind: return {"---@0", "unknow command of lumorex@0 *", "(preview)@1", "---@2"};
        case Shape::Image: submenu(1, kImageRows, 9); break;
        case Shape::None: return {};
    }
    if (preview) lines.push_back("(preview)@10");
    lines.push_back("---@11");
    return lines;
}

// The shell's menu with two entries of its own; the handler adds its entries between them.
Lines BuildMenu(CPMenu& handler, Shape shape, int language, UINT ids, UINT flags, HRESULT& hr) {
    handler.m_language = language;
    handler.m_multi_selected = shape == Shape::Multi ? 1 : 0;
    handler.m_IsSelType = shape == Shape::Folder ? 0 : shape == Shape::ReducedKind || shape == Shape::Image ? 1 : 2;
    handler.m_runType = shape == Shape::ReducedKind ? 2 : shape == Shape::Image ? 1 : 0;
    if (handler.m_IsSelType == 1) handler.m_previewBitmap.reset(CreateBitmap(4, 4, 1, 32, nullptr));
    const win32::unique_hmenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING, 1, "Open");
    AppendMenuA(menu.get(), MF_STRING, 2, "Properties");
    hr = handler.QueryContextMenu(menu.get(), 1, kFirstId, kFirstId + ids - 1, flags);
    Lines lines;
    Describe(menu.get(), handler.m_menuBitmap.get(), "", lines);
    return lines;
}

TEST(ContextMenu, EveryShapeInBothLanguagesReadsBackBetweenTheShellsEntries) {
    // The shell has its own module loaded; the handler never loads it.
    ASSERT_TRUE(LoadLibraryA("shell32.dll"));
    const struct {
        const char* what;
        Shape shape;
        UINT ids;  // identifiers from kFirstId up to idCmdLast
        UINT flags;
        UINT result;
        bool preview;
    } cases[] = {
        {"several items", Shape::Multi, 7, CMF_NORMAL, 8, false},
        {"several items, one identifier short", Shape::Multi, 6, CMF_NORMAL, 0, false},
        {"one folder", Shape::Folder, 2, CMF_NORMAL, 3, false},
        {"one folder, one identifier short", Shape::Folder, 1, CMF_NORMAL, 0, false},
        {"image of the reduced kind", Shape::ReducedKind, 3, CMF_NORMAL, 4, true},
        {"image", Shape::Image, 12, CMF_NORMAL, 13, true},
        {"image, default entries only", Shape::Image, 12, CMF_DEFAULTONLY, 13, false},
        {"image, one identifier short", Shape::Image, 11, CMF_NORMAL, 0, false},
        {"image, empty range", Shape::Image, 0, CMF_NORMAL, 0, false},
        {"file without thumbnail", Shape::None, 100, CMF_NORMAL, 0, false},
    };
    for (const auto& c : cases) {
        for (int language : {0, 1}) {
            SCOPED_TRACE(std::string(c.what) + (language ? ", Korean" : ", English"));
            CPMenu handler;
            handler.m_previewCmdId = 55;
            HRESULT hr;
            const Lines lines = BuildMenu(handler, c.shape, language, c.ids, c.flags, hr);
            EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.result));
            const Lines ours = c.result ? Expected(c.shape, c.preview, language) : Lines{};
            Lines expected = {"Open"};
            expected.insert(expected.end(), ours.begin(), ours.end());
            expected.push_back("Properties");
            EXPECT_EQ(lines, expected);
            if (c.shape == Shape::Image || c.shape == Shape::ReducedKind) {
                EXPECT_EQ(handler.m_previewCmdId, c.preview ? static_cast<int>(kFirstId + c.result - 3) : 0);
            }
        }
    }
}

TEST(ContextMenu, PreviewEntryNeedsAShellOf471OrLater) {
    EXPECT_EQ(dravik::PreviewItemKindFor(nullptr), dravik::PreviewItemKind::Bitmap) << "version unknown";
    for (const DWORD version : {400u, 470u, 471u, 500u, 600u}) {
        DLLVERSIONINFO info = {sizeof(info), version / 100, version % 100, 0, 0};
        EXPECT_EQ(dravik::PreviewItemKindFor(&info),
                  version < 471 ? dravik::PreviewItemKind::None : dravik::PreviewItemKind::OwnerDraw)
            << version;
    }
}

}  // namespace

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

// A caption as the user reads it; the menu holds the Korean one in code page 949.
struct Caption {
    const char* english;
    const char* korean;  // UTF-8

    std::string In(int language) const {
        if (language == 0) return english;
        wchar_t wide[64] = {};
        char narrow[64] = {};
        MultiByteToWideChar(CP_UTF8, 0, korean, -1, wide, 64);
        WideCharToMultiByte(949, 0, wide, -1, narrow, 64, nullptr, nullptr);
        return narrow;
    }
};

const Caption kBrowser{"Lumorex Brower", u8"루모렉스 브라우저"};
const Caption kManager{"Lumorex Manager", u8"루모렉스 매니저"};
const Caption kUnknown{"unknow command of lumorex", "unknow command of lumorex"};
const Caption kImageCommands[] = {
    {"View", u8"보기"},      {"Edit", u8"편집"},          {"Rotate", u8"회전"},
    {"Exposure", u8"노출"},  {"Move to", u8"파일 이동"},  {"Convert", u8"이미지 변환"},
    {"Print", u8"출력"},     {"Option", u8"환경 설정"},   {"About", u8"루모렉스 정보"},
};
const Caption kMultiCommands[] = {
    {"Rotate", u8"회전"},  {"Exposure", u8"노출"},          {"Move to", u8"파일 이동"},
    {"Convert", u8"이미지 변환"}, {"Presentation", u8"프리젠테이션"}, {"Batch Rename", u8"이름 모두 변경"},
};

// One line per entry: "---@offset" a separator, "caption@offset" an item, "caption >" a submenu
// followed by its items indented, "(preview)@offset" the owner-drawn entry; " *" marks the
// handler's bitmap. The shell's own entries show their caption alone.
void Describe(HMENU menu, HBITMAP mark, const std::string& indent, Lines& lines) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        char caption[128] = {};
        GetMenuStringA(menu, i, caption, sizeof(caption), MF_BYPOSITION);
        const std::string offset = "@" + std::to_string(static_cast<int>(info.wID - kFirstId));
        std::string line = indent;
        if (info.fType & MFT_SEPARATOR)
            line += "---" + offset;
        else if (info.fType & MFT_OWNERDRAW)
            line += "(preview)" + offset;
        else if (info.fType & MFT_BITMAP)
            line += "(bitmap)" + offset;
        else if (info.hSubMenu)
            line += std::string(caption) + " >";
        else
            line += info.wID < kFirstId ? caption : caption + offset;
        if (mark && info.hbmpChecked == mark && info.hbmpUnchecked == mark) line += " *";
        lines.push_back(line);
        if (info.hSubMenu) Describe(info.hSubMenu, mark, indent + "  ", lines);
    }
}

Lines Submenu(const Caption& caption, const Caption* items, int count, int language) {
    Lines lines = {caption.In(language) + " > *"};
    for (int k = 0; k < count; ++k) lines.push_back("  " + items[k].In(language) + "@" + std::to_string(k + 1));
    return lines;
}

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

enum class Shape { Multi, Folder, ReducedKind, Image, None };

Lines Expected(Shape shape, bool preview, int language) {
    switch (shape) {
        case Shape::Multi: return Join({{"---@0"}, Submenu(kBrowser, kMultiCommands, 6, language)});
        case Shape::Folder: return {"---@0", kBrowser.In(language) + "@0 *", "---@1"};
        case Shape::ReducedKind: return {"---@0", kUnknown.In(language) + "@0 *", "(preview)@1", "---@2"};
        case Shape::Image:
            return Join({{"---@0"}, Submenu(kManager, kImageCommands, 9, language),
                         preview ? Lines{"(preview)@10", "---@11"} : Lines{"---@11"}});
        case Shape::None: break;
    }
    return {};
}

void SetUpShape(CPMenu& menu, Shape shape, int language) {
    menu.m_language = language;
    menu.m_multi_selected = shape == Shape::Multi ? 1 : 0;
    menu.m_IsSelType = shape == Shape::Folder ? 0 : shape == Shape::ReducedKind || shape == Shape::Image ? 1 : 2;
    menu.m_runType = shape == Shape::ReducedKind ? 2 : shape == Shape::Image ? 1 : 0;
    if (menu.m_IsSelType == 1) menu.m_previewBitmap.reset(CreateBitmap(4, 4, 1, 32, nullptr));
}

Lines BuildMenu(CPMenu& handler, UINT ids, UINT flags, HRESULT& hr) {
    win32::unique_hmenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING, 1, "Open");
    AppendMenuA(menu.get(), MF_STRING, 2, "Properties");
    hr = handler.QueryContextMenu(menu.get(), 1, kFirstId, kFirstId + ids - 1, flags);
    Lines lines;
    Describe(menu.get(), handler.m_menuBitmap.get(), "", lines);
    return lines;
}

TEST(ContextMenu, EveryShapeInBothLanguagesReadsBackBetweenTheShellsEntries) {
    {
        SCOPED_TRACE("before the shell's module is loaded, its version is unknown");
        ASSERT_EQ(GetModuleHandleA("shell32"), nullptr);
        CPMenu handler;
        SetUpShape(handler, Shape::Image, 0);
        HRESULT hr;
        EXPECT_EQ(BuildMenu(handler, 12, CMF_NORMAL, hr)[12], "(bitmap)@10");
    }
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
            SetUpShape(handler, c.shape, language);
            handler.m_previewCmdId = 55;
            HRESULT hr;
            const Lines lines = BuildMenu(handler, c.ids, c.flags, hr);
            EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.result));
            const Lines ours = c.result ? Expected(c.shape, c.preview, language) : Lines{};
            EXPECT_EQ(lines, Join({{"Open"}, ours, {"Properties"}}));
            if (c.shape == Shape::Image || c.shape == Shape::ReducedKind) {
                EXPECT_EQ(handler.m_previewCmdId, c.preview ? static_cast<int>(kFirstId + c.result - 3) : 0);
            }
        }
    }
}

TEST(ContextMenu, PreviewEntryIsOwnerDrawnFromShell471AndTheBitmapWhenTheVersionIsUnknown) {
    const struct {
        DWORD major, minor;
        dravik::PreviewItemKind kind;
    } cases[] = {
        {4, 0, dravik::PreviewItemKind::None},      {4, 70, dravik::PreviewItemKind::None},
        {4, 71, dravik::PreviewItemKind::OwnerDraw}, {5, 0, dravik::PreviewItemKind::OwnerDraw},
        {6, 0, dravik::PreviewItemKind::OwnerDraw},
    };
    for (const auto& c : cases) {
        DLLVERSIONINFO version = {sizeof(version), c.major, c.minor, 0, 0};
        EXPECT_EQ(dravik::PreviewItemKindFor(&version), c.kind) << c.major << "." << c.minor;
    }
    EXPECT_EQ(dravik::PreviewItemKindFor(nullptr), dravik::PreviewItemKind::Bitmap);
}

}  // namespace

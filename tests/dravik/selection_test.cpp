#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "handler/pmenu.h"
#include "preview/preview_item.h"
#include "resource_counts.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"
#include "test_support.h"
#include "user_settings.h"

using dravik::CPMenu;
using Names = std::vector<std::string>;

namespace {

using image_files::Format;
using image_files::Pixels;

// A scratch folder holding a sub-folder, two plain files that no image library can read, a
// 1024 x 768 photo and a three-frame animation.
class Selection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA((dir / "album").c_str(), nullptr));
        ASSERT_TRUE(test_support::WriteWholeFile(dir / "notes.txt", "plain text"));
        ASSERT_TRUE(test_support::WriteWholeFile(dir / "readme.md", "# more text"));
        ASSERT_TRUE(image_files::WriteImage(dir / "harbour.jpg", {Format::Jpeg, 1024, 768, Pixels::Bgr24}));
        ASSERT_TRUE(image_files::WriteImage(dir / "waves.gif", {Format::Gif, 300, 200, Pixels::Indexed8, 3}));
    }

    HRESULT InitializeWith(CPMenu& menu, const Names& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(dir / name);
        auto data = samples::ShellDataObject(paths);
        EXPECT_TRUE(data) << "the shell gave no data object";
        return menu.Initialize(nullptr, data.Get(), nullptr);
    }

    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    test_support::ScopedTempDir dir;
};

TEST_F(Selection, OneFolderGivesTheFolderMenuAndItsParentAsFolders) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"album"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 0);
    EXPECT_EQ(menu.m_multi_selected, 0);
    EXPECT_EQ(menu.m_selCount, 1);
    EXPECT_EQ(menu.m_fileNames, Names{"album"});
    EXPECT_EQ(menu.m_choosePath, dir.path());
    EXPECT_EQ(menu.m_curFolder, dir.path());
}

TEST_F(Selection, OneFileWithoutThumbnailGetsNoMenu) {
    dravik::g_selFileName.clear();
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"notes.txt"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 0);
    EXPECT_EQ(menu.m_runType, 0);
    EXPECT_FALSE(menu.m_previewBitmap);
    EXPECT_EQ(dravik::g_selFileName.get(), "notes.txt");
    EXPECT_EQ(menu.m_fileNames, Names{"notes.txt"});
}

TEST_F(Selection, OneImageGetsTheImageMenuWithItsThumbnail) {
    dravik::g_selFileName.clear();
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"harbour.jpg"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 1);
    EXPECT_EQ(menu.m_multi_selected, 0);
    EXPECT_EQ(menu.m_runType, 1);
    EXPECT_EQ(dravik::g_selFileName.get(), "harbour.jpg");
    ASSERT_TRUE(menu.m_previewBitmap);
    EXPECT_EQ(menu.m_previewWidth, 150);
    EXPECT_EQ(menu.m_previewHeight, 113);
    EXPECT_EQ(menu.m_imageWidth, 1024);
    EXPECT_EQ(menu.m_imageHeight, 768);
    EXPECT_EQ(menu.m_imageBits, 24);
    EXPECT_EQ(dravik::g_lastPreviewWidth, 150);
    EXPECT_EQ(dravik::g_lastPreviewHeight, 113);

    menu.m_previewCmdId = 9;
    MEASUREITEMSTRUCT item = {ODT_MENU, 0, 9, 0, 0, 0};
    LRESULT result = 0;
    menu.OnMeasureItem(&item, &result);
    EXPECT_EQ(item.itemWidth, 150u);
    EXPECT_EQ(item.itemHeight, 113u + 45u);
}

TEST_F(Selection, AnimationIsAnImageOfKindTwo) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"waves.gif"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 1);
    EXPECT_EQ(menu.m_runType, 2);
    EXPECT_EQ(menu.m_previewWidth, 150);
    EXPECT_EQ(menu.m_previewHeight, 100);
}

TEST_F(Selection, SeveralImagesAreNotAskedForThumbnails) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"harbour.jpg", "waves.gif"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 1);
    EXPECT_EQ(menu.m_runType, 0);
    EXPECT_FALSE(menu.m_previewBitmap);
}

TEST_F(Selection, NoGdiObjectLeaksOverAThousandInitializeCallsOnOneObject) {
    CPMenu menu;
    auto data = samples::ShellDataObject({dir / "waves.gif"});
    ASSERT_EQ(menu.Initialize(nullptr, data.Get(), nullptr), S_OK);
    const DWORD before = test_support::CountResources().gdiObjects;
    for (int i = 0; i < 1000; ++i) menu.Initialize(nullptr, data.Get(), nullptr);
    EXPECT_EQ(test_support::CountResources().gdiObjects, before);
    EXPECT_TRUE(menu.m_previewBitmap);
}

TEST_F(Selection, NoGdiObjectLeaksOverAThousandObjects) {
    auto data = samples::ShellDataObject({dir / "waves.gif"});
    { CPMenu warm; warm.Initialize(nullptr, data.Get(), nullptr); }
    const DWORD before = test_support::CountResources().gdiObjects;
    for (int i = 0; i < 1000; ++i) {
        CPMenu menu;
        ASSERT_EQ(menu.Initialize(nullptr, data.Get(), nullptr), S_OK);
        ASSERT_EQ(menu.m_IsSelType, 1);
    }
    EXPECT_EQ(test_support::CountResources().gdiObjects, before) << "menu bitmaps and thumbnails are all deleted";
}

TEST_F(Selection, ThreeItemsWhoseFirstIsAFolderGetNoMenu) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"album", "notes.txt", "readme.md"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 0);
    EXPECT_EQ(menu.m_selCount, 3);
    EXPECT_EQ(menu.m_fileNames, (Names{"album", "notes.txt", "readme.md"}));
}

TEST_F(Selection, ThreeItemsWhoseLastOnlyIsAFolderGetTheMultiSelectionMenu) {
    dravik::g_selFileName.assign("before.jpg");
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"notes.txt", "readme.md", "album"}), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 1);
    EXPECT_EQ(menu.m_fileNames, (Names{"notes.txt", "readme.md", "album"}));
    EXPECT_EQ(menu.m_choosePath, dir.path());
    EXPECT_EQ(menu.m_curFolder, dir.path());
    EXPECT_EQ(dravik::g_selFileName.get(), "") << "only a single file names the preview";
}

TEST_F(Selection, SecondInitializeDescribesOnlyTheNewSelection) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"notes.txt", "readme.md", "album"}), S_OK);
    ASSERT_EQ(InitializeWith(menu, {"album"}), S_OK);
    EXPECT_EQ(menu.m_fileNames, Names{"album"});
    EXPECT_EQ(menu.m_selCount, 1);
    EXPECT_EQ(menu.m_IsSelType, 0);
    EXPECT_EQ(menu.m_multi_selected, 0);
}

TEST_F(Selection, MissingDataObjectIsRefusedWithTheResetState) {
    CPMenu menu;
    ASSERT_EQ(InitializeWith(menu, {"album"}), S_OK);
    menu.m_previewCmdId = 7;
    EXPECT_EQ(menu.Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 1);
    EXPECT_EQ(menu.m_selCount, 0);
    EXPECT_EQ(menu.m_previewCmdId, 0);
    EXPECT_TRUE(menu.m_fileNames.empty());
    EXPECT_EQ(menu.m_choosePath, dir.path()) << "folders are overwritten, not reset";
}

TEST_F(Selection, DataObjectWithoutFileNamesIsRefused) {
    auto text = samples::ClipboardDataObject(CF_TEXT, std::string("not a file list", 16));
    ASSERT_TRUE(text);
    CPMenu menu;
    EXPECT_EQ(menu.Initialize(nullptr, text.Get(), nullptr), E_INVALIDARG);
    EXPECT_TRUE(menu.m_fileNames.empty());
}

TEST(SelectionOfDriveRoot, IsNotAFolderSoItIsTriedAsAFileAndGetsNoMenu) {
    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    auto data = samples::ShellDataObject({"C:\\"});
    ASSERT_TRUE(data);
    CPMenu menu;
    ASSERT_EQ(menu.Initialize(nullptr, data.Get(), nullptr), S_OK);
    EXPECT_EQ(menu.m_IsSelType, 2);
    EXPECT_EQ(menu.m_multi_selected, 0);
    EXPECT_EQ(menu.m_choosePath, "C:\\");
    EXPECT_EQ(menu.m_fileNames, Names{""});
}

TEST(SelectionOfLongPaths, NamesAndFoldersAreReadWhole) {
    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    const std::string folder = "\\\\server\\share\\" + std::string(120, 'f') + "\\";
    const std::string name = std::string(250, 'n') + ".jpg";
    auto data = samples::DropListDataObject({folder + name, "C:\\b.jpg"});
    ASSERT_TRUE(data);
    CPMenu menu;
    ASSERT_EQ(menu.Initialize(nullptr, data.Get(), nullptr), S_OK);
    EXPECT_EQ(menu.m_fileNames, (Names{name, "b.jpg"}));
    EXPECT_EQ(menu.m_choosePath, folder);
    EXPECT_EQ(menu.m_curFolder, "C:\\");
    EXPECT_EQ(menu.m_multi_selected, 1);
}

TEST(SelectionOfADropList, AllNamesOfAThousandsLongUtf16ListArriveInTheShellsOrder) {
    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    std::vector<std::wstring> paths;
    Names expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = i == 1500 ? std::string(400, 'n') + ".gif" : "IMG_" + std::to_string(i) + ".JPG";
        paths.push_back((i < 2999 ? L"C:\\Pics\\" : L"D:\\") + std::wstring(name.begin(), name.end()));
        expected.push_back(name);
    }
    auto data = samples::DropListDataObject(paths);
    ASSERT_TRUE(data);
    CPMenu menu;
    ASSERT_EQ(menu.Initialize(nullptr, data.Get(), nullptr), S_OK);
    EXPECT_EQ(menu.m_fileNames, expected);
    EXPECT_EQ(menu.m_selCount, 3000);
    EXPECT_EQ(menu.m_choosePath, "C:\\Pics\\");
    EXPECT_EQ(menu.m_curFolder, "D:\\");
    EXPECT_EQ(menu.m_multi_selected, 1);
}

}  // namespace

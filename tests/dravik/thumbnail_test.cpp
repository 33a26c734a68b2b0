#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "test_support.h"

namespace {

using Report = std::map<std::string, std::string>;

// Runs the thumbnail loader in a process of its own, from a folder that holds the given image
// library variant as Zuzazavuro.dll (or no library at all), on a file that exists.
Report LoadThumbnailBeside(const char* stubVariant) {
    test_support::ScopedTempDir dir;
    const std::string bin = test_support::BinDir();
    EXPECT_TRUE(CopyFileA((bin + "preview_probe.exe").c_str(), (dir / "preview_probe.exe").c_str(), FALSE));
    if (stubVariant) {
        const std::string stub = bin + "stubs\\" + stubVariant + "\\Zuzazavuro.dll";
        EXPECT_TRUE(CopyFileA(stub.c_str(), (dir / "Zuzazavuro.dll").c_str(), FALSE)) << stub;
    }
    EXPECT_TRUE(test_support::WriteWholeFile(dir / "photo.jpg", "any bytes: the stand-ins do not read them"));
    const std::string command = "\"" + (dir / "preview_probe.exe") + "\" \"" + (dir / "photo.jpg") + "\" \"" +
                                (dir / "report.txt") + "\"";
    EXPECT_EQ(test_support::RunCommand(command, 0, dir.path().c_str()), 0u);
    return test_support::ReadReport(dir / "report.txt");
}

TEST(ThumbnailLoader, AsksForTheBoxAndKeepsTheBitmapAfterTheLibraryIsUnloaded) {
    const Report r = LoadThumbnailBeside("echo");
    EXPECT_EQ(r.at("result"), "1");
    EXPECT_EQ(r.at("runType"), "1");
    EXPECT_EQ(r.at("bitmap"), "1");
    EXPECT_EQ(r.at("bitmapSize"), "150x150") << "the stand-in answers the box it was given";
    EXPECT_EQ(r.at("preview"), "150x150");
    EXPECT_EQ(r.at("image"), "640x480x8");
    EXPECT_EQ(r.at("lastPreview"), "150x150");
    EXPECT_EQ(r.at("libraryLoaded"), "0");
}

TEST(ThumbnailLoader, MissingLibraryGivesNoThumbnailAndKindZero) {
    const Report r = LoadThumbnailBeside(nullptr);
    EXPECT_EQ(r.at("result"), "1");
    EXPECT_EQ(r.at("runType"), "0");
    EXPECT_EQ(r.at("bitmap"), "0");
    EXPECT_EQ(r.at("preview"), "-1x-1") << "nothing was asked";
    EXPECT_EQ(r.at("lastPreview"), "100x100");
}

TEST(ThumbnailLoader, LibraryWithoutLoadimageIsNotAskedForTheKind) {
    const Report r = LoadThumbnailBeside("no_loadimage");
    EXPECT_EQ(r.at("runType"), "0");
    EXPECT_EQ(r.at("bitmap"), "0");
    EXPECT_EQ(r.at("libraryLoaded"), "0");
}

TEST(ThumbnailLoader, LibraryWithoutFilekindCountsAsKindZero) {
    const Report r = LoadThumbnailBeside("no_filekind");
    EXPECT_EQ(r.at("runType"), "0");
    EXPECT_EQ(r.at("bitmap"), "0");
    EXPECT_EQ(r.at("preview"), "-1x-1");
}

TEST(ThumbnailLoader, KindIsTheLowByteReadAsSigned) {
    const Report negative = LoadThumbnailBeside("kind_0x1FE");
    EXPECT_EQ(negative.at("runType"), "-2");
    EXPECT_EQ(negative.at("bitmap"), "1") << "any kind but 0 asks for a thumbnail";

    const Report zero = LoadThumbnailBeside("kind_0x100");
    EXPECT_EQ(zero.at("runType"), "0");
    EXPECT_EQ(zero.at("bitmap"), "0");
}

TEST(ThumbnailLoader, NullBitmapLeavesWhatTheLibraryWroteAndTheLastSizeAlone) {
    const Report r = LoadThumbnailBeside("null_image");
    EXPECT_EQ(r.at("runType"), "2");
    EXPECT_EQ(r.at("bitmap"), "0");
    EXPECT_EQ(r.at("preview"), "77x66");
    EXPECT_EQ(r.at("image"), "640x480x8");
    EXPECT_EQ(r.at("lastPreview"), "100x100");
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com/instance.h"
#include "handler/pmenu.h"
#include "preview/preview_item.h"
#include "preview/thumbnail_cache.h"
#include "samples/image_files.h"
#include "test_support.h"
#include "win32/dib_info.h"
#include "win32/module_instance.h"
#include "win32/proc_address.h"

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

std::atomic<int> g_libraryLoads{0};

struct LoadedModule {
    ULONG flags;
    const UNICODE_STRING* fullName;
    const UNICODE_STRING* baseName;
};

void CALLBACK CountLibraryLoad(ULONG reason, const LoadedModule* module, void*) {
    constexpr ULONG kLoaded = 1;
    const UNICODE_STRING* name = module->baseName;
    if (reason == kLoaded && CompareStringOrdinal(name->Buffer, name->Length / sizeof(wchar_t), L"Zuzazavuro.dll",
                                                  -1, TRUE) == CSTR_EQUAL)
        ++g_libraryLoads;
}

// The image library's loads into this process since the first call: the handler loads it to decode
// a picture, and for nothing else.
int LibraryLoads() {
    using Register = LONG(NTAPI*)(ULONG flags, decltype(&CountLibraryLoad) notify, void* context, void** cookie);
    static const bool registered = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        const auto notifyOf = win32::proc_address<Register>(ntdll, "LdrRegisterDllNotification");
        void* cookie = nullptr;
        return notifyOf && notifyOf(0, &CountLibraryLoad, nullptr, &cookie) == 0;
    }();
    EXPECT_TRUE(registered);
    return g_libraryLoads;
}

using image_files::Picture;

// The pixels of a bitmap, top-down in 32 bits; empty when it cannot be read.
std::vector<DWORD> PixelsOf(HBITMAP bitmap) {
    BITMAP size = {};
    if (!GetObjectA(bitmap, sizeof(size), &size)) return {};
    BITMAPINFO info = win32::top_down_dib_info(size.bmWidth, size.bmHeight);
    std::vector<DWORD> pixels(static_cast<size_t>(size.bmWidth) * size.bmHeight);
    const win32::unique_mem_dc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.get(), bitmap, 0, size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS) != size.bmHeight) return {};
    return pixels;
}

// What a decode gives besides the pixels: the kind, the thumbnail's size, the source's size and bits.
std::vector<int> FactsOf(const dravik::CPMenu& menu) {
    return {menu.m_runType,    menu.m_previewWidth, menu.m_previewHeight,
            menu.m_imageWidth, menu.m_imageHeight,  menu.m_imageBits};
}

// A folder of BMP pictures (the file's size follows from its width and height alone) and the
// handlers that right-click them. Each starts with an empty cache.
class ThumbnailCacheScene {
public:
    ThumbnailCacheScene() { dravik::ReleaseThumbnailCache(); }

    void Write(const std::string& name, int width, int height, Picture picture = Picture::Halves) {
        ASSERT_TRUE(image_files::WriteImage(dir / name, {image_files::Format::Bmp, width, height,
                                                          image_files::Pixels::Bgr24, 1, picture}));
        pictures[name] = picture;
    }
    std::unique_ptr<dravik::CPMenu> Load(const std::string& name) const {
        auto menu = std::make_unique<dravik::CPMenu>();
        menu->LoadPreviewImage((dir / name).c_str());
        return menu;
    }
    FILETIME Time(const std::string& name) const {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        EXPECT_TRUE(GetFileAttributesExA((dir / name).c_str(), GetFileExInfoStandard, &data));
        return data.ftLastWriteTime;
    }
    void SetTime(const std::string& name, FILETIME written) const {
        const win32::unique_file file(CreateFileA((dir / name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
    }
    // Whether the handler shows the file's picture as the file is now: the left half of the
    // pattern in its colour, the landscape without it.
    bool ShowsCurrentPicture(const dravik::CPMenu& menu, const std::string& name) const {
        const COLORREF left = image_files::PixelAt(menu.m_previewBitmap.get(), menu.m_previewWidth / 4,
                                                   menu.m_previewHeight / 2);
        const bool halves = image_files::NearColour(left, image_files::FramePattern(0).left);
        return left != CLR_INVALID && halves == (pictures.at(name) == Picture::Halves);
    }
    // Keeps and finds the thumbnails of twenty versions of files on several threads at once, each
    // thread with bitmaps of its own (version i's is i + 1 pixels wide, and its kind is i); the
    // finds that gave another version's thumbnail.
    static int WrongThumbnailsOnThreads() {
        const auto version = [](int i) {
            dravik::FileVersion v;
            v.path = "kept\\" + std::to_string(i);
            v.size = i;
            return v;
        };
        std::atomic<int> wrong{0};
        std::vector<test_support::Thread> threads;
        for (int t = 0; t < 6; ++t) {
            threads.emplace_back([&] {
                std::vector<win32::unique_hbitmap> bitmaps;
                for (int i = 0; i < 20; ++i) bitmaps.emplace_back(CreateBitmap(i + 1, 1, 1, 32, nullptr));
                for (int k = 0; k < 3000; ++k) {
                    const int kept = k % 20, sought = k * 7 % 20;
                    dravik::CacheThumbnail(version(kept), bitmaps[kept].get(), {kept});
                    dravik::ThumbnailFacts facts;
                    const win32::unique_hbitmap found = dravik::FindCachedThumbnail(version(sought), facts);
                    BITMAP size = {};
                    wrong += found && (facts.kind != sought || !GetObjectA(found.get(), sizeof(size), &size) ||
                                       size.bmWidth != sought + 1);
                }
            });
        }
        threads.clear();
        return wrong;
    }

    test_support::ScopedTempDir dir;
    std::map<std::string, Picture> pictures;
};

// Fills the cache up to a bound after photo.bmp with pictures of one shape, uses photo.bmp again and
// adds one picture more: its first companion is then the least recently used.
void FillAndOverflow(ThumbnailCacheScene& scene, const char* prefix, int width, int height, size_t fit) {
    for (size_t i = 0; i <= fit; ++i) {
        const std::string name = prefix + std::to_string(i) + ".bmp";
        scene.Write(name, width, height);
        if (i == fit) scene.Load("photo.bmp");
        scene.Load(name);
    }
}

// Each rule: what happens once a handler (kept alive) has the thumbnail of photo.bmp, a 64 x 48
// picture, the file then right-clicked, and whether the image library decodes it again. Whatever
// the rule, the picture shown is the file's as it is now; a thumbnail from the cache is the first
// decode's, pixel for pixel, with its kind, sizes and bits; and a handler's going changes nothing
// of another's thumbnail.
TEST(ThumbnailCache, DecodesAgainExactlyWhenThePictureMayHaveChangedOrWasDropped) {
    const size_t photoBytes = 64 * 48 * 4, squareBytes = 150 * 150 * 4;
    const struct {
        const char* rule;
        std::function<void(ThumbnailCacheScene&)> after;
        const char* asked;
        bool decodedAgain;
    } rules[] = {
        {"the same file, unchanged", [](ThumbnailCacheScene&) {}, "photo.bmp", false},
        {"a changed size, the time put back",
         [](ThumbnailCacheScene& s) {
             const FILETIME written = s.Time("photo.bmp");
             s.Write("photo.bmp", 80, 60);
             s.SetTime("photo.bmp", written);
         },
         "photo.bmp", true},
        {"a changed last-write time, the bytes unchanged",
         [](ThumbnailCacheScene& s) {
             const FILETIME written = s.Time("photo.bmp");
             ULARGE_INTEGER later = {{written.dwLowDateTime, written.dwHighDateTime}};
             later.QuadPart += 20000000;  // 2 s
             s.SetTime("photo.bmp", {later.LowPart, later.HighPart});
         },
         "photo.bmp", true},
        {"replaced by another picture of the same name, size and time",
         [](ThumbnailCacheScene& s) {
             s.Write("other.bmp", 64, 48, Picture::Landscape);
             s.SetTime("other.bmp", s.Time("photo.bmp"));
             ASSERT_TRUE(MoveFileExA((s.dir / "other.bmp").c_str(), (s.dir / "photo.bmp").c_str(),
                                     MOVEFILE_REPLACE_EXISTING));
             s.pictures["photo.bmp"] = Picture::Landscape;
         },
         "photo.bmp", true},
        {"the file renamed",
         [](ThumbnailCacheScene& s) {
             ASSERT_TRUE(MoveFileA((s.dir / "photo.bmp").c_str(), (s.dir / "renamed.bmp").c_str()));
             s.pictures["renamed.bmp"] = Picture::Halves;
         },
         "renamed.bmp", true},
        {"the count bound reached: the most recently used stays",
         [](ThumbnailCacheScene& s) { FillAndOverflow(s, "wide", 300, 20, dravik::kThumbnailCacheCount - 1); },
         "photo.bmp", false},
        {"the count bound reached: the least recently used goes",
         [](ThumbnailCacheScene& s) { FillAndOverflow(s, "wide", 300, 20, dravik::kThumbnailCacheCount - 1); },
         "wide0.bmp", true},
        {"the bytes bound reached: the least recently used goes",
         [&](ThumbnailCacheScene& s) {
             FillAndOverflow(s, "square", 200, 200, (dravik::kThumbnailCacheBytes - photoBytes) / squareBytes);
         },
         "square0.bmp", true},
        {"the module unloaded",
         [](ThumbnailCacheScene&) {
             dravik::InitInstance(win32::this_module());
             dravik::ExitInstance(false);
         },
         "photo.bmp", true},
    };
    for (const auto& r : rules) {
        SCOPED_TRACE(r.rule);
        ThumbnailCacheScene scene;
        scene.Write("photo.bmp", 64, 48);
        const auto first = scene.Load("photo.bmp");
        ASSERT_TRUE(first->m_previewBitmap);
        const std::vector<DWORD> firstPixels = PixelsOf(first->m_previewBitmap.get());
        r.after(scene);

        const int loadsBefore = LibraryLoads();
        auto again = scene.Load(r.asked);
        const int loads = LibraryLoads() - loadsBefore;
        EXPECT_EQ(loads > 0, r.decodedAgain) << loads << " loads of the library";
        ASSERT_TRUE(again->m_previewBitmap);
        EXPECT_TRUE(scene.ShowsCurrentPicture(*again, r.asked));
        if (!r.decodedAgain) {
            EXPECT_EQ(PixelsOf(again->m_previewBitmap.get()), firstPixels);
            EXPECT_EQ(FactsOf(*again), FactsOf(*first));
            EXPECT_EQ(dravik::g_lastPreviewWidth, first->m_previewWidth);
            EXPECT_EQ(dravik::g_lastPreviewHeight, first->m_previewHeight);
        }
        again.reset();
        EXPECT_EQ(PixelsOf(first->m_previewBitmap.get()), firstPixels);
    }
}

// Six threads, each with bitmaps of its own, keep and find twenty versions at once.
TEST(ThumbnailCache, ThreadsKeepingAndFindingAtOnceFindOnlyTheVersionTheyAsk) {
    dravik::ReleaseThumbnailCache();
    EXPECT_EQ(ThumbnailCacheScene::WrongThumbnailsOnThreads(), 0);
    dravik::ReleaseThumbnailCache();
}

}  // namespace

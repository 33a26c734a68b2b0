#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dravik/dravik_module.h"
#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "resource_counts.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"
#include "test_support.h"
#include "user_settings.h"
#include "win32/code_page.h"
#include "win32/proc_address.h"

using dravik::CPMenu;
using dravik::kFileListStringBytes;

namespace {

constexpr char kUnwritten = '#';
constexpr wchar_t kWideUnwritten = L'#';

const char* const kEveryBlock[] = {dravik::kFileListSizeName, dravik::kFileListStringName,
                                   dravik::kWideFileListSizeName, dravik::kWideFileListStringName};

struct ReadBack {
    int result;
    std::string buffer;  // the whole buffer, also what the export left alone
};

// The reader's side as the viewer has it: the real module's two exports, bound by name.
class Reader {
public:
    int Size() const { return m_size(); }
    // get_FileListString with size over a buffer of bufferBytes (none when 0) filled with kUnwritten.
    ReadBack Read(int size, size_t bufferBytes) const {
        std::string buffer(bufferBytes, kUnwritten);
        return {m_string(size, bufferBytes ? &buffer[0] : nullptr), buffer};
    }
    // What a reader that passes the size get_FileListSize asks for gets.
    std::string Text() const {
        const ReadBack read = Read(Size(), static_cast<size_t>(Size()));
        return read.result == 1 ? read.buffer.c_str() : "(none)";
    }

    // The same through the wide list's exports, in UTF-16 units.
    int SizeW() const { return m_sizeW(); }
    std::pair<int, std::wstring> ReadW(int size, size_t bufferUnits) const {
        std::wstring buffer(bufferUnits, kWideUnwritten);
        return {m_stringW(size, bufferUnits ? &buffer[0] : nullptr), buffer};
    }
    std::wstring TextW() const {
        const auto read = ReadW(SizeW(), static_cast<size_t>(SizeW()));
        return read.first == 1 ? read.second.c_str() : L"(none)";
    }

private:
    win32::unique_hmodule m_module{LoadLibraryA("Dravik.dll")};
    int (*m_size)() = win32::proc_address<int (*)()>(m_module.get(), "get_FileListSize");
    int(WINAPI* m_string)(int, char*) = win32::proc_address<int(WINAPI*)(int, char*)>(m_module.get(), "get_FileListString");
    int (*m_sizeW)() = win32::proc_address<int (*)()>(m_module.get(), "get_FileListSizeW");
    int(WINAPI* m_stringW)(int, wchar_t*) =
        win32::proc_address<int(WINAPI*)(int, wchar_t*)>(m_module.get(), "get_FileListStringW");
};

// A second process that writes the texts in order and holds the blocks until this ends; from the
// other target's build, a process of the other kind (32-bit beside 64-bit).
class Writer {
public:
    explicit Writer(const std::vector<std::string>& texts, bool smallBlocksFirst = false,
                    const std::string& binDir = test_support::BinDir()) {
        std::string command = binDir + "file_list_writer.exe " + m_ready.name() + " " + m_quit.name();
        if (smallBlocksFirst) command += " --small";
        for (size_t i = 0; i < texts.size(); ++i) {
            const std::string file = m_dir / ("text" + std::to_string(i));
            test_support::WriteWholeFile(file, texts[i]);
            command += " " + file;
        }
        m_process = std::make_unique<test_support::ChildProcess>(command);
        m_started = m_ready.Wait();
    }
    ~Writer() {
        m_quit.Set();
        m_process->Wait();
    }
    bool started() const { return m_started; }

private:
    test_support::ScopedTempDir m_dir;
    test_support::NamedEvent m_ready, m_quit;
    std::unique_ptr<test_support::ChildProcess> m_process;
    bool m_started = false;
};

TEST(FileList, ReaderGetsTheLastTextWithTheStaleTailOfALongerOneOnlyWhileAWriterLives) {
    const Reader reader;
    EXPECT_EQ(reader.Size(), 0);
    EXPECT_EQ(reader.Read(13, 13).result, 0);
    {
        const Writer writer({"long-name.jpg|", "x.jpg|"});
        ASSERT_TRUE(writer.started());
        EXPECT_EQ(reader.Size(), 7);
        EXPECT_EQ(reader.Text(), "x.jpg|");
        EXPECT_EQ(reader.Read(15, 15).buffer, std::string("x.jpg|ame.jpg|\0", 15));
    }
    EXPECT_EQ(reader.Size(), 0) << "no process holds the blocks any more";
    const ReadBack none = reader.Read(7, 7);
    EXPECT_EQ(none.result, 0);
    EXPECT_EQ(none.buffer, std::string(7, kUnwritten));
}

// The blocks' layout is the same for 32-bit and 64-bit processes: a list that a handler of the
// other kind wrote reads the same here.
TEST(FileList, ListWrittenByTheOtherKindReadsTheSame) {
    SKIP_UNLESS_THE_OTHER_KIND_RUNS();
    const Reader reader;
    const std::string longest(kFileListStringBytes + 5, 'n');
    const struct {
        std::string text;
        int size;
        std::string read;
    } rows[] = {
        {"a.jpg|b.png|", 13, "a.jpg|b.png|"},
        {"", 1, ""},
        {"\xC7\xD1\xB1\xDB.jpg|", 10, "\xC7\xD1\xB1\xDB.jpg|"},
        {longest, static_cast<int>(longest.size()) + 1, longest.substr(0, kFileListStringBytes)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 16));
        const Writer writer({row.text}, false, test_support::OtherKindBinDir());
        ASSERT_TRUE(writer.started()) << "build the other target first";
        EXPECT_EQ(reader.Size(), row.size);
        EXPECT_EQ(reader.Text(), row.read);
    }
}

// A reader's size and text come from one publish of both lists: another made between its two calls,
// here by this process's handler, changes neither. A holder of the publishes' lock that never lets
// go costs a reader or a writer its wait, and then the one reads and the other publishes nothing.
TEST(FileList, ReaderGetsTheListItsSizeCameFromWhateverIsPublishedMeanwhileAndWaitsForNoHolderOfTheLock) {
    const Reader reader;
    const Writer writer({"long-name.jpg|"});
    ASSERT_TRUE(writer.started());
    ASSERT_EQ(reader.Size(), 15);
    CPMenu handler;
    ASSERT_TRUE(handler.fileToMemoryMap("x.jpg|", L"x.jpg|"));
    EXPECT_EQ(reader.Read(15, 15).buffer, std::string("long-name.jpg|\0", 15));

    test_support::NamedEvent held, letGo;
    test_support::Thread holder([&] {
        const win32::unique_handle lock(CreateMutexA(nullptr, FALSE, dravik::kFileListLockName));
        WaitForSingleObject(lock.get(), INFINITE);
        held.Set();
        letGo.Wait();
        ReleaseMutex(lock.get());
    });
    ASSERT_TRUE(held.Wait());
    EXPECT_EQ(reader.Size(), 0);
    EXPECT_FALSE(handler.fileToMemoryMap("y.jpg|", L"y.jpg|"));
    letGo.Set();
    holder.join();
    EXPECT_EQ(reader.Text(), "x.jpg|") << "neither list was published";
    EXPECT_EQ(reader.TextW(), L"x.jpg|");
    dravik::ReleaseFileListBlocks();
}

TEST(FileList, AReaderGivenASizeGetsItsTextAfterTheWriterEndedAndThenHoldsNoBlock) {
    const Reader reader;
    auto writer = std::make_unique<Writer>(std::vector<std::string>{"a.jpg|b.png|"});
    ASSERT_TRUE(writer->started());
    ASSERT_EQ(reader.Size(), 13);
    writer.reset();
    const ReadBack read = reader.Read(13, 13);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.buffer, std::string("a.jpg|b.png|\0", 13)) << "the text of the size it was given";

    EXPECT_EQ(reader.Size(), 0) << "no process holds the blocks any more";
    EXPECT_EQ(reader.Read(13, 13).result, 0);
    for (const char* name : kEveryBlock) {
        EXPECT_FALSE(win32::unique_handle(OpenFileMappingA(FILE_MAP_READ, FALSE, name))) << name << " is still there";
    }
}

// The wide list's text is UTF-8 in the writer's files and UTF-16 in the blocks.
std::wstring Wide(const std::string& utf8) { return win32::widen(utf8, CP_UTF8); }

TEST(FileList, WideListReadsBackExactlyFromEitherKindCutAtItsBlockAndOnlyWhileAWriterLives) {
    const Reader reader;
    const std::string thai = u8"ภาพ.jpg|", emoji = u8"🌅 sunrise.jpg|";
    const std::string longer = u8"เก่า-long-name.jpg|";
    std::string huge(kFileListStringBytes + 50, 'n');
    huge.replace(0, thai.size(), thai);
    const std::wstring hugeWide = Wide(huge);
    const struct {
        const char* what;
        std::vector<std::string> texts;  // written in order; the last is read
        std::string binDir;
        bool smallBlocks;
        int size;
        std::wstring read;
    } rows[] = {
        {"Thai and an emoji outside the basic plane", {thai + emoji}, test_support::BinDir(), false,
         static_cast<int>(Wide(thai + emoji).size()) + 1, Wide(thai + emoji)},
        {"written by the other kind", {thai + emoji}, test_support::OtherKindBinDir(), false,
         static_cast<int>(Wide(thai + emoji).size()) + 1, Wide(thai + emoji)},
        {"after a longer text: its tail stays, the size tells the end", {longer, thai}, test_support::BinDir(), false,
         static_cast<int>(Wide(thai).size()) + 1, Wide(thai)},
        {"the empty list", {""}, test_support::OtherKindBinDir(), false, 1, L""},
        {"longer than the block", {huge}, test_support::BinDir(), false, static_cast<int>(hugeWide.size()) + 1,
         hugeWide.substr(0, kFileListStringBytes)},
        {"into blocks another program made one page large", {huge}, test_support::BinDir(), true,
         static_cast<int>(hugeWide.size()) + 1, hugeWide.substr(0, 4096 / sizeof(wchar_t))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.binDir != test_support::BinDir() && !test_support::OtherKindRuns()) continue;
        {
            const Writer writer(row.texts, row.smallBlocks, row.binDir);
            ASSERT_TRUE(writer.started()) << "build the other target first";
            EXPECT_EQ(reader.SizeW(), row.size);
            EXPECT_EQ(reader.TextW(), row.read);
        }
        EXPECT_EQ(reader.SizeW(), 0) << "no process holds the blocks any more";
        const auto none = reader.ReadW(7, 7);
        EXPECT_EQ(none.first, 0);
        EXPECT_EQ(none.second, std::wstring(7, kWideUnwritten));
    }
}

TEST(FileList, WideReaderRefusesHostileSizesAndNeverWritesPastTheBufferOrReadsPastTheBlock) {
    const std::string text = u8"ภาพ.jpg|b.png|";
    const Writer writer({text});
    ASSERT_TRUE(writer.started());
    const Reader reader;
    const std::wstring wide = Wide(text);
    ASSERT_EQ(reader.SizeW(), static_cast<int>(wide.size()) + 1);
    const int fits = reader.SizeW();
    const size_t guarded = kFileListStringBytes + 1 + 64;
    const struct {
        int size;
        size_t bufferUnits;
        int result;
        size_t written;  // units from the start that the export may write
    } cases[] = {
        {fits, static_cast<size_t>(fits), 1, static_cast<size_t>(fits)},
        {4, 4, 1, 4},
        {1, 1, 1, 1},
        {0, 8, 0, 0},
        {-1, 8, 0, 0},
        {INT_MIN, 8, 0, 0},
        {fits, 0, 0, 0},
        {INT_MAX, guarded, 1, kFileListStringBytes + 1},
        {kFileListStringBytes + 2, guarded, 1, kFileListStringBytes + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " over " + std::to_string(c.bufferUnits) + " units");
        const auto read = reader.ReadW(c.size, c.bufferUnits);
        EXPECT_EQ(read.first, c.result);
        if (c.written) {
            EXPECT_EQ(read.second.c_str(), wide.substr(0, c.written - 1));
        }
        EXPECT_EQ(read.second.find_first_not_of(kWideUnwritten, c.written), std::wstring::npos);
    }
}

TEST(FileList, HostileSizesAreRefusedOrClippedToTheBlock) {
    const Writer writer({"a.jpg|b.png|"});
    ASSERT_TRUE(writer.started());
    const Reader reader;
    ASSERT_EQ(reader.Size(), 13);
    const size_t guarded = kFileListStringBytes + 1 + 64;
    const struct {
        int size;
        size_t bufferBytes;
        int result;
        size_t written;  // bytes from the start that the export may write
    } cases[] = {
        {13, 13, 1, 13},           {1, 1, 1, 1},         {0, 8, 0, 0},           {-1, 8, 0, 0},
        {INT_MIN, 8, 0, 0},        {13, 0, 0, 0},        {INT_MAX, guarded, 1, kFileListStringBytes + 1},
        {kFileListStringBytes + 2, guarded, 1, kFileListStringBytes + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " over " + std::to_string(c.bufferBytes) + " bytes");
        const ReadBack read = reader.Read(c.size, c.bufferBytes);
        EXPECT_EQ(read.result, c.result);
        if (c.written) {
            EXPECT_EQ(read.buffer.c_str(), std::string("a.jpg|b.png|").substr(0, c.written - 1));
        }
        EXPECT_EQ(read.buffer.find_first_not_of(kUnwritten, c.written), std::string::npos);
    }
}

TEST(FileList, TextsLongerThanTheBlockOrThanABlockCreatedSmallerArriveCut) {
    const Reader reader;
    std::string huge(kFileListStringBytes + 100, 'n');
    for (size_t i = 0; i < huge.size(); i += 10) huge[i] = '|';
    {
        const Writer writer({huge});
        ASSERT_TRUE(writer.started());
        EXPECT_EQ(reader.Size(), static_cast<int>(huge.size()) + 1) << "the size block holds the whole length";
        EXPECT_EQ(reader.Text(), huge.substr(0, kFileListStringBytes));
    }
    {
        const Writer writer({std::string(10000, 'm')}, true);
        ASSERT_TRUE(writer.started());
        EXPECT_EQ(reader.Size(), 10001);
        EXPECT_EQ(reader.Text(), std::string(4096, 'm')) << "a block keeps the size it was first created with";
    }
    {
        const Writer writer({""});
        ASSERT_TRUE(writer.started());
        EXPECT_EQ(reader.Size(), 1);
        EXPECT_EQ(reader.Text(), "");
    }
}

TEST(FileList, TenThousandCommandsLeaveTheHandleCountWhereTheFirstLeftItAndTheLastListReadable) {
    // As in the shell, the trace lines have no console to go to.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    const test_support::ScopedTempDir dir;
    CPMenu menu;
    menu.m_multi_selected = 1;
    menu.m_fileNames = {"", "b.jpg", "Trip"};  // a drive root's name is empty
    menu.m_choosePath = dir.path();
    menu.m_mainPath = win32::widen(dir.path());  // no viewer there: every command publishes and fails to start it
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(1);

    ASSERT_EQ(menu.InvokeCommand(&info), S_OK);
    const DWORD afterFirst = test_support::CountResources().handles;
    for (int i = 1; i < 10000; ++i) ASSERT_EQ(menu.InvokeCommand(&info), S_OK);
    EXPECT_EQ(test_support::CountResources().handles, afterFirst);
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    EXPECT_EQ(Reader().Text(), "|b.jpg|Trip|");
}

// One life of the real module in a shell: loaded, a handler created through the class object
// right-clicks a photo (the module keeps its thumbnail), another takes the selection and runs
// "Rotate", everything is released, the module says it can go and is unloaded.
void LoadPublishUnload(IDataObject* photo, IDataObject* selection) {
    {
        const test_support::DravikModule dravik;
        ASSERT_TRUE(dravik);
        {
            Microsoft::WRL::ComPtr<IShellExtInit> init = dravik.Handler<IShellExtInit>();
            ASSERT_TRUE(init);
            ASSERT_EQ(init->Initialize(nullptr, photo, nullptr), S_OK);
        }
        {
            Microsoft::WRL::ComPtr<IShellExtInit> init = dravik.Handler<IShellExtInit>();
            Microsoft::WRL::ComPtr<IContextMenu> menu;
            ASSERT_TRUE(init && SUCCEEDED(init.As(&menu)));
            ASSERT_EQ(init->Initialize(nullptr, selection, nullptr), S_OK);
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof(info);
            info.lpVerb = MAKEINTRESOURCEA(1);
            ASSERT_EQ(menu->InvokeCommand(&info), S_OK);
        }
        ASSERT_EQ(dravik.CanUnloadNow(), S_OK);
    }
    ASSERT_EQ(GetModuleHandleA("Dravik.dll"), nullptr) << "nothing else holds the module";
}

// True once no process holds the blocks of either list any more.
bool WaitUntilNoListExists() {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50)) {
        const bool anyHeld = std::any_of(std::begin(kEveryBlock), std::end(kEveryBlock), [](const char* name) {
            return win32::unique_handle(OpenFileMappingA(FILE_MAP_READ, FALSE, name)).is_valid();
        });
        if (!anyHeld) return true;
    }
    return false;
}

TEST(FileList, AHundredModuleLifetimesLeaveNoHandleOrViewBehindAndTheViewerReadsItsListAfterTheUnload) {
    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    const test_support::ScopedTempDir dir;
    // This program's own writer (the handler's code is linked in) holds no list either.
    dravik::ReleaseFileListBlocks();
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        ASSERT_TRUE(test_support::WriteWholeFile(dir / name, name));
    const std::string viewer = dir / "viewer", noViewer = dir / "no viewer";
    ASSERT_TRUE(CreateDirectoryA(viewer.c_str(), nullptr) && CreateDirectoryA(noViewer.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(test_support::InBin("late_viewer.exe").c_str(), (viewer + "\\Lumorex.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test_support::InBin("Dravik.dll").c_str(), (viewer + "\\Dravik.dll").c_str(), FALSE));
    ASSERT_TRUE(image_files::WriteImage(dir / "photo.jpg", {image_files::Format::Jpeg, 640, 480}));
    const auto photo = samples::ShellDataObject({dir / "photo.jpg"});
    const auto earlier = samples::ShellDataObject({dir / "one.txt", dir / "two.txt"});
    const auto last = samples::ShellDataObject({dir / "three.txt", dir / "one.txt"});
    ASSERT_TRUE(photo && earlier && last);
    // The viewers started read when their event is set; the first one's is set already.
    test_support::NamedEvent readFirst, readLast;
    readFirst.Set();
    const std::string firstReport = dir / "first.txt", lastReport = dir / "last.txt";
    auto startViewers = [&](const test_support::NamedEvent* readWhen, const std::string& report) {
        ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", readWhen ? viewer : noViewer));
        SetEnvironmentVariableA("LUMOREX_READ_WHEN", readWhen ? readWhen->name().c_str() : nullptr);
        SetEnvironmentVariableA("LUMOREX_VIEWER_REPORT", report.empty() ? nullptr : report.c_str());
    };

    constexpr int kLifetimes = 100;
    startViewers(&readFirst, firstReport);
    ASSERT_NO_FATAL_FAILURE(LoadPublishUnload(photo.Get(), earlier.Get()));
    ASSERT_TRUE(test_support::WaitForFile(firstReport));
    EXPECT_EQ(test_support::ReadWholeFile(firstReport), "list=one.txt|two.txt|\nwide list=one.txt|two.txt|\n");
    const std::map<std::string, DWORD> handlesBefore = test_support::CountHandlesByKind();
    const DWORD viewsBefore = test_support::CountMappedViews();
    const DWORD gdiObjectsBefore = test_support::CountResources().gdiObjects;

    startViewers(nullptr, "");
    for (int i = 2; i < kLifetimes; ++i) ASSERT_NO_FATAL_FAILURE(LoadPublishUnload(photo.Get(), earlier.Get()));
    startViewers(&readLast, lastReport);
    ASSERT_NO_FATAL_FAILURE(LoadPublishUnload(photo.Get(), last.Get()));
    startViewers(nullptr, "");

    std::map<std::string, DWORD> handlesAfter = test_support::CountHandlesByKind();
    EXPECT_EQ(test_support::CountMappedViews(), viewsBefore);
    EXPECT_EQ(test_support::CountResources().gdiObjects, gdiObjectsBefore);
#if !defined(_WIN64)
    // The 32-bit runtime's unwinder keeps one semaphore of every module load (its frame tables' lock):
    // in each lifetime the module's and the image library's.
    const DWORD semaphores = handlesBefore.count("Semaphore") ? handlesBefore.at("Semaphore") : 0;
    EXPECT_LE(handlesAfter["Semaphore"], semaphores + 2 * (kLifetimes - 1));
    handlesAfter["Semaphore"] = semaphores;
    if (!semaphores) handlesAfter.erase("Semaphore");
#endif
    EXPECT_EQ(handlesAfter, handlesBefore);

    // The last viewer reads only now, after the module that wrote its list is gone.
    readLast.Set();
    ASSERT_TRUE(test_support::WaitForFile(lastReport));
    EXPECT_EQ(test_support::ReadWholeFile(lastReport), "list=three.txt|one.txt|\nwide list=three.txt|one.txt|\n");
    EXPECT_TRUE(WaitUntilNoListExists()) << "once that viewer has ended, no process holds the list";
}

}  // namespace

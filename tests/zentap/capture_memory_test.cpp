#include "capture_memory.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture_module.h"
#include "resource_counts.h"
#include "test_support.h"
#include "win32/unique_handle.h"

using zentap::CaptureRecord;
using zentap::LastArea;
using test_support::ChildProcess;
using test_support::NamedEvent;

namespace {

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

// A record in which every byte, padding and reserved bytes included, differs from its neighbours.
CaptureRecord PatternedRecord(unsigned seed) {
    CaptureRecord record;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (size_t i = 0; i < sizeof(record); ++i) bytes[i] = static_cast<unsigned char>(seed + i * 37);
    return record;
}

DWORD RunPeer(const std::string& arguments) { return test_support::RunProcess("capture_memory_peer.exe " + arguments); }

// A second process that holds the capture record open until the object goes.
class RecordHolder {
public:
    RecordHolder() : m_peer(test_support::InBin("capture_memory_peer.exe hold " + m_ready.name() + " " + m_quit.name())) {
        m_holding = m_peer.started() && m_ready.Wait();
    }
    ~RecordHolder() { Leave(); }
    bool holding() const { return m_holding; }
    DWORD Leave() {
        m_quit.Set();
        return m_peer.Wait();
    }

private:
    NamedEvent m_ready;
    NamedEvent m_quit;
    ChildProcess m_peer;
    bool m_holding = false;
};

// Each case starts in a process that has not touched the blocks, with no other process holding them.
class SharedBlocks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(zentap::CaptureMemoryExists()) << "another process holds the record"; }
    void TearDown() override { zentap::ReleaseCaptureMemory(); }

    test_support::ScopedTempDir m_dir;
    const std::string m_file = m_dir / "block.bin";
};

using CaptureRecordAcrossProcesses = SharedBlocks;

TEST_F(CaptureRecordAcrossProcesses, RecordWrittenHereReadsBackByteForByteInAnotherProcess) {
    const CaptureRecord written = PatternedRecord(11);
    ASSERT_TRUE(zentap::WriteCaptureRecord(written));
    ASSERT_EQ(RunPeer("read-record " + m_file), 0u);
    EXPECT_EQ(test_support::ReadWholeFile(m_file), Bytes(&written, sizeof(written)));
}

TEST_F(CaptureRecordAcrossProcesses, RecordWrittenInAnotherProcessReadsBackByteForByteHere) {
    CaptureRecord record;
    ASSERT_TRUE(zentap::ReadCaptureRecord(record));  // keeps the record alive past the writer
    const CaptureRecord written = PatternedRecord(200);
    ASSERT_TRUE(test_support::WriteWholeFile(m_file, Bytes(&written, sizeof(written))));
    ASSERT_EQ(RunPeer("write-record " + m_file), 0u);
    ASSERT_TRUE(zentap::ReadCaptureRecord(record));
    EXPECT_EQ(Bytes(&record, sizeof(record)), Bytes(&written, sizeof(written)));
}

TEST_F(CaptureRecordAcrossProcesses, FirstAccessCreatesAHundredZeroBytes) {
    ASSERT_EQ(RunPeer("read-record " + m_file), 0u);
    EXPECT_EQ(test_support::ReadWholeFile(m_file), std::string(100, '\0')) << "in a second process";

    CaptureRecord record = PatternedRecord(3);
    ASSERT_TRUE(zentap::ReadCaptureRecord(record));
    EXPECT_EQ(Bytes(&record, sizeof(record)), std::string(100, '\0')) << "here, after the peer let it go";
    EXPECT_EQ(zentap::ModeText(record), "");
}

TEST_F(CaptureRecordAcrossProcesses, GarbageModeFromAnotherProcessIsReadOnlyWithinItsThirtyBytes) {
    CaptureRecord garbage = PatternedRecord(0);
    std::memset(garbage.mode, 'x', sizeof(garbage.mode));
    std::memset(garbage.gap, 'x', sizeof(garbage.gap));
    std::memset(&garbage.notifyWnd, 'x', sizeof(garbage.notifyWnd));
    CaptureRecord record;
    ASSERT_TRUE(zentap::ReadCaptureRecord(record));
    ASSERT_TRUE(test_support::WriteWholeFile(m_file, Bytes(&garbage, sizeof(garbage))));
    ASSERT_EQ(RunPeer("write-record " + m_file), 0u);
    ASSERT_TRUE(zentap::ReadCaptureRecord(record));

    EXPECT_EQ(zentap::ModeText(record), std::string(30, 'x'));
    EXPECT_FALSE(zentap::ModeIs(record, std::string(30, 'x').c_str()));
    EXPECT_FALSE(zentap::ModeIs(record, std::string(32, 'x').c_str()));
    EXPECT_FALSE(zentap::ModeIs(record, "select"));
}

using LastAreaAcrossProcesses = SharedBlocks;

TEST_F(LastAreaAcrossProcesses, AreaWrittenHereReadsBackInAnotherProcessCornersUnordered) {
    const LastArea written = {200, 150, 100, -100};
    ASSERT_TRUE(zentap::WriteLastArea(written));
    ASSERT_EQ(RunPeer("read-area " + m_file), 0u);
    EXPECT_EQ(test_support::ReadWholeFile(m_file), Bytes(&written, sizeof(written)));
}

TEST_F(LastAreaAcrossProcesses, AreaWrittenInAnotherProcessReadsBackHere) {
    LastArea area;
    ASSERT_TRUE(zentap::ReadLastArea(area));
    const LastArea written = {-32768, 7, 65536, 0x7FFFFFFF};
    ASSERT_TRUE(test_support::WriteWholeFile(m_file, Bytes(&written, sizeof(written))));
    ASSERT_EQ(RunPeer("write-area " + m_file), 0u);
    ASSERT_TRUE(zentap::ReadLastArea(area));
    EXPECT_EQ(Bytes(&area, sizeof(area)), Bytes(&written, sizeof(written)));
}

TEST_F(LastAreaAcrossProcesses, FirstAccessCreatesSixteenZeroBytes) {
    ASSERT_EQ(RunPeer("read-area " + m_file), 0u);
    EXPECT_EQ(test_support::ReadWholeFile(m_file), std::string(16, '\0'));
}

using CaptureMemoryLifetime = SharedBlocks;

TEST_F(CaptureMemoryLifetime, RecordExistsExactlyWhileSomeProcessHoldsIt) {
    EXPECT_FALSE(zentap::CaptureMemoryExists()) << "asking never creates it";
    RecordHolder holder;
    ASSERT_TRUE(holder.holding());
    EXPECT_TRUE(zentap::CaptureMemoryExists());
    ASSERT_EQ(holder.Leave(), 0u);
    EXPECT_FALSE(zentap::CaptureMemoryExists());
}

TEST_F(CaptureMemoryLifetime, RecordKeepsItsValuesWhileAnyProcessHoldsIt) {
    const CaptureRecord written = PatternedRecord(99);
    {
        RecordHolder holder;
        ASSERT_TRUE(holder.holding());
        ASSERT_TRUE(zentap::WriteCaptureRecord(written));
        zentap::ReleaseCaptureMemory();
        ASSERT_EQ(RunPeer("read-record " + m_file), 0u);
        EXPECT_EQ(test_support::ReadWholeFile(m_file), Bytes(&written, sizeof(written)));
    }
    ASSERT_EQ(RunPeer("read-record " + m_file), 0u);
    EXPECT_EQ(test_support::ReadWholeFile(m_file), std::string(100, '\0')) << "fresh once the last holder left";
}

TEST_F(CaptureMemoryLifetime, ModuleExitGivesBackThisProcesssHandlesAndViews) {
    ASSERT_TRUE(zentap::WriteCaptureRecord(PatternedRecord(5)));
    ASSERT_TRUE(zentap::WriteLastArea(LastArea{1, 2, 3, 4}));
    ASSERT_TRUE(zentap::CaptureMemoryExists());
    zentap::InitInstance(GetModuleHandleA(nullptr));
    zentap::ExitInstance(false);
    EXPECT_FALSE(zentap::CaptureMemoryExists());
    LastArea area = {9, 9, 9, 9};
    ASSERT_TRUE(zentap::ReadLastArea(area));
    EXPECT_EQ(Bytes(&area, sizeof(area)), std::string(16, '\0'));
}

// Regions of this process's address space that are views of mappings.
int CountMappedViews() {
    int count = 0;
    MEMORY_BASIC_INFORMATION region;
    for (BYTE* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_MAPPED && region.AllocationBase == region.BaseAddress)
            ++count;
    }
    return count;
}

struct Race {
    HANDLE start;
    LONG failures;
};

DWORD WINAPI RaceToFirstAccess(void* parameter) {
    auto* race = static_cast<Race*>(parameter);
    WaitForSingleObject(race->start, INFINITE);
    CaptureRecord record;
    LastArea area;
    if (!zentap::ReadCaptureRecord(record) || !zentap::ReadLastArea(area)) InterlockedIncrement(&race->failures);
    return 0;
}

TEST_F(CaptureMemoryLifetime, ThreadsRacingToFirstAccessEndWithOneHandleAndOneViewEach) {
    win32::unique_handle start(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const DWORD handlesBefore = test_support::CountResources().handles;
    const int viewsBefore = CountMappedViews();

    constexpr int kThreads = 12;
    Race race = {start.get(), 0};
    std::vector<win32::unique_handle> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back(CreateThread(nullptr, 0, &RaceToFirstAccess, &race, 0, nullptr));
    SetEvent(start.get());
    for (auto& thread : threads) ASSERT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0);
    threads.clear();

    EXPECT_EQ(race.failures, 0);
    EXPECT_EQ(test_support::CountResources().handles, handlesBefore + 2) << "one mapping handle per block";
    EXPECT_EQ(CountMappedViews(), viewsBefore + 2) << "one view per block";
}

// The mode helpers on a field whose last byte is the last readable byte of memory: reading one
// byte past the field would fault.
class ModeAtEdgeOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        m_page = system.dwPageSize;
        m_memory = static_cast<char*>(VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        ASSERT_NE(m_memory, nullptr);
        DWORD previous;
        ASSERT_TRUE(VirtualProtect(m_memory + m_page, m_page, PAGE_NOACCESS, &previous));
    }
    void TearDown() override { VirtualFree(m_memory, 0, MEM_RELEASE); }

    const char (&Field(const char* bytes))[zentap::kModeSize] {
        char* field = m_memory + m_page - zentap::kModeSize;
        std::memcpy(field, bytes, zentap::kModeSize);
        return *reinterpret_cast<const char(*)[zentap::kModeSize]>(field);
    }

    char* m_memory = nullptr;
    DWORD m_page = 0;
};

TEST_F(ModeAtEdgeOfMemory, UnterminatedFieldMatchesNoTextAndIsNotReadPast) {
    const std::string full(30, 's');
    const auto& field = Field(full.c_str());
    EXPECT_FALSE(zentap::ModeFieldEquals(field, full.c_str()));
    EXPECT_FALSE(zentap::ModeFieldEquals(field, (full + "sssss").c_str()));
    EXPECT_FALSE(zentap::ModeFieldEquals(field, "select"));
}

TEST_F(ModeAtEdgeOfMemory, TerminatedTextsMatchOnlyThemselves) {
    char bytes[zentap::kModeSize];
    std::memset(bytes, '#', sizeof(bytes));
    std::memcpy(bytes, "selected", 9);
    const auto& field = Field(bytes);
    EXPECT_TRUE(zentap::ModeFieldEquals(field, "selected"));
    EXPECT_FALSE(zentap::ModeFieldEquals(field, "select"));
    EXPECT_FALSE(zentap::ModeFieldEquals(field, "selected#"));
    EXPECT_FALSE(zentap::ModeFieldEquals(field, "SELECTED"));

    std::memcpy(bytes, std::string(29, 'z').c_str(), 30);
    EXPECT_TRUE(zentap::ModeFieldEquals(Field(bytes), std::string(29, 'z').c_str())) << "the longest that fits";
}

TEST(ModeWriting, CopiesTextWithTerminatorAndLeavesTheRestOfTheField) {
    CaptureRecord record = PatternedRecord(1);
    const CaptureRecord before = record;
    zentap::SetMode(record, "select");
    EXPECT_TRUE(zentap::ModeIs(record, "select"));
    EXPECT_EQ(std::memcmp(record.mode + 7, before.mode + 7, 23), 0);
    EXPECT_EQ(std::memcmp(&record.notifyWnd, &before.notifyWnd, sizeof(record) - offsetof(CaptureRecord, notifyWnd)),
              0);

    zentap::SetMode(record, "cancel");
    zentap::SetMode(record, "object");
    EXPECT_EQ(zentap::ModeText(record), "object");
}

TEST(ModeWriting, TextTooLongForTheFieldIsCutBeforeTheLastByte) {
    CaptureRecord record = PatternedRecord(2);
    const CaptureRecord before = record;
    zentap::SetMode(record, std::string(40, 'q').c_str());
    EXPECT_EQ(zentap::ModeText(record), std::string(29, 'q'));
    EXPECT_EQ(std::memcmp(record.gap, before.gap, sizeof(record.gap)), 0);
}

}  // namespace

// The handler where memory runs out: whatever fails, every COM method and export answers with a
// result instead of an exception, and Initialize gives back and unlocks the storage medium it took.
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "com/class_factory.h"
#include "failing_allocations.h"
#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"
#include "test_support.h"
#include "user_settings.h"

using Microsoft::WRL::ComPtr;
using dravik::CPMenu;
using test_support::FailingAllocations;

namespace {

// Stands where a storage medium's owner would be: counts the releases that reach it.
class ReleaseCounter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        ++releases;
        return 1;
    }
    int releases = 0;
};

// A shell data object handed through to the handler. The medium its GetData gives out is watched:
// its release reaches the counter instead of freeing the block (freed by the test), and from
// GetData's return on, the handler's allocations fail after the first `allowed` ones.
class WatchedDataObject : public IDataObject {
public:
    WatchedDataObject(ComPtr<IDataObject> inner, int allowed) : m_inner(std::move(inner)), m_allowed(allowed) {}
    ~WatchedDataObject() {
        if (m_block) GlobalFree(m_block);
        if (m_innerOwner) m_innerOwner->Release();
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        const HRESULT hr = m_inner->GetData(format, medium);
        if (SUCCEEDED(hr) && medium->tymed == TYMED_HGLOBAL) {
            m_block = medium->hGlobal;
            m_innerOwner = medium->pUnkForRelease;
            medium->pUnkForRelease = &counter;
            FailingAllocations::Arm(m_allowed);
        }
        return hr;
    }
    // Whether the block is locked now.
    bool Locked() const { return m_block && (GlobalFlags(m_block) & GMEM_LOCKCOUNT) != 0; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* f, STGMEDIUM* m) override { return m_inner->GetDataHere(f, m); }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override { return m_inner->QueryGetData(f); }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override {
        return m_inner->GetCanonicalFormatEtc(in, out);
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* f, STGMEDIUM* m, BOOL release) override {
        return m_inner->SetData(f, m, release);
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** e) override {
        return m_inner->EnumFormatEtc(direction, e);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* f, DWORD flags, IAdviseSink* sink, DWORD* c) override {
        return m_inner->DAdvise(f, flags, sink, c);
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD c) override { return m_inner->DUnadvise(c); }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** e) override { return m_inner->EnumDAdvise(e); }

    ReleaseCounter counter;

private:
    ComPtr<IDataObject> m_inner;
    int m_allowed;
    HGLOBAL m_block = nullptr;
    IUnknown* m_innerOwner = nullptr;
};

class WhenMemoryRunsOut : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA((dir / "album").c_str(), nullptr));
        ASSERT_TRUE(test_support::WriteWholeFile(dir / "notes.txt", "plain text"));
        ASSERT_TRUE(image_files::WriteImage(dir / "photo.jpg", {image_files::Format::Jpeg, 64, 48}));
    }
    ComPtr<IDataObject> Selection(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(dir / name);
        return samples::ShellDataObject(paths);
    }

    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    test_support::ScopedTempDir dir;
};

TEST_F(WhenMemoryRunsOut, InitializeGivesTheMediumBackUnlockedWhicheverAllocationFails) {
    const std::vector<std::string> selections[] = {{"photo.jpg"}, {"album"}, {"notes.txt", "album", "photo.jpg"}};
    for (const auto& names : selections) {
        const ComPtr<IDataObject> shell = Selection(names);
        ASSERT_TRUE(shell);
        // Every allocation after GetData fails in turn, until Initialize runs through.
        for (int allowed = 0;; ++allowed) {
            SCOPED_TRACE(names[0] + ", allocation " + std::to_string(allowed) + " after GetData fails");
            WatchedDataObject watched(shell, allowed);
            CPMenu menu;
            const HRESULT hr = menu.Initialize(nullptr, &watched, nullptr);
            const bool refused = FailingAllocations::Refused();
            FailingAllocations::Disarm();
            EXPECT_EQ(hr, refused ? E_OUTOFMEMORY : S_OK);
            EXPECT_EQ(watched.counter.releases, 1);
            EXPECT_FALSE(watched.Locked());
            if (!refused || HasFailure()) break;
        }
    }
}

TEST_F(WhenMemoryRunsOut, EveryComMethodAndExportAnswersAsUsualOrOutOfMemoryAndThrowsNothing) {
    test_support::ScopedUserSettings::Set("Main Path", dir / "album");  // no viewer there
    const ComPtr<IDataObject> photo = Selection({"photo.jpg"});
    CPMenu menu;
    menu.AddRef();  // this test's own reference: the interfaces handed out never end the object
    ASSERT_EQ(menu.Initialize(nullptr, photo.Get(), nullptr), S_OK);
    const win32::unique_hmenu popup(CreatePopupMenu());
    ASSERT_EQ(menu.QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(0, 0, 13));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dravik::ClassFactory::Create(CPMenu::CreateInstance, IID_PPV_ARGS(&factory)), S_OK);
    const win32::unique_mem_dc dc(CreateCompatibleDC(nullptr));
    char listBuffer[64] = {};
    wchar_t wideListBuffer[64] = {};

    // What a COM method answers when memory runs out; the exports answer "no list".
    constexpr long kOutOfMemory = E_OUTOFMEMORY, kNoList = 0;
    const struct {
        const char* method;
        long outOfMemory;
        std::function<long()> call;
    } calls[] = {
        {"Initialize", kOutOfMemory, [&] { return menu.Initialize(nullptr, photo.Get(), nullptr); }},
        {"QueryContextMenu", kOutOfMemory,
         [&] {
             const win32::unique_hmenu other(CreatePopupMenu());
             return menu.QueryContextMenu(other.get(), 0, 1, 0x7FFF, CMF_NORMAL);
         }},
        {"InvokeCommand", kOutOfMemory,
         [&] {
             CMINVOKECOMMANDINFO info = {};
             info.cbSize = sizeof(info);
             info.lpVerb = MAKEINTRESOURCEA(1);
             return menu.InvokeCommand(&info);
         }},
        {"GetCommandString", kOutOfMemory,
         [&] {
             char text[8];
             return menu.GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof(text));
         }},
        {"HandleMenuMsg2 drawing the preview", kOutOfMemory,
         [&] {
             DRAWITEMSTRUCT draw = {};
             draw.CtlType = ODT_MENU;
             draw.itemID = static_cast<UINT>(menu.m_previewCmdId);
             draw.hDC = dc.get();
             draw.rcItem = {0, 0, 200, 200};
             LRESULT result = 0;
             return menu.HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result);
         }},
        {"HandleMenuMsg measuring the preview", kOutOfMemory,
         [&] {
             MEASUREITEMSTRUCT measure = {};
             measure.CtlType = ODT_MENU;
             measure.itemID = static_cast<UINT>(menu.m_previewCmdId);
             return menu.HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
         }},
        {"QueryInterface", kOutOfMemory,
         [&] {
             ComPtr<IContextMenu3> found;
             return menu.QueryInterface(IID_PPV_ARGS(&found));
         }},
        {"GetTypeInfo", kOutOfMemory,
         [&] {
             ComPtr<ITypeInfo> info;
             return menu.GetTypeInfo(0, 0, &info);
         }},
        {"GetIDsOfNames", kOutOfMemory,
         [&] {
             wchar_t name[] = L"Anything";
             LPOLESTR names[] = {name};
             DISPID id = 0;
             return menu.GetIDsOfNames(IID_NULL, names, 1, 0, &id);
         }},
        {"IClassFactory::CreateInstance", kOutOfMemory,
         [&] {
             ComPtr<IUnknown> created;
             return factory->CreateInstance(nullptr, IID_PPV_ARGS(&created));
         }},
        {"get_FileListSize", kNoList, [&] { return static_cast<long>(get_FileListSize()); }},
        {"get_FileListString", kNoList,
         [&] { return static_cast<long>(get_FileListString(sizeof(listBuffer), listBuffer)); }},
        {"get_FileListSizeW", kNoList, [&] { return static_cast<long>(get_FileListSizeW()); }},
        {"get_FileListStringW", kNoList,
         [&] { return static_cast<long>(get_FileListStringW(sizeof(wideListBuffer) / sizeof(wchar_t), wideListBuffer)); }},
    };
    for (const auto& c : calls) {
        SCOPED_TRACE(c.method);
        const long usual = c.call();
        long answer = 0;
        bool thrown = false;
        {
            const FailingAllocations failing;
            try {
                answer = c.call();
            } catch (...) {
                thrown = true;
            }
        }
        EXPECT_FALSE(thrown);
        EXPECT_TRUE(answer == usual || answer == c.outOfMemory) << std::hex << answer << " instead of " << usual;
    }
    dravik::ReleaseFileListBlocks();
}

}  // namespace

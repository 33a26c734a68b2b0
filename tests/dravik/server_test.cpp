#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "com/object_map.h"
#include "com/resource.h"
#include "dravik/dravik_module.h"
#include "handler/pmenu.h"
#include "test_support.h"
#include "win32/module_instance.h"
#include "win32/unique_bstr.h"

using Microsoft::WRL::ComPtr;

namespace {

class Server : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dravik) << "Dravik.dll or one of its entry points is missing"; }

    test_support::DravikModule dravik;
};

// An outer object that aggregates a handler and offers only IShellExtInit of it. It lives on the
// stack; its count only shows what reaches it.
class Outer : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IShellExtInit)) return inner->QueryInterface(riid, ppv);
        if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }

    ComPtr<IUnknown> inner;
    ULONG count = 1;
};

TEST_F(Server, CachedFactoryAndEveryHolderKeepTheModuleLoaded) {
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
    ComPtr<IClassFactory> first, second;
    ASSERT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&first)), S_OK);
    ASSERT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&second)), S_OK);
    EXPECT_EQ(first.Get(), second.Get()) << "one cached factory";
    EXPECT_EQ(first->AddRef(), 4u) << "the class table's reference and the two callers'";
    EXPECT_EQ(first->Release(), 3u);
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE);
    second.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE);

    ComPtr<IUnknown> handler;
    ASSERT_EQ(first->CreateInstance(nullptr, IID_PPV_ARGS(&handler)), S_OK);
    EXPECT_EQ(first->LockServer(TRUE), S_OK);
    first.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "a handler and a server lock";
    handler.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "a server lock";
    ASSERT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&first)), S_OK);
    EXPECT_EQ(first->LockServer(FALSE), S_OK);
    first.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST_F(Server, RefusedRequestsLeaveNoReferenceBehind) {
    void* object = &object;
    EXPECT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(dravik.GetClassObject(IID_IPMenu, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = &object;
    EXPECT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    ComPtr<IClassFactory> factory = dravik.Factory();
    ASSERT_TRUE(factory);
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    object = &object;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IShellExtInit, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK) << "the handler that lacked the interface is gone";
}

TEST_F(Server, InterfacesShareThePointersOfTheirTables) {
    ComPtr<IUnknown> unknown = dravik.Handler<IUnknown>();
    ASSERT_TRUE(unknown);
    auto query = [&](REFIID riid) {
        void* p = nullptr;
        const HRESULT hr = unknown->QueryInterface(riid, &p);
        if (SUCCEEDED(hr)) static_cast<IUnknown*>(p)->Release();
        return hr == S_OK ? p : nullptr;
    };
    EXPECT_EQ(query(IID_IPMenu), unknown.Get());
    EXPECT_EQ(query(IID_IDispatch), unknown.Get());
    void* const menu = query(IID_IContextMenu);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(query(IID_IContextMenu2), menu);
    EXPECT_EQ(query(IID_IContextMenu3), menu);
    void* const init = query(IID_IShellExtInit);
    EXPECT_NE(init, nullptr);
    EXPECT_NE(init, menu);
    EXPECT_EQ(query(IID_IClassFactory), nullptr);

    ComPtr<IUnknown> back;
    ASSERT_EQ(static_cast<IShellExtInit*>(init)->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
    EXPECT_EQ(back.Get(), unknown.Get());
    UINT count = 0;
    EXPECT_EQ(ComPtr<IDispatch>(static_cast<IDispatch*>(query(IID_IDispatch)))->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
}

TEST_F(Server, MenuMessagesReachTheOwnerDrawHandlersOnly) {
    ComPtr<IContextMenu3> menu = dravik.Handler<IContextMenu3>();
    ASSERT_TRUE(menu);
    // Item 0 is the preview entry's identifier until a menu is built; no thumbnail has been loaded.
    MEASUREITEMSTRUCT item = {};
    LRESULT result = 0;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item), &result), S_OK);
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(item.itemWidth, 100u);
    EXPECT_EQ(item.itemHeight, 145u);

    item = {};
    EXPECT_EQ(menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item), nullptr), S_OK);
    EXPECT_EQ(item.itemWidth, 100u) << "routed without a result pointer";
    item = {};
    EXPECT_EQ(menu->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), S_OK);
    EXPECT_EQ(item.itemWidth, 100u);

    DRAWITEMSTRUCT draw = {};
    result = 0;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result), S_OK);
    EXPECT_EQ(result, TRUE);

    result = 42;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_INITMENUPOPUP, 0, 0, &result), S_OK);
    EXPECT_EQ(result, 42) << "other messages write nothing";
}

TEST_F(Server, AggregatedHandlerAnswersForItsOuterObject) {
    Outer outer;
    ComPtr<IClassFactory> factory = dravik.Factory();
    ASSERT_EQ(factory->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)), S_OK);
    factory.Reset();
    EXPECT_NE(outer.inner.Get(), static_cast<IUnknown*>(&outer));

    ComPtr<IShellExtInit> init;
    ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&init)), S_OK);
    EXPECT_EQ(outer.count, 2u) << "the handler's reference goes to the outer object";
    ComPtr<IUnknown> identity;
    ASSERT_EQ(init.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
    // What the outer object does not offer is still found in the handler's own table.
    ComPtr<IContextMenu> menu;
    EXPECT_EQ(init.As(&menu), S_OK);
    menu.Reset();
    identity.Reset();
    init.Reset();
    EXPECT_EQ(outer.count, 1u);

    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "the aggregate is alive";
    outer.inner.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST_F(Server, CanUnloadNowOnlyOnceEveryThreadHasLetGoOfEverything) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    std::atomic<int> tooEarly{0}, failures{0};
    auto holdAndLetGo = [&] {
        for (int round = 0; round < kRounds; ++round) {
            ComPtr<IClassFactory> factory;
            ComPtr<IUnknown> handler;
            if (FAILED(dravik.GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&factory))) ||
                FAILED(factory->LockServer(TRUE)) || FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&handler)))) {
                ++failures;
                return;
            }
            tooEarly += dravik.CanUnloadNow() != S_FALSE;
            factory->LockServer(FALSE);
            tooEarly += dravik.CanUnloadNow() != S_FALSE;
            handler.Reset();
            tooEarly += dravik.CanUnloadNow() != S_FALSE;
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(holdAndLetGo);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(tooEarly, 0);
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST(SelectedFileName, ReadersOnOtherThreadsSeeOnlyWholeNames) {
    const std::string names[] = {std::string(300, 'a') + ".jpg", "b.png", std::string(1000, 'c') + ".gif"};
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            for (int n = 0; n < 5000; ++n) dravik::g_selFileName.assign(names[(i + n) % 3]);
        });
        threads.emplace_back([&] {
            while (!stop) {
                const std::string seen = dravik::g_selFileName.get();
                torn += !seen.empty() && seen != names[0] && seen != names[1] && seen != names[2];
            }
        });
    }
    for (int i = 0; i < 8; i += 2) threads[i].join();
    stop = true;
    for (int i = 1; i < 8; i += 2) threads[i].join();
    EXPECT_EQ(torn, 0);
}

TEST(ServerModule, TypeInformationCleanUpIsRegisteredOnceHoweverManyLoadsFail) {
    dravik::g_module.Start(win32::this_module(), dravik::g_objectMap);
    {
        dravik::CPMenu menu;
        for (int i = 0; i < 3; ++i) {
            // No library is registered for this locale, whatever else the machine holds.
            ITypeInfo* info = nullptr;
            menu.GetTypeInfo(0, MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT), &info);
            if (info) info->Release();
        }
    }
    EXPECT_EQ(std::distance(dravik::g_module.termCallbacks.begin(), dravik::g_module.termCallbacks.end()), 1);
    dravik::g_module.Stop();
    EXPECT_TRUE(dravik::g_module.termCallbacks.empty());
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

TEST(ModuleResources, AllAreKoreanAndTheScriptIsTheShippedText) {
    const win32::unique_hmodule data(LoadLibraryExA("Dravik.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(data);
    const struct {
        LPCSTR type;
        WORD id;
    } resources[] = {{"REGISTRY", IDR_PMENU}, {"TYPELIB", 1}, {RT_STRING, IDS_PROJNAME / 16 + 1},
                     {RT_BITMAP, IDB_MENU_BITMAP}, {RT_VERSION, 1}};
    for (const auto& resource : resources) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(data.get(), resource.type, MAKEINTRESOURCEA(resource.id), AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{0x0412}) << resource.id;
    }

    const HRSRC found = FindResourceA(data.get(), MAKEINTRESOURCEA(IDR_PMENU), "REGISTRY");
    ASSERT_TRUE(found);
    const std::string script(static_cast<const char*>(LockResource(LoadResource(data.get(), found))),
                             SizeofResource(data.get(), found));
    EXPECT_EQ(script, test_support::ReadWholeFile(DRAVIK_SOURCE_DIR "/com/Dravik.rgs"));
    EXPECT_EQ(std::count(script.begin(), script.end(), '\n'), std::count(script.begin(), script.end(), '\r'))
        << "CR LF line ends";
    char name[16] = {};
    LoadStringA(data.get(), IDS_PROJNAME, name, sizeof(name));
    EXPECT_STREQ(name, "Dravik");
}

TEST(ModuleResources, VersionBlockNamesTheModuleAndMarksItSelfRegistering) {
    DWORD unused = 0;
    std::vector<char> block(GetFileVersionInfoSizeA("Dravik.dll", &unused));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA("Dravik.dll", 0, static_cast<DWORD>(block.size()), block.data()));
    auto query = [&](const std::string& path, UINT& length) {
        void* value = nullptr;
        length = 0;
        return VerQueryValueA(block.data(), path.c_str(), &value, &length) ? value : nullptr;
    };
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\", length));
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    const auto* translation = static_cast<const WORD*>(query("\\VarFileInfo\\Translation", length));
    ASSERT_TRUE(translation);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const char* name;
        const char* text;
    } strings[] = {{"FileDescription", "Dravik Module"}, {"ProductName", "Dravik Module"},
                   {"InternalName", "Dravik"},           {"OriginalFilename", "Dravik.DLL"},
                   {"FileVersion", "1, 0, 0, 1"},        {"ProductVersion", "1, 0, 0, 1"},
                   {"CompanyName", ""},                  {"OLESelfRegister", ""}};
    for (const auto& entry : strings) {
        const char* text = static_cast<const char*>(query(std::string("\\StringFileInfo\\040904B0\\") + entry.name, length));
        ASSERT_TRUE(text) << entry.name;
        EXPECT_STREQ(length ? text : "", entry.text) << entry.name;
    }
}

TEST(ModuleResources, TypeLibraryDescribesPMenuAndItsDualInterface) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLib(L"Dravik.dll", &library), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_DRAVIKLib));
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0x0409u);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attributes);
    win32::unique_bstr help;
    ASSERT_EQ(library->GetDocumentation(-1, nullptr, help.put(), nullptr, nullptr), S_OK);
    EXPECT_STREQ(help.get(), L"Dravik 1.0 Type Library");

    auto attributesOf = [](ITypeInfo* info) {
        TYPEATTR* type = nullptr;
        if (!info || FAILED(info->GetTypeAttr(&type))) return std::make_pair(TKIND_MAX, 0);
        const auto kindAndFlags = std::make_pair(type->typekind, static_cast<int>(type->wTypeFlags));
        info->ReleaseTypeAttr(type);
        return kindAndFlags;
    };
    ComPtr<ITypeInfo> coclass, dispatch, vtable;
    HREFTYPE vtablePart = 0;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_PMenu, &coclass), S_OK);
    EXPECT_EQ(attributesOf(coclass.Get()), std::make_pair(TKIND_COCLASS, static_cast<int>(TYPEFLAG_FCANCREATE)));
    // A dual interface comes in two halves: the dispatch one, and the table one behind it.
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IPMenu, &dispatch), S_OK);
    EXPECT_EQ(attributesOf(dispatch.Get()).first, TKIND_DISPATCH);
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtablePart), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtablePart, &vtable), S_OK);
    EXPECT_EQ(attributesOf(vtable.Get()),
              std::make_pair(TKIND_INTERFACE, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE));
}

}  // namespace

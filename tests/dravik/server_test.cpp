#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "com/instance.h"
#include "com/object_map.h"
#include "com/resource.h"
#include "dravik/dravik_module.h"
#include "handler/pmenu.h"
#include "resource_counts.h"
#include "test_support.h"
#include "win32/module_instance.h"

using Microsoft::WRL::ComPtr;

namespace {

class Server : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dravik) << "Dravik.dll or one of its entry points is missing"; }

    test_support::DravikModule dravik;
};

// An outer object that aggregates a handler and offers only its IShellExtInit. It lives on the
// stack; its count shows what reaches it.
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
    second.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "an extra factory reference";

    ComPtr<IUnknown> handler;
    ASSERT_EQ(first->CreateInstance(nullptr, IID_PPV_ARGS(&handler)), S_OK);
    EXPECT_EQ(first->LockServer(TRUE), S_OK);
    first.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "a handler and a server lock";
    handler.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "a server lock";
    EXPECT_EQ(dravik.Factory()->LockServer(FALSE), S_OK);
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST_F(Server, RefusedRequestsLeaveNoReferenceBehind) {
    void* object = &object;
    EXPECT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(dravik.GetClassObject(IID_IPMenu, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(dravik.GetClassObject(CLSID_PMenu, IID_IDispatch, &object), E_NOINTERFACE);

    ComPtr<IClassFactory> factory = dravik.Factory();
    ASSERT_TRUE(factory);
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IShellExtInit, &object), CLASS_E_NOAGGREGATION);
    object = &object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK) << "the handler that lacked the interface is gone";
}

TEST_F(Server, InterfacesShareThePointersOfTheirTables) {
    ComPtr<IUnknown> unknown = dravik.Handler<IUnknown>();
    ASSERT_TRUE(unknown);
    auto pointerFor = [&](REFIID riid) {
        ComPtr<IUnknown> found;
        return SUCCEEDED(unknown->QueryInterface(riid, &found)) ? found.Get() : nullptr;
    };
    EXPECT_EQ(pointerFor(IID_IPMenu), unknown.Get());
    EXPECT_EQ(pointerFor(IID_IDispatch), unknown.Get());
    IUnknown* const menu = pointerFor(IID_IContextMenu);
    EXPECT_NE(menu, nullptr);
    EXPECT_EQ(pointerFor(IID_IContextMenu2), menu);
    EXPECT_EQ(pointerFor(IID_IContextMenu3), menu);
    IUnknown* const init = pointerFor(IID_IShellExtInit);
    EXPECT_NE(init, nullptr);
    EXPECT_NE(init, menu);
    EXPECT_EQ(pointerFor(IID_IClassFactory), nullptr);
    ComPtr<IUnknown> back;
    ASSERT_EQ(init->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
    EXPECT_EQ(back.Get(), unknown.Get());
}

TEST_F(Server, MenuMessagesReachTheOwnerDrawHandlersOnly) {
    ComPtr<IContextMenu3> menu = dravik.Handler<IContextMenu3>();
    ASSERT_TRUE(menu);
    // Item 0 is the preview entry's identifier until a menu is built; no thumbnail was loaded.
    for (int route = 0; route < 3; ++route) {
        MEASUREITEMSTRUCT item = {};
        LRESULT result = 0;
        const LPARAM lParam = reinterpret_cast<LPARAM>(&item);
        EXPECT_EQ(route == 0   ? menu->HandleMenuMsg(WM_MEASUREITEM, 0, lParam)
                  : route == 1 ? menu->HandleMenuMsg2(WM_MEASUREITEM, 0, lParam, nullptr)
                               : menu->HandleMenuMsg2(WM_MEASUREITEM, 0, lParam, &result),
                  S_OK);
        EXPECT_EQ(item.itemWidth, 100u) << route;
        EXPECT_EQ(item.itemHeight, 145u) << route;
        EXPECT_EQ(result, route == 2 ? TRUE : 0) << route;
    }
    DRAWITEMSTRUCT draw = {};
    LRESULT result = 0;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result), S_OK);
    EXPECT_EQ(result, TRUE);
    result = 42;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_INITMENUPOPUP, 0, 0, &result), S_OK);
    EXPECT_EQ(result, 42) << "other messages write nothing";
}

TEST_F(Server, AggregatedHandlerAnswersForItsOuterObject) {
    Outer outer;
    ASSERT_EQ(dravik.Factory()->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)), S_OK);
    EXPECT_NE(outer.inner.Get(), static_cast<IUnknown*>(&outer));

    ComPtr<IShellExtInit> init;
    ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&init)), S_OK);
    EXPECT_EQ(outer.count, 2u) << "the handler's reference goes to the outer object";
    ComPtr<IUnknown> identity;
    ASSERT_EQ(init.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
    ComPtr<IContextMenu> menu;
    EXPECT_EQ(init.As(&menu), S_OK) << "what the outer object lacks comes from the handler's own table";
    menu.Reset();
    identity.Reset();
    init.Reset();
    EXPECT_EQ(outer.count, 1u);
    EXPECT_EQ(dravik.CanUnloadNow(), S_FALSE) << "the aggregate is alive";
    outer.inner.Reset();
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST_F(Server, CanUnloadNowOnlyOnceEveryThreadHasLetGoOfEverything) {
    std::atomic<int> tooEarly{0}, failures{0};
    auto holdAndLetGo = [&] {
        for (int round = 0; round < 300; ++round) {
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
    std::vector<test_support::Thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back(holdAndLetGo);
    threads.clear();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(tooEarly, 0);
    EXPECT_EQ(dravik.CanUnloadNow(), S_OK);
}

TEST(SelectedFileName, ReadersOnOtherThreadsSeeOnlyWholeNames) {
    const std::string names[] = {std::string(300, 'a') + ".jpg", "b.png", std::string(1000, 'c') + ".gif"};
    std::atomic<int> writing{4}, torn{0};
    std::vector<test_support::Thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            for (int n = 0; n < 5000; ++n) dravik::g_selFileName.assign(names[(i + n) % 3]);
            --writing;
        });
        threads.emplace_back([&] {
            while (writing > 0) {
                const std::string seen = dravik::g_selFileName.get();
                torn += !seen.empty() && std::find(std::begin(names), std::end(names), seen) == std::end(names);
            }
        });
    }
    threads.clear();
    EXPECT_EQ(torn, 0);
}

TEST(ServerModule, TypeInformationCleanUpIsRegisteredOnceHoweverManyLoadsFail) {
    dravik::g_module.Start(win32::this_module(), dravik::g_objectMap);
    {
        dravik::CPMenu menu;
        for (int i = 0; i < 3; ++i) {
            // No library is registered for this locale, whatever else the machine holds.
            ComPtr<ITypeInfo> info;
            menu.GetTypeInfo(0, MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT), &info);
        }
    }
    EXPECT_EQ(std::distance(dravik::g_module.termCallbacks.begin(), dravik::g_module.termCallbacks.end()), 1);
    dravik::g_module.Stop();
    EXPECT_TRUE(dravik::g_module.termCallbacks.empty());
}

TEST(ModuleExit, AnEndingProcessReleasesNothingAnUnloadReleasesEverything) {
    dravik::InitInstance(win32::this_module());
    int cleanups = 0;
    dravik::g_module.AddTermCallback([](void* count) { ++*static_cast<int*>(count); }, &cleanups);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dravik::g_module.GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&factory)), S_OK);
    factory.Reset();  // only the class table holds it
    dravik::CPMenu writer;
    ASSERT_TRUE(writer.fileToMemoryMap("a.jpg|", L"a.jpg|"));
    const std::map<std::string, DWORD> handles = test_support::CountHandlesByKind();
    const DWORD views = test_support::CountMappedViews();

    dravik::ExitInstance(true);
    EXPECT_EQ(cleanups, 0);
    EXPECT_NE(dravik::g_objectMap[0].classFactory.load(), nullptr);
    EXPECT_EQ(test_support::CountHandlesByKind(), handles);
    EXPECT_EQ(test_support::CountMappedViews(), views);

    dravik::ExitInstance(false);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(dravik::g_objectMap[0].classFactory.load(), nullptr);
    // The blocks of the two file lists and the lock of their publishes.
    std::map<std::string, DWORD> released = handles;
    if ((released["Section"] -= 4) == 0) released.erase("Section");
    if ((released["Mutant"] -= 1) == 0) released.erase("Mutant");
    EXPECT_EQ(test_support::CountHandlesByKind(), released);
    EXPECT_EQ(test_support::CountMappedViews(), views - 4);
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
    EXPECT_EQ(std::count(script.begin(), script.end(), '\n'), std::count(script.begin(), script.end(), '\r'));
    char name[16] = {};
    LoadStringA(data.get(), IDS_PROJNAME, name, sizeof(name));
    EXPECT_STREQ(name, "Dravik");

    ComPtr<ITypeLib> library;
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(LoadTypeLib(L"Dravik.dll", &library), S_OK);
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_DRAVIKLib));
    EXPECT_EQ(attributes->wMajorVerNum * 100 + attributes->wMinorVerNum, 100);
    EXPECT_EQ(attributes->lcid, 0x0409u);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attributes);
}

TEST(ModuleResources, VersionBlockNamesTheModuleAndMarksItSelfRegistering) {
    DWORD unused = 0;
    std::vector<char> block(GetFileVersionInfoSizeA("Dravik.dll", &unused));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoA("Dravik.dll", 0, static_cast<DWORD>(block.size()), block.data()));
    const struct {
        const char* name;
        const char* text;
    } strings[] = {{"FileDescription", "Dravik Module"}, {"ProductName", "Dravik Module"}, {"InternalName", "Dravik"},
                   {"OriginalFilename", "Dravik.DLL"}, {"FileVersion", "1, 0, 0, 1"}, {"OLESelfRegister", ""}};
    for (const auto& entry : strings) {
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + entry.name;
        char* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) << entry.name;
        EXPECT_EQ(std::string(text, length ? strnlen(text, length) : 0), entry.text);
    }
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dravik/dravik_module.h"
#include "dravik/dravik_registration.h"
#include "registry_state.h"
#include "test_support.h"
#include "win32/module_path.h"

using Microsoft::WRL::ComPtr;
using test_support::RegistryLines;
using test_support::Regsvr32;
using test_support::kDravikClassKey;
using test_support::kDravikClsid;
using test_support::kDravikKeys;
using test_support::kDravikLibid;
using test_support::kHandlerLists;

namespace {

const LCID kEnglish = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

RegistryLines Sorted(RegistryLines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// What registration writes that both kinds of the module share (32-bit beside 64-bit): the shell's
// handler entries and the ProgIDs.
RegistryLines SharedKeys() {
    RegistryLines lines;
    for (const std::string& handlers : kHandlerLists) {
        lines.push_back(handlers + "\\Lumorex");
        lines.push_back(handlers + "\\Lumorex:@=" + kDravikClsid);
    }
    for (const std::string progId : {"Dravik.PMenu.1", "Dravik.PMenu"}) {
        lines.insert(lines.end(), {progId, progId + ":@=PMenu Class", progId + "\\CLSID", progId + "\\CLSID:@=" + kDravikClsid});
    }
    lines.insert(lines.end(), {"Dravik.PMenu\\CurVer", "Dravik.PMenu\\CurVer:@=Dravik.PMenu.1"});
    return Sorted(lines);
}

// The class key, which each kind writes in its own view, for a module at the given short path.
RegistryLines ClassKey(const std::string& modulePath) {
    const std::string c = kDravikClassKey;
    return Sorted({c, c + ":@=PMenu Class", c + "\\ProgID", c + "\\ProgID:@=Dravik.PMenu.1",
                   c + "\\VersionIndependentProgID", c + "\\VersionIndependentProgID:@=Dravik.PMenu",
                   c + "\\Programmable", c + "\\InprocServer32", c + "\\InprocServer32:@=" + modulePath,
                   c + "\\InprocServer32:ThreadingModel=Apartment", c + "\\TypeLib",
                   c + "\\TypeLib:@=" + kDravikLibid});
}

// What registration leaves under HKEY_CLASSES_ROOT, for a module at the given short path.
RegistryLines Registered(const std::string& modulePath) {
    RegistryLines lines = SharedKeys();
    const RegistryLines own = ClassKey(modulePath);
    lines.insert(lines.end(), own.begin(), own.end());
    return Sorted(lines);
}

bool TypeLibraryRegistered() {
    ComPtr<ITypeLib> library;
    return SUCCEEDED(LoadRegTypeLib(LIBID_DRAVIKLib, 1, 0, kEnglish, &library));
}

// Every case starts with nothing of Dravik registered and leaves HKEY_CLASSES_ROOT as it found it.
class Registration : public ::testing::Test {
protected:
    static RegistryLines Written() { return test_support::DumpKeys(HKEY_CLASSES_ROOT, kDravikKeys); }

    const std::string m_module = test_support::BinDir() + "Dravik.dll";
    test_support::ScopedDravikRegistration m_registration;
};

TEST_F(Registration, RegsvrWritesTheTableAlikeTwiceAndTakesItAwayAgain) {
    const bool otherDirectoryHandlers = !test_support::DumpKey(HKEY_CLASSES_ROOT, kHandlerLists[2]).empty();
    const RegistryLines expected = Registered(win32::short_path_name(m_module));

    ASSERT_EQ(Regsvr32("", m_module), 0u);
    EXPECT_EQ(Written(), expected);
    EXPECT_TRUE(TypeLibraryRegistered());
    ASSERT_EQ(Regsvr32("", m_module), 0u);
    EXPECT_EQ(Written(), expected) << "registered twice";

    ASSERT_EQ(Regsvr32("/u", m_module), 0u);
    EXPECT_EQ(Written(), RegistryLines{});
    EXPECT_FALSE(TypeLibraryRegistered());
    for (const char* kept : {"*\\shellex\\ContextMenuHandlers", "Folder\\shellex\\ContextMenuHandlers", "Directory\\shellex"})
        EXPECT_TRUE(test_support::KeyExists(HKEY_CLASSES_ROOT, kept)) << kept;
    EXPECT_EQ(test_support::KeyExists(HKEY_CLASSES_ROOT, kHandlerLists[2]), otherDirectoryHandlers)
        << "Directory's handler list goes when no other handler is left";
}

TEST_F(Registration, ForeignSubkeysKeepTheirParents) {
    ASSERT_EQ(Regsvr32("", m_module), 0u);
    const std::string server = kDravikClassKey + "\\InprocServer32";
    test_support::WriteLines(HKEY_CLASSES_ROOT, {server + "\\Foreign", "Dravik.PMenu\\Foreign", kHandlerLists[2] + "\\Other"});
    ASSERT_EQ(Regsvr32("/u", m_module), 0u);

    const std::string other = kHandlerLists[2] + "\\Other";
    EXPECT_EQ(test_support::DumpKeys(HKEY_CLASSES_ROOT, {kDravikClassKey, "Dravik.PMenu", kHandlerLists[2] + "\\Lumorex", other}),
              Sorted({kDravikClassKey, kDravikClassKey + ":@=PMenu Class", server,
                      server + ":@=" + win32::short_path_name(m_module), server + "\\Foreign", "Dravik.PMenu",
                      "Dravik.PMenu:@=PMenu Class", "Dravik.PMenu\\Foreign", other}));
}

TEST_F(Registration, ModulePathWithASingleQuoteIsStoredExactly) {
    test_support::ScopedTempDir dir;
    const std::string folder = dir / "it's Lumorex";
    const std::string module = folder + "\\Dravik.dll";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(m_module.c_str(), module.c_str(), FALSE));

    ASSERT_EQ(Regsvr32("", module), 0u);
    const RegistryLines server = test_support::DumpKey(HKEY_CLASSES_ROOT, kDravikClassKey + "\\InprocServer32");
    const std::string shortPath = win32::short_path_name(module);
    EXPECT_NE(shortPath.find('\''), std::string::npos);
    EXPECT_NE(std::find(server.begin(), server.end(), ":@=" + shortPath), server.end()) << shortPath;
    EXPECT_EQ(Regsvr32("/u", module), 0u);
}

// One kind of the module (32-bit or 64-bit) and its regsvr32.
struct Kind {
    SYSKIND kind;
    std::string module;
    std::string regsvr32;

    REGSAM View() const { return kind == SYS_WIN64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }
    // The class key as processes of this kind read it.
    RegistryLines ClassKeyWritten() const { return test_support::DumpKeys(HKEY_CLASSES_ROOT, {kDravikClassKey}, View()); }
    // The key that registering the type library writes for its interface in this kind's view, and
    // the library's own key, which both kinds share.
    RegistryLines InterfaceKeyWritten() const {
        return test_support::DumpKeys(HKEY_CLASSES_ROOT, {test_support::kDravikInterfaceKey}, View());
    }
    RegistryLines TypeLibraryKeyWritten() const {
        return test_support::DumpKeys(HKEY_CLASSES_ROOT, {"TypeLib\\" + kDravikLibid}, View());
    }
    RegistryLines ClassKeyWhenRegistered() const { return ClassKey(win32::short_path_name(module)); }
    // Its entry under the type library's key, which both kinds share: the path the module was
    // loaded from, which is its short form only where every folder's name is a short one.
    bool TypeLibraryEntry() const {
        const std::string key = "TypeLib\\" + kDravikLibid + "\\1.0\\409\\" + (kind == SYS_WIN64 ? "win64" : "win32");
        return test_support::DumpKey(HKEY_CLASSES_ROOT, key) == RegistryLines{":@=" + module};
    }
};

RegistryLines SharedKeysWritten() {
    RegistryLines paths(kDravikKeys.begin(), kDravikKeys.end());
    paths.erase(std::remove(paths.begin(), paths.end(), kDravikClassKey), paths.end());
    return test_support::DumpKeys(HKEY_CLASSES_ROOT, paths);
}

// This kind and the other, whose registration is taken away for a test and put back afterwards.
class RegistrationOfBothKinds : public Registration {
protected:
    void SetUp() override {
        ASSERT_NE(GetFileAttributesA(other.module.c_str()), INVALID_FILE_ATTRIBUTES) << "build the other target first";
    }

    const Kind own{test_support::kOwnKind, m_module, "regsvr32.exe"};
    const Kind other{test_support::kOtherKind, test_support::OtherKindBinDir() + "Dravik.dll",
                     test_support::OtherKindSystemDir() + "regsvr32.exe"};
    const win32::unique_hkey otherClasses = test_support::ClassesView(other.kind);
    test_support::ScopedDravikRegistration otherRegistration{otherClasses.get(), other.kind};
};

// 64-bit Windows keeps a 32-bit and a 64-bit registration of one class side by side: each kind's
// regsvr32 writes the class key in the view its processes read, both share the other keys, and
// taking one kind away leaves the other whole, and another program's subkey in its class key.
// Once both have gone, in either order, neither view keeps a key of theirs.
TEST_F(RegistrationOfBothKinds, LiveSideBySideAndEachGoesAlone) {

    for (const Kind* first : {&own, &other}) {
        const Kind* second = first == &own ? &other : &own;
        ASSERT_EQ(Regsvr32("", own.module, own.regsvr32), 0u);
        ASSERT_EQ(Regsvr32("", other.module, other.regsvr32), 0u);
        EXPECT_EQ(SharedKeysWritten(), SharedKeys());
        for (const Kind* kind : {&own, &other}) {
            EXPECT_EQ(kind->ClassKeyWritten(), kind->ClassKeyWhenRegistered()) << kind->module;
            EXPECT_TRUE(kind->TypeLibraryEntry()) << kind->module;
        }
        EXPECT_TRUE(TypeLibraryRegistered());

        // Every key opened with the view named: a 32-bit process's open below a key of the 64-bit
        // view is taken to its own view again.
        const std::string server = kDravikClassKey + "\\InprocServer32", foreign = server + "\\Foreign";
        win32::unique_hkey made;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, foreign.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | first->View(), nullptr,
                                  made.put(), nullptr),
                  ERROR_SUCCESS);
        made.reset();
        ASSERT_EQ(Regsvr32("/u", first->module, first->regsvr32), 0u);
        EXPECT_EQ(SharedKeysWritten(), SharedKeys()) << "kept for " << second->module;
        EXPECT_EQ(first->ClassKeyWritten(),
                  Sorted({kDravikClassKey, kDravikClassKey + ":@=PMenu Class", server,
                          server + ":@=" + win32::short_path_name(first->module), foreign}))
            << first->module;
        for (const std::string& kept : {foreign, server, kDravikClassKey})
            RegDeleteKeyExA(HKEY_CLASSES_ROOT, kept.c_str(), first->View(), 0);
        EXPECT_FALSE(first->TypeLibraryEntry()) << first->module;
        EXPECT_EQ(first->InterfaceKeyWritten(), RegistryLines{}) << first->module;
        EXPECT_NE(second->InterfaceKeyWritten(), RegistryLines{}) << "left whole: " << second->module;
        EXPECT_EQ(second->ClassKeyWritten(), second->ClassKeyWhenRegistered()) << "left whole: " << second->module;
        EXPECT_TRUE(second->TypeLibraryEntry()) << "left whole: " << second->module;
        if (second == &own) {
            EXPECT_TRUE(TypeLibraryRegistered()) << "found while this kind is registered";
        }

        ASSERT_EQ(Regsvr32("/u", second->module, second->regsvr32), 0u);
        EXPECT_EQ(SharedKeysWritten(), RegistryLines{});
        EXPECT_FALSE(TypeLibraryRegistered());
        for (const Kind* kind : {&own, &other}) {
            EXPECT_EQ(kind->ClassKeyWritten(), RegistryLines{}) << kind->module;
            EXPECT_EQ(kind->InterfaceKeyWritten(), RegistryLines{}) << kind->module;
            EXPECT_EQ(kind->TypeLibraryKeyWritten(), RegistryLines{}) << kind->module;
        }
    }
}

// With one kind registered, the other's registration fails part way (its ProgID's "CurVer" cannot
// be made: the ProgID's key is a volatile one now, which takes no lasting subkey). It puts back
// what it changed and nothing else: the kind registered before keeps every key it had.
TEST_F(RegistrationOfBothKinds, FailedRegistrationOfOneKindPutsBackWhatItChangedAndLeavesTheOther) {
    ASSERT_EQ(Regsvr32("", other.module, other.regsvr32), 0u);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Dravik.PMenu"), ERROR_SUCCESS);
    for (const char* key : {"Dravik.PMenu", "Dravik.PMenu\\CLSID"}) {
        win32::unique_hkey made;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  made.put(), nullptr),
                  ERROR_SUCCESS);
    }
    const RegistryLines shared = SharedKeysWritten();

    EXPECT_NE(Regsvr32("", own.module, own.regsvr32), 0u);
    EXPECT_EQ(SharedKeysWritten(), shared);
    EXPECT_EQ(own.ClassKeyWritten(), RegistryLines{});
    EXPECT_EQ(other.ClassKeyWritten(), other.ClassKeyWhenRegistered());
    EXPECT_TRUE(other.TypeLibraryEntry());
}

TEST_F(Registration, TypeInformationNeedsTheRegisteredLibrary) {
    test_support::DravikModule dravik;
    ComPtr<IDispatch> dispatch = dravik.Handler<IDispatch>();
    ASSERT_TRUE(dispatch);
    ITypeInfo* unregistered = nullptr;
    EXPECT_EQ(dispatch->GetTypeInfo(0, kEnglish, &unregistered), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(unregistered, nullptr);

    ASSERT_EQ(dravik.RegisterServer(), S_OK);
    ComPtr<ITypeInfo> typeInfo;
    ASSERT_EQ(dispatch->GetTypeInfo(0, kEnglish, &typeInfo), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualIID(attributes->guid, IID_IPMenu));
    typeInfo->ReleaseTypeAttr(attributes);
    wchar_t name[] = L"Anything";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, kEnglish, &id), DISP_E_UNKNOWNNAME);

    EXPECT_EQ(dravik.UnregisterServer(), S_OK);
    EXPECT_FALSE(TypeLibraryRegistered());
    EXPECT_EQ(Written(), RegistryLines{});
    EXPECT_EQ(dravik.UnregisterServer(), S_OK) << "with nothing left to remove";
}

}  // namespace

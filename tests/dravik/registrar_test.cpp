#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "com/registry_script.h"
#include "registry_state.h"
#include "test_support.h"

using dravik::RegistryScriptParser;
using test_support::RegistryLines;

namespace {

// Every case runs with HKEY_CURRENT_USER standing for a scratch key of its own, so that scripts
// under "HKCU" reach nothing else.
class Registrar : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch = test_support::CreateRegistryKey(HKEY_CURRENT_USER, m_path);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, m_scratch.get()), ERROR_SUCCESS);
        m_map.Add(L"Module", L"C:\\it''s\\m.dll");  // quotes doubled, as the module's path is given
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        m_scratch.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    }

    HRESULT Apply(const std::string& script, bool registering) {
        RegistryScriptParser parser(m_map);
        return registering ? parser.RegisterScript(script) : parser.UnregisterScript(script);
    }
    RegistryLines Contents() const { return test_support::DumpKey(m_scratch.get()); }
    bool HoldsForeignKeys() const;
    void Clear() { RegDeleteTreeA(m_scratch.get(), nullptr); }

    const std::string m_path = "Software\\LumorexRegistrarTest" + std::to_string(GetCurrentProcessId());
    win32::unique_hkey m_scratch;
    dravik::ReplacementMap m_map;
};

constexpr bool kRegister = true;
constexpr bool kUnregister = false;
const std::string kLongQuoted(4094, 'q');
const std::string kLongUnquoted(4095, 'u');
const std::string kLongValueName(259, 'n');

struct ScriptCase {
    const char* what;
    RegistryLines before;
    std::string script;
    bool registering;
    HRESULT result;
    RegistryLines after;
};

TEST_F(Registrar, ScriptsLeaveTheRegistryAsTheLanguageSays) {
    const ScriptCase cases[] = {
        {"an empty script", {}, "", kRegister, S_OK, {}},
        {"white space alone still needs a token", {}, " \r\n\t", kRegister, DISP_E_EXCEPTION, {}},
        {"%% is one percent sign, a variable matches in any case", {}, "HKCU { A = s '100%% %MODULE% %module%' }",
         kRegister, S_OK, {"A", "A:@=100% C:\\it's\\m.dll C:\\it's\\m.dll"}},
        {"ForceRemove and Delete spare CLSID and TYPELIB", {"CLSID\\Keep", "TypeLib\\Keep"},
         "HKCU { ForceRemove clsid { X } Delete TYPELIB }", kRegister, S_OK,
         {"CLSID", "CLSID\\Keep", "CLSID\\X", "TypeLib", "TypeLib\\Keep"}},
        {"ForceRemove writes the key afresh", {"A\\Old", "A:Stale=x"}, "HKCU { ForceRemove A = s 'new' { B } }",
         kRegister, S_OK, {"A", "A:@=new", "A\\B"}},
        {"val in a block names a value of the key, an assignment after a name its default", {},
         "HKCU\r\n{\r\n\tK = s 'Default'\r\n\t{\r\n\t\tval ThreadingModel = s 'Apartment'\r\n\t}\r\n}\r\n", kRegister,
         S_OK, {"K", "K:@=Default", "K:ThreadingModel=Apartment"}},
        {"number and binary values, a stray digit counting as 0", {}, "HKCU { K { val D = d '42' val B = b '0aFFz1' } }",
         kRegister, S_OK, {"K", "K:B=hex:0aff01", "K:D=dword:42"}},
        {"quoted names with blanks and doubled quotes", {}, "HKCU { 'Two words' = s 'it''s' }", kRegister, S_OK,
         {"Two words", "Two words:@=it's"}},
        {"the longest tokens and value name fit", {},
         "HKCU { K = s '" + kLongQuoted + "' { val " + kLongValueName + " = s " + kLongUnquoted + " } }", kRegister,
         S_OK, {"K", "K:@=" + kLongQuoted, "K:" + kLongValueName + "=" + kLongUnquoted}},
        {"a failure in the second root block keeps the first", {}, "HKCU { A } HKCU { B C\\D }", kRegister,
         DISP_E_EXCEPTION, {"A"}},
        {"a failed walk puts back the values it replaced and the keys it removed, and takes only what it made",
         {"Kept:@=theirs", "Kept\\Sub", "Forced:@=old", "Forced\\Sub:V=v"},
         "HKCU { Kept = s 'mine' { val V = s 'new' } ForceRemove Forced = s 'new' { X } Made { Y } Broken\\Name }",
         kRegister, DISP_E_EXCEPTION, {"Forced", "Forced:@=old", "Forced\\Sub", "Forced\\Sub:V=v", "Kept", "Kept:@=theirs", "Kept\\Sub"}},
        {"unregister removes keys without subkeys, keeps others and NoRemove ones", {"A:@=x", "B\\Foreign", "N", "S"},
         "HKCU { A = s 'x' B NoRemove N S }", kUnregister, S_OK, {"B", "B\\Foreign", "N"}},
        {"unregister removes a named value of a key that stays", {"K:V=v", "K\\Foreign"}, "HKCU { K { val V = s 'v' } }",
         kUnregister, S_OK, {"K", "K\\Foreign"}},
        {"a missing key makes its block a walk that deletes nothing, and the walk goes on", {"X", ":V=v", "Y"},
         "HKCU { Missing { X val V = s 'v' } Y }", kUnregister, S_OK, {":V=v", "X"}},
        {"a key goes with values the script does not name, and the next entry is read", {"A:@=x", "A:Extra=y", "B"},
         "HKCU { A = s 'x' B { } }", kUnregister, S_OK, {}},
        {"a missing key without a block does not stop its siblings", {"B"}, "HKCU { Missing = s 'x' B }", kUnregister,
         S_OK, {}},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        test_support::WriteLines(m_scratch.get(), c.before);
        EXPECT_EQ(Apply(c.script, c.registering), c.result);
        EXPECT_EQ(Contents(), c.after);
    }
}

TEST_F(Registrar, RefusedScriptsLeaveNothingOfTheirBlockBehind) {
    const std::string tooLong(4096, 'x');
    std::string deep = "HKCU { ";
    for (int i = 0; i < 600; ++i) deep += "A { ";
    const struct {
        const char* what;
        std::string script;
        HRESULT result;
    } cases[] = {
        {"unclosed %", "HKCU { A = s '%MODULE' }", DISP_E_EXCEPTION},
        {"unknown variable", "HKCU { A = s '%NOPE%' }", DISP_E_EXCEPTION},
        {"variable name of 31 bytes is looked up", "HKCU { A = s '%" + std::string(31, 'V') + "%' }", DISP_E_EXCEPTION},
        {"variable name of 32 bytes", "HKCU { A = s '%" + std::string(32, 'V') + "%' }", E_FAIL},
        {"end of text inside a block", "HKCU { A { B = s 'x'", DISP_E_EXCEPTION},
        {"unclosed quote", "HKCU { A = s 'open }", DISP_E_EXCEPTION},
        {"quoted token over 4094 bytes", "HKCU { A = s '" + kLongQuoted + "q' }", DISP_E_EXCEPTION},
        {"unquoted token of 4096 bytes", "HKCU { A = s " + tooLong + " }", DISP_E_EXCEPTION},
        {"type token of 4096 bytes", "HKCU { A = " + tooLong + " 'x' }", DISP_E_EXCEPTION},
        {"value name of 260 bytes", "HKCU { A { val " + kLongValueName + "n = s 'x' } }", DISP_E_EXCEPTION},
        {"root key not in the table", "HKXX { A }", DISP_E_EXCEPTION},
        {"no brace after the root key", "HKCU A", DISP_E_EXCEPTION},
        {"key name with a backslash", "HKCU { A { B\\C } }", DISP_E_EXCEPTION},
        {"force-removed name with a backslash", "HKCU { A { ForceRemove B\\C } }", DISP_E_EXCEPTION},
        {"val without =", "HKCU { A { val V s 'x' } }", DISP_E_EXCEPTION},
        {"type letter not in the table", "HKCU { A = x 'y' }", DISP_E_EXCEPTION},
        {"odd number of binary digits", "HKCU { A = b 'abc' }", E_FAIL},
        {"number that is not one", "HKCU { A = d 'many' }", DISP_E_EXCEPTION},
        {"block after Delete", "HKCU { A Delete B { C } }", DISP_E_EXCEPTION},
        {"key that cannot be created", "HKCU { A { " + std::string(300, 'k') + " } }", DISP_E_EXCEPTION},
        {"value that cannot be written (a block with no key to hold it)", "HKCU { val V = s 'y' { val W = s 'z' } }",
         DISP_E_EXCEPTION},
        {"blocks nested deeper than registry keys go", deep, DISP_E_EXCEPTION},
        {"NoRemove key made by the failed walk", "HKCU { NoRemove A { B = s 'x' } C\\D }", DISP_E_EXCEPTION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        EXPECT_EQ(Apply(c.script, kRegister), c.result);
        EXPECT_EQ(Contents(), RegistryLines{});
    }
}

// Keys a script names but does not own: a parent marked NoRemove with a subtree of its own, and a
// class list with another program's entries.
const RegistryLines kForeignKeys = {"CLSID",     "CLSID\\{F0F0F0F0-0000-0000-0000-000000000001}",
                                    "CLSID\\{F0F0F0F0-0000-0000-0000-000000000001}\\InprocServer32",
                                    "CLSID\\{F0F0F0F0-0000-0000-0000-000000000001}\\InprocServer32:@=other.dll",
                                    "Victim",    "Victim:@=kept",
                                    "Victim\\Child"};

bool Registrar::HoldsForeignKeys() const {
    const RegistryLines contents = Contents();
    return std::includes(contents.begin(), contents.end(), kForeignKeys.begin(), kForeignKeys.end());
}

TEST_F(Registrar, EmptyKeyNamesAreRefusedInBothModesAndReachNoKey) {
    const struct {
        const char* what;
        std::string script;
        bool registering;
    } cases[] = {
        {"ForceRemove of no name under a kept key", "HKCU { NoRemove Victim { ForceRemove '' } }", kRegister},
        {"Delete of no name under the class list", "HKCU { NoRemove CLSID { Delete '' } }", kRegister},
        {"ForceRemove of no name at the root", "HKCU { ForceRemove '' = s 'x' }", kRegister},
        {"a key of no name with a value", "HKCU { NoRemove Victim { '' = s 'overwritten' } }", kRegister},
        {"a NoRemove key of no name with a block", "HKCU { Victim { NoRemove '' { val V = s 'x' } } }", kRegister},
        {"unregistering a key of no name", "HKCU { NoRemove Victim { NoRemove Child { '' } } }", kUnregister},
        {"unregistering Delete of no name", "HKCU { NoRemove CLSID { Delete '' } }", kUnregister},
        {"unregistering a key of no name with a value", "HKCU { NoRemove Victim { '' { val '' = s 'kept' } } }",
         kUnregister},
        {"unregistering no name under a missing key", "HKCU { Missing { '' } }", kUnregister},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        test_support::WriteLines(m_scratch.get(), kForeignKeys);
        EXPECT_EQ(Apply(c.script, c.registering), DISP_E_EXCEPTION);
        EXPECT_EQ(Contents(), kForeignKeys);
    }
}

// One to three of: a cut, a brace doubled or dropped, a stray quote or percent sign, an
// over-long token, a token replaced by an empty name, each at a random place.
std::string Mutate(std::string script, std::mt19937& random) {
    auto at = [&](size_t size) { return std::uniform_int_distribution<size_t>(0, size)(random); };
    const int mutations = 1 + static_cast<int>(random() % 3);
    for (int m = 0; m < mutations && !script.empty(); ++m) {
        const size_t place = at(script.size() - 1);
        const size_t brace = script.find_first_of("{}", place);
        const int kind = static_cast<int>(random() % 7);
        if (kind == 0) script.resize(place);
        if (kind == 1 && brace != std::string::npos) script.insert(brace, 1, script[brace]);
        if (kind == 2 && brace != std::string::npos) script.erase(brace, 1);
        if (kind == 3) script.insert(place, 1, '\'');
        if (kind == 4) script.insert(place, 1, '%');
        if (kind == 5) {
            const std::string token(4090 + at(10), 'L');
            script.insert(place, random() % 2 ? " " + token + " " : " '" + token + "' ");
        }
        if (kind == 6) {
            const size_t start = script.find_first_not_of(" \t\r\n", script.find_first_of(" \t\r\n", place));
            const size_t end = script.find_first_of(" \t\r\n", start);
            if (start != std::string::npos) script.replace(start, end == std::string::npos ? end : end - start, "''");
        }
    }
    return script;
}

TEST_F(Registrar, MutatedScriptsNeverCrashTouchNoForeignKeyAndFailedOnesLeaveNothingBehind) {
    // The module's own script moved under the scratch key, and one with every other kind of entry.
    std::string shipped = test_support::ReadWholeFile(DRAVIK_SOURCE_DIR "/com/Dravik.rgs");
    ASSERT_EQ(shipped.compare(0, 4, "HKCR"), 0);
    shipped.replace(0, 4, "HKCU");
    const std::string bases[] = {
        shipped,
        "HKCU { NoRemove Outer { Inner = s 'a''b' { val N = d '7' val B = b '00ff' Deep { Deeper = s '%%' } } "
        "Delete Gone ForceRemove Fresh { X } } val Top = s 'top' Second = s '%Module%' { Third } }\r\n"};

    constexpr int kScripts = 5000;
    std::mt19937 random(8);
    int failed = 0, failedAfterAWholeRootBlock = 0;
    for (int i = 0; i < kScripts; ++i) {
        const std::string script = Mutate(bases[i % 2], random);
        // Beside what the script writes: keys of other programs under the names it marks NoRemove.
        test_support::WriteLines(m_scratch.get(), kForeignKeys);
        RegistryScriptParser parser(m_map);
        const HRESULT hr = parser.RegisterScript(script);
        ASSERT_TRUE(hr == S_OK || hr == DISP_E_EXCEPTION || hr == E_FAIL || hr == E_OUTOFMEMORY)
            << std::hex << hr << "\n" << script;
        ASSERT_TRUE(HoldsForeignKeys()) << script;
        if (FAILED(hr)) {
            ++failed;
            // Root blocks that completed before the failure stay written.
            if (parser.appliedRootBlocks() > 0)
                ++failedAfterAWholeRootBlock;
            else
                ASSERT_EQ(Contents(), kForeignKeys) << script;
        }
        // Unregistering the same script reaches none of them either.
        parser.UnregisterScript(script);
        ASSERT_TRUE(HoldsForeignKeys()) << script;
        Clear();
    }
    std::printf("%d mutated scripts: %d failed, %d of them after a whole root block\n", kScripts, failed,
                failedAfterAWholeRootBlock);
}

}  // namespace

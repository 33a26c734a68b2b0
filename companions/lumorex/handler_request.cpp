#include "handler_request.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "win32/code_page.h"
#include "win32/module_path.h"
#include "win32/proc_address.h"
#include "win32/unique_handle.h"

namespace lumorex {
namespace {

const char* const kKeywords[] = {"rot", "exp", "mov", "cnv", "pst", "ren", "Viw", "Edt", "Rot",
                                 "Exp", "Mvt", "Cnv", "Prt", "Opt", "Abt", "Vwp", "brw", "1"};

constexpr wchar_t kListModule[] = L"Dravik.dll";
// The string block's size, in bytes for the ANSI list and in UTF-16 units for the wide one: a
// longer list arrives cut there, so a larger buffer gains nothing.
constexpr int kListBlockUnits = 0x100000;

const char* SkipBlanks(const char* c) {
    while (*c == ' ' || *c == '\t') ++c;
    return c;
}

// The field between the quote at *c and the next quote; null when there is no closing quote.
const char* TakeQuoted(const char* c, std::string& field) {
    const char* end = std::strchr(c + 1, '"');
    if (!end) return nullptr;
    field.assign(c + 1, end);
    return end + 1;
}

}  // namespace

// The executable path comes unquoted and may hold spaces; each field is in double quotes, and a
// folder ends in a backslash right before its closing quote, which the standard argument
// splitting reads as an escaped quote. No field can hold a quote, so the line is cut at quotes.
std::string ParseHandlerCommandLine(const char* commandLine, Request& request) {
    std::string program;
    const char* c = commandLine ? commandLine : "";
    if (*c == '"') {
        c = TakeQuoted(c, program);
        if (!c) return "the program path has no closing quote";
    } else {
        c = std::strchr(c, '"');
        if (!c) return "no quoted keyword, folder and list after the program path";
    }
    std::string* fields[] = {&request.keyword, &request.folder, &request.listField};
    const char* names[] = {"keyword", "folder", "list"};
    for (int i = 0; i < 3; ++i) {
        c = SkipBlanks(c);
        if (*c != '"') return std::string("the ") + names[i] + " field is missing or not in quotes";
        c = TakeQuoted(c, *fields[i]);
        if (!c) return std::string("the ") + names[i] + " field has no closing quote";
    }
    if (*SkipBlanks(c)) return "unexpected text after the list field";
    if (std::find_if(std::begin(kKeywords), std::end(kKeywords),
                     [&](const char* k) { return request.keyword == k; }) == std::end(kKeywords))
        return "unknown keyword \"" + request.keyword + "\"";
    return {};
}

std::wstring OwnFolder() {
    const std::wstring path = win32::module_file_name<wchar_t>(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

namespace {

// The text of one list, through the named exports of Dravik.dll beside this program. Empty on
// success; otherwise why there is none.
template <typename Char>
std::string ReadListText(const char* sizeExport, const char* stringExport, std::basic_string<Char>& text) {
    using SizeFunction = int (*)();
    using StringFunction = int(WINAPI*)(int size, Char* buffer);
    const win32::unique_hmodule module(LoadLibraryW((OwnFolder() + kListModule).c_str()));
    const auto getSize = win32::proc_address<SizeFunction>(module.get(), sizeExport);
    const auto getString = win32::proc_address<StringFunction>(module.get(), stringExport);
    if (!getSize || !getString)
        return std::string("Dravik.dll with its ") + sizeExport + " and " + stringExport + " is not beside the viewer";

    const int size = std::min(getSize(), kListBlockUnits + 1);
    if (size <= 0) return "no file list: the handler has published none, or its process has ended";
    std::basic_string<Char> buffer(static_cast<size_t>(size), Char());
    if (getString(size, &buffer[0]) != 1) return "the file list could not be read";
    text.assign(buffer.c_str());
    return {};
}

// Each name ends in "|"; what follows the last one is no name.
void SplitNames(FileList& list) {
    list.names.clear();
    for (size_t start = 0, end; (end = list.text.find('|', start)) != std::string::npos; start = end + 1)
        list.names.push_back(list.text.substr(start, end - start));
}

}  // namespace

std::string ReadFileList(FileList& list) {
    const std::string error = ReadListText("get_FileListSize", "get_FileListString", list.text);
    if (error.empty()) SplitNames(list);
    return error;
}

std::string ReadWideFileList(FileList& list) {
    std::wstring text;
    const std::string error = ReadListText("get_FileListSizeW", "get_FileListStringW", text);
    if (!error.empty()) return error;
    list.text = win32::narrow(text, CP_UTF8);
    SplitNames(list);
    return {};
}

}  // namespace lumorex

#include "handler_request.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "win32/proc_address.h"
#include "win32/unique_handle.h"

namespace lumorex {
namespace {

const char* const kKeywords[] = {"rot", "exp", "mov", "cnv", "pst", "ren", "Viw", "Edt", "Rot",
                                 "Exp", "Mvt", "Cnv", "Prt", "Opt", "Abt", "Vwp", "brw", "1"};

constexpr char kListModule[] = "Dravik.dll";
using ListSizeFunction = int (*)();
using ListStringFunction = int(WINAPI*)(int size, char* buffer);
// The string block's size: a longer list arrives cut there, so a larger buffer gains nothing.
constexpr int kListBlockBytes = 0x100000;

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

std::string OwnFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ReadFileList(FileList& list) {
    const win32::unique_hmodule module(LoadLibraryA((OwnFolder() + kListModule).c_str()));
    const auto getSize = win32::proc_address<ListSizeFunction>(module.get(), "get_FileListSize");
    const auto getString = win32::proc_address<ListStringFunction>(module.get(), "get_FileListString");
    if (!getSize || !getString) return std::string(kListModule) + " with its file-list exports is not beside the viewer";

    const int size = std::min(getSize(), kListBlockBytes + 1);
    if (size <= 0) return "no file list: the handler has published none, or its process has ended";
    std::string buffer(static_cast<size_t>(size), '\0');
    if (getString(size, &buffer[0]) != 1) return "the file list could not be read";
    list.text.assign(buffer.c_str());

    // Each name ends in "|"; what follows the last one is no name.
    list.names.clear();
    for (size_t start = 0, end; (end = list.text.find('|', start)) != std::string::npos; start = end + 1)
        list.names.push_back(list.text.substr(start, end - start));
    return {};
}

}  // namespace lumorex

// What the handler hands the viewer: a command line with a keyword and a folder, and the names of
// the selected items, read back through Dravik's exports in this process. Both come in two forms:
// the command line in the ANSI code page and in UTF-16, the list as the ANSI list and as the wide
// one; the wide forms name every item exactly.
#pragma once

#include <string>
#include <vector>

namespace lumorex {

struct Request {
    std::string keyword;
    std::string folder;
    std::string listField;
};

// Empty on success; otherwise what is wrong with the line. The fields keep the line's encoding
// (the ANSI code page, or UTF-8 for the UTF-16 line made UTF-8).
std::string ParseHandlerCommandLine(const char* commandLine, Request& request);

struct FileList {
    std::string text;
    std::vector<std::string> names;
};

// Empty on success; otherwise why there is no list. Dravik.dll is loaded from this program's own
// folder.
std::string ReadFileList(FileList& list);
// The same for the wide list, whose text and names it gives in UTF-8.
std::string ReadWideFileList(FileList& list);

// This program's folder, with its closing backslash, exactly: the code page may not spell it.
std::wstring OwnFolder();

}  // namespace lumorex

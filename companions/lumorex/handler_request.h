// What the handler hands the viewer: a command line with a keyword and a folder, and the names of
// the selected items, read back through Dravik's exports in this process.
#pragma once

#include <string>
#include <vector>

namespace lumorex {

struct Request {
    std::string keyword;
    std::string folder;
    std::string listField;
};

// Empty on success; otherwise what is wrong with the line.
std::string ParseHandlerCommandLine(const char* commandLine, Request& request);

struct FileList {
    std::string text;
    std::vector<std::string> names;
};

// Empty on success; otherwise why there is no list. Dravik.dll is loaded from this program's own
// folder.
std::string ReadFileList(FileList& list);

// This program's folder, with its closing backslash.
std::string OwnFolder();

}  // namespace lumorex

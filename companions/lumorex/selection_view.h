// The viewer started by the handler: its command line and the file list it reads back.
#pragma once

namespace lumorex {

// Runs the viewer for the command line the handler built, given in the ANSI code page and in
// UTF-16; the process's exit code.
int ShowSelection(const char* commandLine, const wchar_t* wideCommandLine, int show);

}  // namespace lumorex

// The viewer started by the handler: its command line and the file list it reads back.
#pragma once

namespace lumorex {

// Runs the viewer for the command line the handler built; the process's exit code.
int ShowSelection(const char* commandLine, int show);

}  // namespace lumorex

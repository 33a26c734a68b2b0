// The processes a handler starts from this host, which the shell outlives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shellhost {

class StartedProcesses {
public:
    // Processes this one started before now (the platform's own helpers among them) do not count.
    StartedProcesses();

    // Waits until every process started by this one since construction has ended, at most for
    // the time given; the names of their programs. A handler publishes what a started program
    // reads for as long as the publishing process lives, so the host must not end before them.
    std::vector<std::string> WaitForEnd(DWORD timeoutMs) const;

private:
    std::vector<DWORD> m_before;
};

}  // namespace shellhost

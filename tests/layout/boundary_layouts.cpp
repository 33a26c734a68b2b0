// Every block that crosses a process or module boundary, pinned in size and field offsets. This
// file is compiled in both targets, so a layout that differs between 32 and 64 bits fails the
// build of either.
#include <cstddef>

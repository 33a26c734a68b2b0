set(LUMOREX_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
# No emulator: this kernel cannot run 32-bit code, so the x86 tree is built and inspected only.

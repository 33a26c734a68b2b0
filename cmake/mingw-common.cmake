# Cross-compiling for Windows with mingw-w64; the caller sets LUMOREX_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)
# The compilers of the Win32 threading runtime, not the POSIX one: the modules are loaded and
# unloaded again and again (the shell, every process that gets input during a capture), and the
# statically linked POSIX threads library takes a TLS index, a thread handle and an event at each
# load and gives none back; after about a thousand loads a 32-bit process has no TLS index left and
# the library aborts the process. The Win32 runtime leaves only the lock of the 32-bit unwinder's
# frame registration behind (one semaphore handle per load).
set(CMAKE_C_COMPILER   ${LUMOREX_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${LUMOREX_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER  ${LUMOREX_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMOREX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(LUMOREX_OBJDUMP ${LUMOREX_TRIPLET}-objdump)
# The IDL compiler, the system IDL files it imports and the folder of stdole2.tlb for importlib.
set(LUMOREX_WIDL ${LUMOREX_TRIPLET}-widl)
set(LUMOREX_WIDL_IDL_DIR /usr/include/wine/wine/windows)
set(LUMOREX_WIDL_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

// Linked into the modules built lean (lumorex_module LEAN). The C++ runtime's default handler for
// an exception that nothing catches prints its type, spelled out by the runtime's symbol
// demangler, before it aborts: about 50 KB of every module it is linked into. Nothing may leave a
// module by an exception anyway; should one reach the end, the process is ended as the default
// handler ends it, without the message.
#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

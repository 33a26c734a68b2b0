// The two kinds of registration of one class on 64-bit Windows. A 32-bit and a 64-bit build of the
// module can be registered side by side: each writes the class key in the view of the registry
// that processes of its kind read, and both share every other key they write (the shell's handler
// entries, the ProgIDs, the type library's key). Taking one kind away must leave the other whole.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace dravik {

// Whether a build of the other kind (64-bit beside 32-bit) registered the class: its class key
// names a server. Always false on a 32-bit system, which has one kind only.
bool RegisteredForTheOtherKind(REFCLSID clsid);

// The type library's key is one for both kinds, with an entry of each kind ("win32", "win64")
// under its version and locale. Whether the other kind's entry is there.
bool TypeLibraryRegisteredForTheOtherKind(const TLIBATTR& library);

// Removes this kind's entry of the type library, and nothing the other kind shares.
HRESULT RemoveTypeLibraryEntry(const TLIBATTR& library);

// Registering the type library wrote a key for each of its interfaces in this kind's view, which
// each kind has of its own. Removes this view's key of the interface when it names the library,
// with the subkeys the registration wrote; another program's subkey keeps it.
HRESULT RemoveInterfaceKey(REFIID iid, const TLIBATTR& library);

}  // namespace dravik

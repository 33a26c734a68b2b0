#include "com/object_map.h"

#include "Dravik_i.h"
#include "com/class_factory.h"
#include "com/registrar.h"
#include "com/registry_views.h"
#include "com/resource.h"
#include "handler/pmenu.h"

namespace dravik {
namespace {

// The root key of the script's class key, which each kind writes in its own view.
constexpr char kClassesKey[] = "CLSID";

HRESULT UpdatePMenuRegistry(bool registering) {
    // The other kind's registration shares every key of the script but the class key, which goes
    // the way the whole script goes: other programs' subkeys stay, and their parents with them.
    const bool sideBySide = !registering && RegisteredForTheOtherKind(CLSID_PMenu);
    return UpdateRegistryFromResource(g_module.instance, IDR_PMENU, registering, sideBySide ? kClassesKey : nullptr);
}

const char* NoDescription() { return nullptr; }

void NothingToStart(bool) {}

}  // namespace

ObjectMapEntry g_objectMap[] = {
    {&CLSID_PMenu, UpdatePMenuRegistry, ClassFactory::Create, CPMenu::CreateInstance, nullptr, NoDescription,
     NothingToStart},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace dravik

#include "com/object_map.h"

#include "Dravik_i.h"
#include "com/class_factory.h"
#include "com/registrar.h"
#include "com/registry_views.h"
#include "com/resource.h"
#include "handler/pmenu.h"

namespace dravik {
namespace {

HRESULT UpdatePMenuRegistry(bool registering) {
    // The other kind's registration shares every key of the script but the class key.
    if (!registering && RegisteredForTheOtherKind(CLSID_PMenu)) return RemoveClassKey(CLSID_PMenu);
    return UpdateRegistryFromResource(g_module.instance, IDR_PMENU, registering);
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

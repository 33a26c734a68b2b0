#include "com/object_map.h"

#include "Dravik_i.h"
#include "com/class_factory.h"
#include "com/registrar.h"
#include "com/resource.h"
#include "handler/pmenu.h"

namespace dravik {
namespace {

HRESULT UpdatePMenuRegistry(bool registering) {
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

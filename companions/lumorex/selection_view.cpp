#include "selection_view.h"

namespace lumorex {

int ShowSelection(const char*, int) { return 1; }

}  // namespace lumorex

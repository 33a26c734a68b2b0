#include "capture_host.h"

namespace lumorex {

bool IsCaptureCommand(const char*) { return false; }
int HostCapture(const char*) { return 1; }

}  // namespace lumorex

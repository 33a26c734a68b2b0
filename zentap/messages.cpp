#include "messages.h"

namespace zentap {

const UINT g_rectOkMessage = RegisterWindowMessageA(kRectOkMessageName);
const UINT g_rectHideMessage = RegisterWindowMessageA(kRectHideMessageName);
const UINT g_userMessage = RegisterWindowMessageA(kUserMessageName);

}  // namespace zentap

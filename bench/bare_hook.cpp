// The baseline of the injection benchmark: a hook module whose two hook procedures pass everything
// on, built as the capture module is.
#include <windows.h>

extern "C" {

LRESULT CALLBACK BareMouseHook(int code, WPARAM message, LPARAM info) {
    return CallNextHookEx(nullptr, code, message, info);
}

LRESULT CALLBACK BareKeyboardHook(int code, WPARAM key, LPARAM flags) {
    return CallNextHookEx(nullptr, code, key, flags);
}

}  // extern "C"

// Sends a registered window message, by name, to a window of another process and waits until it
// has been handled.
// Usage: message_sender.exe <window handle, decimal> <message name> <wParam> <lParam>
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    HWND target = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(argv[1], nullptr, 10)));
    const UINT message = RegisterWindowMessageA(argv[2]);
    if (!message || !IsWindow(target)) return 3;
    SendMessageA(target, message, static_cast<WPARAM>(std::strtoull(argv[3], nullptr, 10)),
                 static_cast<LPARAM>(std::strtoll(argv[4], nullptr, 10)));
    return 0;
}

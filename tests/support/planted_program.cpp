// Stands where a careless start would find a program first: records that it ran by creating
// "<its own path>.ran", then ends.
#include <windows.h>

#include <string>

int main() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    HANDLE record = CreateFileA((std::string(path) + ".ran").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (record == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(record);
    return 0;
}

#include "settings/autostart.h"

#include "settings/settings_file.h"

#include <windows.h>

static const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kValueName[] = "BackdropCarousel";

bool IsAutostartRegistered()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool present = RegQueryValueExA(key, kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return present;
}

void RegisterAutostart()
{
    // A cut path would start something else at log-on.
    std::string command = ExecutablePath();
    if (command.empty())
        return;
    // Unquoted, C:\Program Files\... would start C:\Program.exe for every user.
    if (command.find(' ') != std::string::npos)
        command = "\"" + command + "\"";
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
}

void UnregisterAutostart()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kValueName);
    RegCloseKey(key);
}

#include "settings/autostart.h"

#include "base/executable_path.h"

#include <windows.h>

static const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t kValueName[] = L"BackdropCarousel";

static bool HasRunValue(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool present = RegQueryValueExW(key, kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return present;
}

static bool SetRunValue(HKEY root, const std::wstring &command)
{
    // The per-user key may not exist yet on a new account; the machine-wide
    // one always does, and is only opened.
    HKEY key;
    LSTATUS opened = root == HKEY_CURRENT_USER
                         ? RegCreateKeyExW(root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
                         : RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return false;
    LSTATUS set = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

static void DeleteRunValue(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, kValueName);
    RegCloseKey(key);
}

bool IsAutostartRegistered()
{
    return HasRunValue(HKEY_LOCAL_MACHINE) || HasRunValue(HKEY_CURRENT_USER);
}

void RegisterAutostart()
{
    // A cut path would start something else at log-on.
    std::wstring command = ExecutablePath();
    if (command.empty())
        return;
    // Unquoted, C:\Program Files\... would start C:\Program.exe for every user.
    if (command.find(L' ') != std::wstring::npos)
        command = L"\"" + command + L"\"";
    // Under UAC every process that is not elevated is refused the
    // machine-wide key (the manifest turns registry virtualization off);
    // the user's own Run key starts the program just as well for this user.
    if (!SetRunValue(HKEY_LOCAL_MACHINE, command))
        SetRunValue(HKEY_CURRENT_USER, command);
}

void UnregisterAutostart()
{
    DeleteRunValue(HKEY_CURRENT_USER);
    DeleteRunValue(HKEY_LOCAL_MACHINE);
}

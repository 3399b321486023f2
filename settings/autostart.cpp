#include "settings/autostart.h"

#include "base/executable_path.h"

#include <windows.h>

static const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t kValueName[] = L"BackdropCarousel";

// On 64-bit Windows a 32-bit program's machine-wide Software key is
// redirected to WOW6432Node, while the user's Run key is one key for both.
// Both builds write the machine-wide value in the 64-bit view, so that each
// sees what the other wrote; a value an older 32-bit copy left in the 32-bit
// view still starts the program and counts. 32-bit Windows ignores the flags.
struct RunKey {
    HKEY root;
    REGSAM view;
};
static const RunKey kUserKey = {HKEY_CURRENT_USER, 0};
static const RunKey kMachineKey = {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
static const RunKey kMachineKey32 = {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};

static bool HasRunValue(RunKey run)
{
    HKEY key;
    if (RegOpenKeyExW(run.root, kRunKey, 0, KEY_QUERY_VALUE | run.view, &key) != ERROR_SUCCESS)
        return false;
    bool present = RegQueryValueExW(key, kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return present;
}

static bool SetRunValue(RunKey run, const std::wstring &command)
{
    // The per-user key may not exist yet on a new account; the machine-wide
    // one always does, and is only opened.
    HKEY key;
    LSTATUS opened = run.root == HKEY_CURRENT_USER
                         ? RegCreateKeyExW(run.root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | run.view, nullptr,
                                           &key, nullptr)
                         : RegOpenKeyExW(run.root, kRunKey, 0, KEY_SET_VALUE | run.view, &key);
    if (opened != ERROR_SUCCESS)
        return false;
    LSTATUS set = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

static void DeleteRunValue(RunKey run)
{
    HKEY key;
    if (RegOpenKeyExW(run.root, kRunKey, 0, KEY_SET_VALUE | run.view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, kValueName);
    RegCloseKey(key);
}

bool IsAutostartRegistered()
{
    return HasRunValue(kMachineKey) || HasRunValue(kMachineKey32) || HasRunValue(kUserKey);
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
    if (!SetRunValue(kMachineKey, command))
        SetRunValue(kUserKey, command);
}

void UnregisterAutostart()
{
    DeleteRunValue(kUserKey);
    DeleteRunValue(kMachineKey);
    DeleteRunValue(kMachineKey32);
}

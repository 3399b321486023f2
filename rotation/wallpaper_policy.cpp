#include "rotation/wallpaper_policy.h"

#include <windows.h>

static const wchar_t kSystemPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
static const wchar_t kActiveDesktopPolicies[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop";

// Group Policy writes the machine's policies in the registry's 64-bit view,
// which a 32-bit program on 64-bit Windows must ask for; 32-bit Windows
// ignores the flag.
static bool ReadPolicy(HKEY root, const wchar_t *keyName, const wchar_t *valueName, DWORD *type, DWORD *dword)
{
    HKEY key;
    REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0;
    if (RegOpenKeyExW(root, keyName, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof *dword;
    // A string does not fit a DWORD: ERROR_MORE_DATA still tells its type.
    LSTATUS status = RegQueryValueExW(key, valueName, nullptr, type, reinterpret_cast<BYTE *>(dword), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

// "Desktop Wallpaper" is on while its value exists: an empty one leaves the
// desktop without a wallpaper that the user may not change either.
// "Prevent changing desktop background" is on when its DWORD is not 0.
static bool IsSetIn(HKEY root)
{
    DWORD type = REG_NONE, value = 0;
    return ReadPolicy(root, kSystemPolicies, L"Wallpaper", &type, &value) ||
           (ReadPolicy(root, kActiveDesktopPolicies, L"NoChangingWallPaper", &type, &value) && type == REG_DWORD &&
            value != 0);
}

bool IsWallpaperSetByPolicy()
{
    return IsSetIn(HKEY_CURRENT_USER) || IsSetIn(HKEY_LOCAL_MACHINE);
}

#include "rotation/wallpaper_policy.h"

#include "base/registry.h"

static const wchar_t kSystemPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
static const wchar_t kActiveDesktopPolicies[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop";

// "Desktop Wallpaper" is on while its value exists: an empty one leaves the
// desktop without a wallpaper that the user may not change either.
// "Prevent changing desktop background" is on when its DWORD is not 0.
// Group Policy writes the machine's policies in the registry's 64-bit view,
// which a 32-bit program on 64-bit Windows must ask for.
static bool IsSetIn(HKEY root)
{
    REGSAM access = KEY_QUERY_VALUE | (root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0);
    DWORD prevented = 0;
    return RegistryKey(root, kSystemPolicies, access).HasValue(L"Wallpaper") ||
           (RegistryKey(root, kActiveDesktopPolicies, access).ReadDword(L"NoChangingWallPaper", &prevented) ==
                ERROR_SUCCESS &&
            prevented != 0);
}

bool IsWallpaperSetByPolicy()
{
    return IsSetIn(HKEY_CURRENT_USER) || IsSetIn(HKEY_LOCAL_MACHINE);
}

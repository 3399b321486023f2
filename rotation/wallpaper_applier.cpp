#include "rotation/wallpaper_applier.h"

#include "rotation/wallpaper_policy.h"

// The record's size is set before anything can use it.
WallpaperApplier g_wallpaperApplier = {nullptr, {sizeof(WALLPAPEROPT), WPSTYLE_CENTER}, CO_E_NOTINITIALIZED};

void CreateWallpaperApplier()
{
    g_wallpaperApplier.created = CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IActiveDesktop,
                                                  reinterpret_cast<void **>(&g_wallpaperApplier.desktop));
}

static DWORD StyleFromSelection(LRESULT selection)
{
    switch (selection) {
    case 1:
        return WPSTYLE_TILE;
    case 2:
        return WPSTYLE_STRETCH;
    default:
        return WPSTYLE_CENTER;
    }
}

HRESULT SetWallpaperStyle(LRESULT selection)
{
    g_wallpaperApplier.options.dwStyle = StyleFromSelection(selection);
    // Without the shell's object the rotation's first tick tells why. The
    // organisation's wallpaper keeps its own style.
    IActiveDesktop *desktop = g_wallpaperApplier.desktop;
    if (!desktop || IsWallpaperSetByPolicy())
        return S_OK;
    HRESULT answer = desktop->SetWallpaperOptions(&g_wallpaperApplier.options, 0);
    if (FAILED(answer))
        return answer;
    return desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH);
}

WallpaperAnswer ApplyWallpaper(const std::wstring &fullPath)
{
    IActiveDesktop *desktop = g_wallpaperApplier.desktop;
    if (!desktop)
        return {g_wallpaperApplier.created, S_OK};
    HRESULT picture = desktop->SetWallpaper(fullPath.c_str(), 0);
    if (FAILED(picture))
        return {picture, S_OK};
    // A style the desktop does not take leaves the picture in the style it had.
    HRESULT style = desktop->SetWallpaperOptions(&g_wallpaperApplier.options, 0);
    picture = desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE);
    return {picture, SUCCEEDED(picture) ? style : S_OK};
}

void ReleaseWallpaperApplier()
{
    if (g_wallpaperApplier.desktop) {
        g_wallpaperApplier.desktop->Release();
        g_wallpaperApplier.desktop = nullptr;
        // A picture handed over after this is refused, not taken in silence.
        g_wallpaperApplier.created = CO_E_OBJNOTCONNECTED;
    }
}

#include "rotation/wallpaper_applier.h"

// The record's size is set before anything can use it.
WallpaperApplier g_wallpaperApplier = {nullptr, {sizeof(WALLPAPEROPT), WPSTYLE_CENTER}};

void CreateWallpaperApplier()
{
    // Without the shell's object the pointer stays null, which every use
    // checks: the program runs on without setting wallpapers.
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveDesktop,
                                reinterpret_cast<void **>(&g_wallpaperApplier.desktop))))
        g_wallpaperApplier.desktop = nullptr;
}

static DWORD StyleFromSelection(LRESULT selection)
{
    switch (selection) {
    case 1: return WPSTYLE_TILE;
    case 2: return WPSTYLE_STRETCH;
    default: return WPSTYLE_CENTER;
    }
}

void SetWallpaperStyle(LRESULT selection)
{
    g_wallpaperApplier.options.dwStyle = StyleFromSelection(selection);
    IActiveDesktop *desktop = g_wallpaperApplier.desktop;
    if (!desktop)
        return;
    desktop->SetWallpaperOptions(&g_wallpaperApplier.options, 0);
    desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH);
}

void ApplyWallpaper(const std::wstring &fullPath)
{
    IActiveDesktop *desktop = g_wallpaperApplier.desktop;
    if (!desktop)
        return;
    desktop->SetWallpaper(fullPath.c_str(), 0);
    desktop->SetWallpaperOptions(&g_wallpaperApplier.options, 0);
    desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE);
}

void ReleaseWallpaperApplier()
{
    if (g_wallpaperApplier.desktop) {
        g_wallpaperApplier.desktop->Release();
        g_wallpaperApplier.desktop = nullptr;
    }
}

// The program's only contact with the desktop: one instance of the shell's
// Active Desktop object, used to set the wallpaper file and style.
#pragma once

#include <windows.h>
#include <wininet.h>  // shlobj.h declares the Active Desktop interface only after this
#include <shlobj.h>

#include <string>

struct WallpaperApplier {
    IActiveDesktop *desktop;  // null when the shell's object could not be created or is released
    WALLPAPEROPT options;     // re-sent with every change
    HRESULT created;          // why there is no object, when there is none
};

extern WallpaperApplier g_wallpaperApplier;

void CreateWallpaperApplier();

// Style combo selection: 0 Center, 1 Tile, 2 Stretch, anything else Center.
// Applied to the current wallpaper at once, unless the organisation has fixed
// the wallpaper. Returns the desktop's refusal, or S_OK.
HRESULT SetWallpaperStyle(LRESULT selection);

// The desktop's answers to a new wallpaper: S_OK, or why it refused.
struct WallpaperAnswer {
    HRESULT picture;  // the file, or the change as a whole
    HRESULT style;    // the style sent with it; S_OK when the picture was refused
};

// Makes the file at fullPath the wallpaper, in the current style.
WallpaperAnswer ApplyWallpaper(const std::wstring &fullPath);

void ReleaseWallpaperApplier();

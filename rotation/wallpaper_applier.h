// The program's only contact with the desktop: one instance of the shell's
// Active Desktop object, used to set the wallpaper file and style.
#pragma once

#include <windows.h>
#include <wininet.h>  // shlobj.h declares the Active Desktop interface only after this
#include <shlobj.h>

#include <string>

struct WallpaperApplier {
    IActiveDesktop *desktop;  // null when the shell's object could not be created
    WALLPAPEROPT options;     // re-sent with every change
};

extern WallpaperApplier g_wallpaperApplier;

void CreateWallpaperApplier();

// Style combo selection: 0 Center, 1 Tile, 2 Stretch, anything else Center.
// Applied to the current wallpaper at once.
void SetWallpaperStyle(LRESULT selection);

// Makes the file at fullPath the wallpaper, in the current style.
void ApplyWallpaper(const std::wstring &fullPath);

void ReleaseWallpaperApplier();

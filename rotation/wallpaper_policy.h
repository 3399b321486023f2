// Whether the organisation has fixed the desktop background through Group
// Policy, for this user or for the whole computer.
#pragma once

// True while "Desktop Wallpaper" is set or "Prevent changing
// desktop background" is on: the program then hands nothing to the desktop.
bool IsWallpaperSetByPolicy();

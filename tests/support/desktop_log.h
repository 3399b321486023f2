// The calls the recording Active Desktop stand-in received, one line each:
// "create", "SetWallpaper <path> <reserved>", "SetWallpaperOptions <size>
// <style> <reserved>", "ApplyChanges <flags>", "Release <references left>".
#pragma once

#include <string>
#include <vector>

// Registers the stand-in beside this test program in place of the shell's
// object and points its record at a file of this process's own; programs
// started from here inherit the same record.
void InstallDesktopStandIn();

std::vector<std::string> ReadDesktopLog();
void ClearDesktopLog();

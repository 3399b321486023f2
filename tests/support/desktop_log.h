// The calls the recording Active Desktop stand-in received, one line each:
// "create", "SetWallpaper <path> <reserved>", "SetWallpaperOptions <size>
// <style> <reserved>", "ApplyChanges <flags>", "Release <references left>".
#pragma once

#include <string>
#include <vector>

// Registers the stand-in in place of the shell's object, for the user or,
// where this process is elevated, for the machine, and points its record at
// a file of this process's own; programs started from here inherit the same
// record.
void InstallDesktopStandIn();
// Removes the copy that the machine-wide registration names, once the
// registry is put back.
void RemoveMachineWideDesktopStandIn();

std::vector<std::string> ReadDesktopLog();
void ClearDesktopLog();

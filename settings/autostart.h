// The start-with-Windows entry: a value named "BackdropCarousel" under a Run
// key, holding this executable's path (in quotation marks when it has a
// space). Its existence is the setting: under the machine-wide key where the
// program may write it, otherwise under the current user's.
#pragma once

// True when either Run key holds the value.
bool IsAutostartRegistered();

// Writes the machine-wide value, or the current user's where the machine-wide
// key is refused. Callers learn the outcome from IsAutostartRegistered.
void RegisterAutostart();

// Removes both values; a machine-wide value stays where the key is refused.
void UnregisterAutostart();

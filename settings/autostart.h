// The start-with-Windows entry: a value named "BackdropCarousel" under a Run
// key, holding this executable's path (in quotation marks when it has a
// space). Its existence is the setting: under the machine-wide key (in the
// 64-bit view on 64-bit Windows, from either build) where the program may
// write it, otherwise under the current user's.
#pragma once

// True when the user's Run key or either view of the machine-wide one holds
// the value.
bool IsAutostartRegistered();

// Writes the machine-wide value, or the current user's where the machine-wide
// key is refused. Callers learn the outcome from IsAutostartRegistered.
void RegisterAutostart();

// Removes the value from all three; a machine-wide value stays where the key
// is refused.
void UnregisterAutostart();

// The start-with-Windows entry: a value named "BackdropCarousel" under the
// machine-wide Run key, holding this executable's path (in quotation marks
// when it has a space). Its existence is the setting.
#pragma once

bool IsAutostartRegistered();

// Both need write access to the machine-wide key; without it they change
// nothing. Callers learn the outcome from IsAutostartRegistered.
void RegisterAutostart();
void UnregisterAutostart();

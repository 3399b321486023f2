// The start-with-Windows entry: a value named "BackdropCarousel" under a Run
// key, holding this executable's command line. The setting is on when
// Windows will start this copy at the next log-on: a value in the current
// user's Run key or in either view of the machine-wide one names this
// executable, and Windows' own startup switch has not turned it off. It is
// written under the machine-wide key (in the 64-bit view on 64-bit Windows,
// from either build) where the program may write it, otherwise under the
// current user's.
#pragma once

// True when Windows will start this copy at the next log-on.
bool IsAutostartRegistered();

// Writes this copy's command line, replacing the value another copy or an
// earlier place of this one left in the other keys, and switches the entry
// back on. Writes nothing when the path has no form Windows would run, or
// when another key holds an entry this process may not remove, which would
// start beside this one.
// Callers learn the outcome from IsAutostartRegistered.
void RegisterAutostart();

// Removes the values that name this copy; values naming another copy stay,
// and so does a machine-wide value where the key is refused.
void UnregisterAutostart();

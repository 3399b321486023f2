// What the tests change in the registry, put back afterwards: the shell's
// Active Desktop registration, which the stand-in replaces, the program's
// Run values and their startup switches, the wallpaper policies, and the
// owner and access list of each of those keys.
#pragma once

#include <string>

// Why this process may not change the machine-wide keys (it is not an
// administrator, or not elevated), in one line; empty when it may.
std::string MissingRights();

// The owners, access lists and values of the keys this process may change
// (the user's alone, where it may not change the machine's), one line each.
std::string DescribeRegistry();

// Keeps the description in the temporary folder before a test changes
// anything; a copy that a stopped test program left is put back first, by
// RestoreRegistry. Empty, or what failed.
std::string BackUpRegistry();

// Puts the kept copy back, if there is one, and deletes it. Where a key
// cannot be put back, every other one still is; the copy is then kept for
// the next run to try again, and the answer names the keys. Empty, or what
// failed.
std::string RestoreRegistry();

// What a test program stopped half-way may leave: a value of its own in each
// of the keys, and in front of each access list an entry that refuses this
// user the setting of values.
void ChangeRegistry();

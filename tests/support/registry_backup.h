// What the tests change in the registry, put back afterwards: the shell's
// Active Desktop registration, which the stand-in replaces, the program's
// Run values and their startup switches, the wallpaper policies, and the
// owner and access list of each of those keys.
#pragma once

#include <string>

// Why this process may not change those keys (it is not an administrator,
// or not elevated), in one line; empty when it may.
std::string MissingRights();

// The keys' owners, access lists and values, one line each.
std::string DescribeRegistry();

// Keeps the description in the temporary folder before a test changes
// anything. Where a test program was stopped before putting its copy back,
// that copy is put back first and kept. Empty, or what failed.
std::string BackUpRegistry();

// Puts the kept copy back, if there is one, and deletes it. Empty, or what
// failed.
std::string RestoreRegistry();

// What a test program stopped half-way may leave: a value of its own in each
// of the keys, and the access lists that refuse everyone the setting of values.
void ChangeRegistry();

// Numbers as the settings file and the interval box show them.
#pragma once

#include <string>

// The signed decimal text of value. (The C runtime's own conversion: the
// library's wide formatting would bring in a printf of its own, a tenth of
// the program's size.)
std::wstring DecimalText(long long value);

// Visual Studio's <windows.h> defines min and max as macros unless NOMINMAX
// is defined; mingw-w64's does not in C++, so code that breaks only under
// Visual Studio compiles here. scripts/min-max-check.py compiles every source
// of the program with this header in front of it, syntax only, to catch that
// here. NOMINMAX is no way out: Visual Studio's <gdiplus.h> needs the macros.
#pragma once

// The standard headers come first, as Visual Studio's own are immune to the
// macros: with the macros in force, libstdc++'s would break instead of the
// program. Add here any standard header the program starts to use (<cmath>
// comes with mingw-w64's <gdiplus.h>).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

// As Visual Studio's <minwindef.h> defines them.
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif

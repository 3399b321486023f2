// Conversions between the ANSI code page, in which the program's own text is
// held, and the UTF-16 of the platform's wide calls. The manifest makes the
// ANSI code page UTF-8, so any name survives the round trip.
#pragma once

#include <string>
#include <vector>

// UTF-16 text with its terminator, for the wide calls. (A vector: the
// library's wide string would add a ninth to the program's size.)
using WideText = std::vector<wchar_t>;

WideText ToWide(const std::string &text);
std::string FromWide(const wchar_t *text);

// Conversions between the ANSI code page, in which the program's own text is
// held, and the UTF-16 of the platform's wide calls. The manifest makes the
// ANSI code page UTF-8, so any name survives the round trip.
#pragma once

#include <string>

std::wstring ToWide(const std::string &text);
std::string FromWide(const std::wstring &text);

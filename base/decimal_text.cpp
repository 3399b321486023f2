#include "base/decimal_text.h"

#include <stdlib.h>

std::wstring DecimalText(long long value)
{
    wchar_t digits[21];  // a sign, 19 digits and the terminator
    _i64tow_s(value, digits, sizeof digits / sizeof digits[0], 10);
    return digits;
}

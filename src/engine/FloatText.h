#pragma once
// Decimal texts of floating-point values in the general format with 15 significant digits, as the
// Whetstone result text is written: the value rounded to 15 significant digits, trailing zeros removed,
// plain notation from 0.00001 up to 15 digits before the separator, scientific ("1.5E-6", "1E20")
// otherwise. The decimal separator is passed in (the user's locale's), never taken from the C locale.

#include <string>

namespace torvane::engine {

std::string FormatGeneral15(long double value, char decimalSeparator);

// Reads a text written as above (or any decimal number with that separator); throws EConvertError
// "'<text>' is not a valid floating point value" for anything else.
long double ParseFloat(const std::string& text, char decimalSeparator);

// The decimal separator of the user's locale.
char LocaleDecimalSeparator();

} // namespace torvane::engine

#pragma once
// Number text that never depends on the process locale: "." is always the
// decimal separator.
#include <QString>
#include <cstdint>

// Shortest form with at most 15 significant digits; fixed notation for
// decimal exponents -5..14, otherwise E notation ("1E-5", "1.5E20").
// Every finite number is written as text that reads back finite.
QString FloatToStr(double value);

// Fixed decimals: "0.000000" and "0.000" patterns (at least one digit
// before the point, rounded).
QString FormatFloat6(double value);
// The same with any number of decimals.
QString FormatFixed(double value, int decimals);
QString FormatFloat3(double value);

// Blanks around the number, a sign, digits with an optional point and an
// exponent.  Empty text, inf, nan and trailing junk are not numbers.
bool TryStrToFloat(const QString &text, double &value);
// Throws EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const QString &text);

// Optional sign, decimal digits, or hexadecimal with 0x, 0X or $; must fit
// in 32 bits.
bool TryStrToInt(const QString &text, int32_t &value);
// Throws EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(const QString &text);

// The text without the spaces and tabs at either end.
QString TrimBlanks(const QString &text);

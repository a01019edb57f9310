#include "NumberText.h"

#include "Exceptions.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Largest number of significant digits that general format writes.
constexpr int GeneralDigits = 15;
// General format writes fixed notation for decimal exponents in this range.
constexpr int FixedExponentMin = -4;
constexpr int FixedExponentMax = 14;

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QString NonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// The blank-trimmed text as ASCII bytes, or an empty array when any other
// character is present (such text is never a number).
QByteArray AsciiNumberText(const QString &text)
{
    const QString trimmed = TrimBlanks(text);
    for (QChar c : trimmed) {
        if (c.unicode() == 0 || c.unicode() > 0x7F)
            return QByteArray();
    }
    return trimmed.toLatin1();
}

// Significant digits without trailing zeros and the decimal exponent of
// the first one: 0.0123 gives "123" and -2.
struct DecimalDigits
{
    QByteArray digits;
    int exponent = 0;
};

// "d.dddde+XX" with `digits` significant digits, as digits and exponent.
DecimalDigits ENumberDigits(double magnitude, int digits)
{
    const QByteArray e = QByteArray::number(magnitude, 'e', digits - 1);
    const int ePos = e.indexOf('e');
    DecimalDigits result;
    result.digits = e.left(ePos);
    if (result.digits.size() > 1)
        result.digits.remove(1, 1); // the point after the first digit
    result.exponent = e.mid(ePos + 1).toInt();
    return result;
}

bool ReadsBackFinite(const DecimalDigits &d)
{
    const QByteArray text = d.digits.left(1) + '.' + d.digits.mid(1) + 'e' + QByteArray::number(d.exponent);
    double value = 0;
    const auto result = std::from_chars(text.constData(), text.constData() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value);
}

DecimalDigits ToDecimalDigits(double magnitude)
{
    // Rounded to GeneralDigits significant digits.  Near the largest double
    // that rounding can pass it; the digits are then cut instead, so that
    // every finite number written reads back finite.
    DecimalDigits result = ENumberDigits(magnitude, GeneralDigits);
    if (result.exponent >= std::numeric_limits<double>::max_exponent10 && !ReadsBackFinite(result)) {
        result = ENumberDigits(magnitude, GeneralDigits + 2);
        result.digits.truncate(GeneralDigits);
    }
    while (result.digits.size() > 1 && result.digits.endsWith('0'))
        result.digits.chop(1);
    return result;
}

QByteArray FixedNotation(const DecimalDigits &d)
{
    if (d.exponent < 0)
        return "0." + QByteArray(-d.exponent - 1, '0') + d.digits;
    const int intLength = d.exponent + 1;
    if (d.digits.size() <= intLength)
        return d.digits + QByteArray(intLength - d.digits.size(), '0');
    return d.digits.left(intLength) + '.' + d.digits.mid(intLength);
}

QByteArray ENotation(const DecimalDigits &d)
{
    QByteArray mantissa = d.digits.left(1);
    if (d.digits.size() > 1)
        mantissa += '.' + d.digits.mid(1);
    return mantissa + 'E' + QByteArray::number(d.exponent);
}

// Sign, digits with an optional point (at least one digit), and an optional
// exponent with its own sign.
bool IsFloatSyntax(const QByteArray &s)
{
    int i = 0;
    const int n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    int mantissaDigits = 0;
    for (; i < n && IsDigit(s[i]); ++i)
        ++mantissaDigits;
    if (i < n && s[i] == '.') {
        for (++i; i < n && IsDigit(s[i]); ++i)
            ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        int exponentDigits = 0;
        for (; i < n && IsDigit(s[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

// Digits in the given base up to the end of the text; false on a non-digit,
// on no digits at all, or when the magnitude exceeds the limit.
bool ParseMagnitude(const QByteArray &s, int from, int base, uint64_t limit, uint64_t &magnitude)
{
    if (from >= s.size())
        return false;
    magnitude = 0;
    for (int i = from; i < s.size(); ++i) {
        const int digit = HexDigitValue(s[i]);
        if (digit < 0 || digit >= base)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    return true;
}

int HexPrefixLength(const QByteArray &s, int at)
{
    if (s.mid(at, 1) == "$")
        return 1;
    if (s.mid(at, 2) == "0x" || s.mid(at, 2) == "0X")
        return 2;
    return 0;
}

QString ErrorText(const char *pattern, const QString &text)
{
    return QString::fromLatin1(pattern).arg(text);
}

} // namespace

QString TrimBlanks(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString FloatToStr(double value)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    if (value == 0)
        return QStringLiteral("0");
    const DecimalDigits d = ToDecimalDigits(std::fabs(value));
    const bool fixed = d.exponent >= FixedExponentMin && d.exponent <= FixedExponentMax;
    const QByteArray body = fixed ? FixedNotation(d) : ENotation(d);
    return QString::fromLatin1(value < 0 ? '-' + body : body);
}

QString FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    QByteArray text = QByteArray::number(value, 'f', decimals);
    // A negative value that rounds to zero is written without its sign.
    if (text.startsWith('-') && text.count('0') + text.count('.') == text.size() - 1)
        text.remove(0, 1);
    return QString::fromLatin1(text);
}

QString FormatFloat6(double value)
{
    return FormatFixed(value, 6);
}

QString FormatFloat3(double value)
{
    return FormatFixed(value, 3);
}

bool TryStrToFloat(const QString &text, double &value)
{
    QByteArray s = AsciiNumberText(text);
    if (!IsFloatSyntax(s))
        return false;
    if (s.startsWith('+'))
        s.remove(0, 1);
    double parsed = 0;
    const auto result = std::from_chars(s.constData(), s.constData() + s.size(), parsed);
    if (result.ec != std::errc() || result.ptr != s.constData() + s.size())
        return false;
    value = parsed;
    return true;
}

double StrToFloat(const QString &text)
{
    double value = 0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(ErrorText("'%1' is not a valid floating point value", text));
    return value;
}

bool TryStrToInt(const QString &text, int32_t &value)
{
    const QByteArray s = AsciiNumberText(text);
    int at = 0;
    const bool negative = s.startsWith('-');
    if (negative || s.startsWith('+'))
        ++at;
    const int hexPrefix = HexPrefixLength(s, at);
    uint64_t magnitude = 0;
    if (hexPrefix > 0) {
        // Up to eight hex digits, read as the 32-bit two's complement pattern.
        if (!ParseMagnitude(s, at + hexPrefix, 16, std::numeric_limits<uint32_t>::max(), magnitude))
            return false;
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    const uint64_t limit = negative ? uint64_t(1) << 31 : (uint64_t(1) << 31) - 1;
    if (!ParseMagnitude(s, at, 10, limit, magnitude))
        return false;
    value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                          : static_cast<int64_t>(magnitude));
    return true;
}

int32_t StrToInt(const QString &text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(ErrorText("'%1' is not a valid integer value", text));
    return value;
}

#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "support/TestRegistry.h"

#include <QLocale>
#include <QTest>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Switches both the Qt default locale and the C library locale to one that
// writes "," as its decimal separator, for the life of the object.
class GermanLocale
{
public:
    GermanLocale()
        : m_qtLocale(QLocale())
        , m_cLocale(std::setlocale(LC_ALL, nullptr))
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, m_cLocale.c_str());
        QLocale::setDefault(m_qtLocale);
    }

private:
    QLocale m_qtLocale;
    std::string m_cLocale;
};

QString ConvertErrorOf(void (*call)(const QString &), const QString &text)
{
    try {
        call(text);
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class FloatToStrTest : public QObject
{
    Q_OBJECT

private slots:
    void generalFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("0.1") << 0.1 << "0.1";
        QTest::newRow("1.8") << 1.8 << "1.8";
        QTest::newRow("120") << 120.0 << "120";
        QTest::newRow("8080") << 8080.0 << "8080";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("1/3") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("2/3 rounds") << 2.0 / 3 << "0.666666666666667";
        QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
        QTest::newRow("fraction and integer part") << 123456.789 << "123456.789";
        QTest::newRow("1E-4 is fixed") << 0.0001 << "0.0001";
        QTest::newRow("1.2E-4 is fixed") << 0.00012 << "0.00012";
        QTest::newRow("1E-5 is E") << 0.00001 << "1E-5";
        QTest::newRow("1.5E-5") << 0.000015 << "1.5E-5";
        QTest::newRow("negative small") << -1e-7 << "-1E-7";
        QTest::newRow("1E14 is fixed") << 1e14 << "100000000000000";
        QTest::newRow("15 digits fixed") << 123456789012345.0 << "123456789012345";
        QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
        QTest::newRow("rounds up into E") << 999999999999999.7 << "1E15";
        QTest::newRow("1E15") << 1e15 << "1E15";
        QTest::newRow("1.5E15") << 1.5e15 << "1.5E15";
        QTest::newRow("1.5E20") << 1.5e20 << "1.5E20";
        QTest::newRow("negative E") << -1.5e20 << "-1.5E20";
        QTest::newRow("three digit exponent") << 1e100 << "1E100";
        QTest::newRow("tiny") << 1.25e-300 << "1.25E-300";
        QTest::newRow("max is cut, not rounded past it") << std::numeric_limits<double>::max() << "1.79769313486231E308";
        QTest::newRow("-max") << -std::numeric_limits<double>::max() << "-1.79769313486231E308";
        QTest::newRow("denormal") << std::numeric_limits<double>::denorm_min() << "4.94065645841247E-324";
        QTest::newRow("nan") << std::nan("") << "NAN";
        QTest::newRow("inf") << inf << "INF";
        QTest::newRow("-inf") << -inf << "-INF";
    }
    void generalFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FloatToStr(value), text);
    }

    void roundTripsFifteenDigits()
    {
        const double values[] = {0.1, 1.8, 120, -3.75, 0.000123456789012345, 98765.4321,
                                 1e-5, 1.5e20, 123456789012345.0, 2.5e-9, 6.02214076e23};
        for (double v : values)
            QCOMPARE(StrToFloat(FloatToStr(v)), v);
    }

    void everyFiniteNumberReadsBackFinite()
    {
        const double max = std::numeric_limits<double>::max();
        const double values[] = {max, -max, std::nextafter(max, 0.0), 1.7976931348623150e308,
                                 9.999999999999999e307, std::numeric_limits<double>::min(),
                                 std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min()};
        for (double v : values) {
            double back = 0;
            QVERIFY2(TryStrToFloat(FloatToStr(v), back), qPrintable(FloatToStr(v)));
            QVERIFY(std::isfinite(back));
            QVERIFY2(std::fabs(back - v) <= std::fabs(v) * 1e-14, qPrintable(FloatToStr(v)));
        }
    }

    void fixedDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("six");
        QTest::addColumn<QString>("three");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("zero") << 0.0 << "0.000000" << "0.000";
        QTest::newRow("negative zero") << -0.0 << "0.000000" << "0.000";
        QTest::newRow("positive") << 1.5 << "1.500000" << "1.500";
        QTest::newRow("negative") << -2.25 << "-2.250000" << "-2.250";
        QTest::newRow("negative rounds to zero") << -0.0000001 << "0.000000" << "0.000";
        QTest::newRow("negative rounds to zero at 3") << -0.0004 << "-0.000400" << "0.000";
        QTest::newRow("rounds up") << 0.0006 << "0.000600" << "0.001";
        QTest::newRow("negative rounds away") << -0.0006 << "-0.000600" << "-0.001";
        QTest::newRow("many digits") << 123456.7891234 << "123456.789123" << "123456.789";
        QTest::newRow("carry") << 9.9999999 << "10.000000" << "10.000";
        QTest::newRow("large") << 1e20 << "100000000000000000000.000000" << "100000000000000000000.000";
        QTest::newRow("nan") << std::nan("") << "NAN" << "NAN";
        QTest::newRow("inf") << inf << "INF" << "INF";
        QTest::newRow("-inf") << -inf << "-INF" << "-INF";
    }
    void fixedDecimals()
    {
        QFETCH(double, value);
        QFETCH(QString, six);
        QFETCH(QString, three);
        QCOMPARE(FormatFloat6(value), six);
        QCOMPARE(FormatFloat3(value), three);
    }

    void formattingIgnoresLocale()
    {
        GermanLocale german;
        QCOMPARE(FloatToStr(1.5), QStringLiteral("1.5"));
        QCOMPARE(FloatToStr(1234567.25), QStringLiteral("1234567.25"));
        QCOMPARE(FloatToStr(1.5e-7), QStringLiteral("1.5E-7"));
        QCOMPARE(FormatFloat6(-1234.5), QStringLiteral("-1234.500000"));
        QCOMPARE(FormatFloat3(0.25), QStringLiteral("0.250"));
    }
};

class StrToFloatTest : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "1.5" << 1.5;
        QTest::newRow("integer") << "42" << 42.0;
        QTest::newRow("leading zeros") << "007" << 7.0;
        QTest::newRow("blanks") << "  1.5  " << 1.5;
        QTest::newRow("tabs") << "\t-2\t" << -2.0;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("no integer part") << ".5" << 0.5;
        QTest::newRow("no fraction") << "5." << 5.0;
        QTest::newRow("exponent") << "1e5" << 1e5;
        QTest::newRow("exponent upper plus") << "1E+5" << 1e5;
        QTest::newRow("exponent negative") << "-1.5e-3" << -1.5e-3;
        QTest::newRow("written E form") << "1.5E20" << 1.5e20;
        QTest::newRow("negative zero") << "-0" << 0.0;
        QTest::newRow("denormal") << "1e-320" << 1e-320;
        QTest::newRow("largest") << "1.7976931348623157e308" << std::numeric_limits<double>::max();
    }
    void accepted()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        double parsed = -999;
        QVERIFY(TryStrToFloat(text, parsed));
        QCOMPARE(parsed, value);
        QCOMPARE(StrToFloat(text), value);
    }

    void rejected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << "   ";
        QTest::newRow("inf") << "inf";
        QTest::newRow("INF") << "INF";
        QTest::newRow("nan") << "nan";
        QTest::newRow("comma") << "1,5";
        QTest::newRow("trailing junk") << "1.5x";
        QTest::newRow("double sign") << "--1";
        QTest::newRow("exponent only") << "e5";
        QTest::newRow("hex") << "0x10";
        QTest::newRow("point only") << ".";
        QTest::newRow("sign only") << "+";
        QTest::newRow("empty exponent") << "1e";
        QTest::newRow("signed empty exponent") << "1e+";
        QTest::newRow("inner blank") << "1 5";
        QTest::newRow("two points") << "1.2.3";
        QTest::newRow("trailing newline") << "1.5\n";
        QTest::newRow("wide digits") << QString::fromUtf8("１.５");
        QTest::newRow("overflow") << "1e999";
        QTest::newRow("negative overflow") << "-1e999";
    }
    void rejected()
    {
        QFETCH(QString, text);
        double value = 7.25;
        QVERIFY(!TryStrToFloat(text, value));
        QCOMPARE(value, 7.25);
    }

    void errorMessageQuotesOriginalText()
    {
        const auto call = [](const QString &t) { StrToFloat(t); };
        QCOMPARE(ConvertErrorOf(call, QStringLiteral("1,5")),
                 QStringLiteral("'1,5' is not a valid floating point value"));
        QCOMPARE(ConvertErrorOf(call, QStringLiteral(" abc ")),
                 QStringLiteral("' abc ' is not a valid floating point value"));
        QCOMPARE(ConvertErrorOf(call, QString()), QStringLiteral("'' is not a valid floating point value"));
        QCOMPARE(ConvertErrorOf(call, QStringLiteral("%1x")),
                 QStringLiteral("'%1x' is not a valid floating point value"));
    }

    void parsingIgnoresLocale()
    {
        GermanLocale german;
        double value = 0;
        QVERIFY(TryStrToFloat(QStringLiteral("1.5"), value));
        QCOMPARE(value, 1.5);
        QVERIFY(!TryStrToFloat(QStringLiteral("1,5"), value));
    }
};

class StrToIntTest : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("decimal") << "123" << 123;
        QTest::newRow("negative") << "-123" << -123;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("leading zeros") << "0010" << 10;
        QTest::newRow("blanks") << "  42 " << 42;
        QTest::newRow("tabs") << "\t-1\t" << -1;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("min") << "-2147483648" << int(std::numeric_limits<int32_t>::min());
        QTest::newRow("0x") << "0x10" << 16;
        QTest::newRow("0X mixed case") << "0X1f" << 31;
        QTest::newRow("dollar") << "$FF" << 255;
        QTest::newRow("negative hex") << "-$10" << -16;
        QTest::newRow("hex max positive") << "$7FFFFFFF" << 2147483647;
        QTest::newRow("hex sign bit") << "0x80000000" << int(std::numeric_limits<int32_t>::min());
        QTest::newRow("hex all ones") << "$FFFFFFFF" << -1;
        QTest::newRow("hex leading zeros") << "0x00000000FF" << 255;
    }
    void accepted()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        int32_t parsed = -999;
        QVERIFY(TryStrToInt(text, parsed));
        QCOMPARE(int(parsed), value);
        QCOMPARE(int(StrToInt(text)), value);
    }

    void rejected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << " ";
        QTest::newRow("above max") << "2147483648";
        QTest::newRow("below min") << "-2147483649";
        QTest::newRow("huge") << "99999999999999999999";
        QTest::newRow("hex too wide") << "$100000000";
        QTest::newRow("0x alone") << "0x";
        QTest::newRow("dollar alone") << "$";
        QTest::newRow("fraction") << "1.0";
        QTest::newRow("exponent") << "1e3";
        QTest::newRow("letters") << "abc";
        QTest::newRow("trailing junk") << "12a";
        QTest::newRow("double sign") << "--1";
        QTest::newRow("mixed signs") << "+-1";
        QTest::newRow("sign after prefix") << "0x-1";
        QTest::newRow("blank after sign") << "- 1";
        QTest::newRow("bad hex digit") << "$1G";
        QTest::newRow("wide digits") << QString::fromUtf8("１２");
    }
    void rejected()
    {
        QFETCH(QString, text);
        int32_t value = 77;
        QVERIFY(!TryStrToInt(text, value));
        QCOMPARE(int(value), 77);
    }

    void errorMessageQuotesOriginalText()
    {
        const auto call = [](const QString &t) { StrToInt(t); };
        QCOMPARE(ConvertErrorOf(call, QStringLiteral("12a")),
                 QStringLiteral("'12a' is not a valid integer value"));
        QCOMPARE(ConvertErrorOf(call, QStringLiteral("2147483648")),
                 QStringLiteral("'2147483648' is not a valid integer value"));
        QCOMPARE(ConvertErrorOf(call, QStringLiteral(" 1.5")),
                 QStringLiteral("' 1.5' is not a valid integer value"));
    }
};

TAVORIN_TEST(FloatToStrTest)
TAVORIN_TEST(StrToFloatTest)
TAVORIN_TEST(StrToIntTest)

#include "NumberTextTest.moc"

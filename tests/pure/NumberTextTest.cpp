// Number text in both directions, with a comma and with a point separator.
#include "platform/Exceptions.h"
#include "settings/NumberText.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <limits>

namespace {
const QChar kComma(QLatin1Char(','));
const QChar kPoint(QLatin1Char('.'));

// Writes `text` with the given separator where the table has '#'.
QString With(QChar separator, const char* text) {
    QString s = QString::fromLatin1(text);
    s.replace(QLatin1Char('#'), separator);
    return s;
}

struct ReadCase {
    const char* text;
    double value;
};

// '#' stands for the separator under test.
const ReadCase kReadable[] = {
    {"20", 20.0},
    {"20#5", 20.5},
    {"0#0001", 0.0001},
    {"1E-5", 1e-5},
    {"1e-5", 1e-5},
    {"0#660000026226044", 0.660000026226044},
    {"6#28318500518799", 6.28318500518799},
    {"6#283185", 6.283185},
    {"-5", -5.0},
    {"+5", 5.0},
    {"-0#5", -0.5},
    {"1#5E2", 150.0},
    {"1#5e+2", 150.0},
    {"2E0", 2.0},
    {"#5", 0.5},
    {"5#", 5.0},
    {"#", 0.0},
    {"-#", -0.0},
    {"  12  ", 12.0},
    {" -3#25E-1 ", -0.325},
    {"007", 7.0},
    {"1E308", 1e308},
    {"1E-400", 0.0},
};

const char* const kRejected[] = {
    "-", "+", " ", "   ", "abc", "1a", "1 000", "1#000#5", "1E", "1E+", "E5", "#E5x", "--1",
    "+-1", "1-", "1#5#", "0x10", "1E999", "-1E999", "1#5 E2", "inf", "nan", "\t1",
};
}  // namespace

TEST(StrToFloat, ReadsTheGrammarWithEitherSeparator) {
    for (QChar sep : {kComma, kPoint}) {
        for (const ReadCase& c : kReadable) {
            const QString text = With(sep, c.text);
            SCOPED_TRACE(text.toStdString());
            EXPECT_EQ(StrToFloat(text, sep), c.value);
        }
    }
}

TEST(StrToFloat, RejectsMalformedTextNamingIt) {
    for (QChar sep : {kComma, kPoint}) {
        for (const char* raw : kRejected) {
            const QString text = With(sep, raw);
            SCOPED_TRACE(text.toStdString());
            try {
                StrToFloat(text, sep);
                ADD_FAILURE() << "accepted";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message, QStringLiteral("'%1' is not a valid floating point value").arg(text));
            }
        }
    }
    EXPECT_THROW(StrToFloat(QString(), kComma), EConvertError);
    // Too large though its exponent is negative: 10001 digits and E-9000 make 1E1000.
    const QString digits = QStringLiteral("1") + QString(10000, QLatin1Char('0'));
    EXPECT_THROW(StrToFloat(digits + QStringLiteral("E-9000"), kPoint), EConvertError);
}

TEST(StrToFloat, AcceptsOnlyTheLocaleSeparator) {
    // The other separator is a thousands separator in one of the two and is never read.
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5"), kComma), EConvertError);
    EXPECT_THROW(StrToFloat(QStringLiteral("1,5"), kPoint), EConvertError);
    EXPECT_THROW(StrToFloat(QStringLiteral("1,000.5"), kPoint), EConvertError);
    EXPECT_THROW(StrToFloat(QStringLiteral("1.000,5"), kComma), EConvertError);
    EXPECT_THROW(StrToFloat(QStringLiteral("6,283185"), kPoint), EConvertError);
    EXPECT_EQ(StrToFloat(QStringLiteral("6,283185"), kComma), 6.283185);
}

TEST(FloatToStr, GeneralFormatWithFifteenDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {20.0, "20"},
        {20.5, "20#5"},
        {0.0001, "0#0001"},
        {0.00001, "1E-5"},
        {0.0, "0"},
        {-0.0, "0"},
        {-20.5, "-20#5"},
        {static_cast<double>(0.66f), "0#660000026226044"},
        {static_cast<double>(6.283185f), "6#28318500518799"},
        {static_cast<double>(3.1415925f), "3#14159250259399"},
        {static_cast<double>(1.0f / 3.0f), "0#333333343267441"},
        {1.0 / 3.0, "0#333333333333333"},
        {2.0 / 3.0, "0#666666666666667"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {1.5e20, "1#5E20"},
        {-2.5e-7, "-2#5E-7"},
        {0.00012345, "0#00012345"},
        // Rounding to 15 digits carries into the next power of ten.
        {9.9999999999999999e14, "1E15"},
        {0.000099999999999999999, "0#0001"},
        {100.0, "100"},
        {1e-300, "1E-300"},
    };
    for (QChar sep : {kComma, kPoint}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            EXPECT_EQ(FloatToStr(c.value, sep), With(sep, c.text));
        }
    }
}

TEST(FloatToStr, RoundTripsThroughStrToFloat) {
    const float floats[] = {20.5f, 0.66f, 6.283185f, 1e-5f, -123.456f, 3e10f, 0.1f, 40.0f};
    for (QChar sep : {kComma, kPoint}) {
        for (float f : floats) {
            SCOPED_TRACE(f);
            // Fifteen digits hold any float exactly.
            EXPECT_EQ(static_cast<float>(StrToFloat(FloatToStr(f, sep), sep)), f);
        }
        const double doubles[] = {20.5, 0.0001, 1e-5, 1.5e20, 123456789012345.0};
        for (double d : doubles) EXPECT_EQ(StrToFloat(FloatToStr(d, sep), sep), d);
    }
}

TEST(NumberText, DefaultsToTheDefaultLocaleSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian));
    EXPECT_EQ(LocaleDecimalSeparator(), kComma);
    EXPECT_EQ(FloatToStr(20.5), QStringLiteral("20,5"));
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5E2")), 150.0);
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5")), EConvertError);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(LocaleDecimalSeparator(), kPoint);
    EXPECT_EQ(FloatToStr(20.5), QStringLiteral("20.5"));
    EXPECT_EQ(StrToFloat(QStringLiteral("1.5")), 1.5);
    QLocale::setDefault(saved);
}

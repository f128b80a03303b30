#include "settings/NumberText.h"

#include "platform/Exceptions.h"

#include <QLocale>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {
[[noreturn]] void Reject(const QString& text) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// strtod in the "C" locale whatever the process locale is: Qt sets the C library
// locale from the environment, and a Russian one would expect a comma there.
double ParseC(const std::string& s, bool& overflow) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    errno = 0;
    const double v = strtod_l(s.c_str(), nullptr, c);
    overflow = errno == ERANGE && std::isinf(v);
    return v;
}
}  // namespace

QChar LocaleDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

double StrToFloat(const QString& text, QChar decimalSeparator) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipSpaces = [&] {
        while (i < n && text.at(i) == QLatin1Char(' ')) ++i;
    };

    std::string s;
    skipSpaces();
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        if (text.at(i) == QLatin1Char('-')) s += '-';
        ++i;
    }
    int digits = 0;
    std::string mantissa;
    while (i < n && IsDigit(text.at(i))) {
        mantissa += text.at(i).toLatin1();
        ++digits;
        ++i;
    }
    bool separator = false;
    if (i < n && text.at(i) == decimalSeparator) {
        separator = true;
        mantissa += '.';
        ++i;
        while (i < n && IsDigit(text.at(i))) {
            mantissa += text.at(i).toLatin1();
            ++digits;
            ++i;
        }
    }
    if (!separator && digits == 0) Reject(text);
    // A separator with no digit around it stands for zero.
    s += digits == 0 ? std::string("0") : mantissa;

    if (i < n && (text.at(i) == QLatin1Char('E') || text.at(i) == QLatin1Char('e'))) {
        s += 'e';
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            s += text.at(i++).toLatin1();
        int expDigits = 0;
        while (i < n && IsDigit(text.at(i))) {
            s += text.at(i).toLatin1();
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) Reject(text);
    }
    skipSpaces();
    if (i != n) Reject(text);

    bool overflow = false;
    const double v = ParseC(s, overflow);
    if (overflow) Reject(text);
    return v;
}

double StrToFloat(const QString& text) { return StrToFloat(text, LocaleDecimalSeparator()); }

QString FloatToStr(double value, QChar decimalSeparator) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");

    // 15 significant digits, rounded: d.dddddddddddddde±x.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const bool negative = sci[0] == '-';
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < ePos; ++k)
        if (sci[k] != '.') digits += sci[k];
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    QString out;
    if (negative) out += QLatin1Char('-');
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= whole) {
                out += QString::fromLatin1(digits.c_str()) +
                       QString(static_cast<qsizetype>(whole - digits.size()), QLatin1Char('0'));
            } else {
                out += QString::fromLatin1(digits.c_str(), static_cast<qsizetype>(whole));
                out += decimalSeparator;
                out += QString::fromLatin1(digits.c_str() + whole);
            }
        } else {
            out += QLatin1Char('0');
            out += decimalSeparator;
            out += QString(-exponent - 1, QLatin1Char('0'));
            out += QString::fromLatin1(digits.c_str());
        }
    } else {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += QString::fromLatin1(digits.c_str() + 1);
        }
        out += QLatin1Char('E');
        out += QString::number(exponent);
    }
    return out;
}

QString FloatToStr(double value) { return FloatToStr(value, LocaleDecimalSeparator()); }

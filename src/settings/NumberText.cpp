#include "settings/NumberText.h"

#include "platform/Exceptions.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {
[[noreturn]] void Reject(const QString& text) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The order of magnitude of the number text `s` builds ("-12.5e-3": 0 for 1 up to
// 10), with the exponent saturated: enough to tell overflow from underflow.
long OrderOfMagnitude(const std::string& s) {
    std::size_t k = s[0] == '-' ? 1 : 0;
    long order = 0;
    bool leading = true, fraction = false;
    for (; k < s.size() && s[k] != 'e'; ++k) {
        if (s[k] == '.') {
            fraction = true;
        } else if (leading && s[k] == '0') {
            if (fraction) --order;
        } else {
            leading = false;
            if (!fraction) ++order;
        }
    }
    long exponent = 0;
    if (k < s.size()) {
        const bool negative = s[++k] == '-';
        if (s[k] == '-' || s[k] == '+') ++k;
        for (; k < s.size() && exponent < 100000; ++k) exponent = exponent * 10 + (s[k] - '0');
        if (negative) exponent = -exponent;
    }
    return order - 1 + exponent;
}

// from_chars reads the "C" locale's notation whatever the process locale is (Qt
// sets the C library locale from the environment, and a Russian one would expect a
// comma), and rounds as strtod does. Out of range it reports only that: a number
// too small for a double reads as zero, as strtod has it, one too large overflows.
double ParseC(const std::string& s, bool& overflow) {
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    overflow = false;
    if (res.ec == std::errc::result_out_of_range) {
        overflow = OrderOfMagnitude(s) >= 0;
        v = s[0] == '-' ? -0.0 : 0.0;
    }
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

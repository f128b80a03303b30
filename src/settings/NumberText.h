#pragma once
// Number text as the settings window reads and writes it, in the decimal
// separator of the user's locale.
#include <QChar>
#include <QString>

// The decimal separator of the user's locale (Qt's default locale).
QChar LocaleDecimalSeparator();

// Optional spaces, optional sign, digits with an optional fraction after the
// separator, an optional exponent, optional spaces; nothing else. Raises
// EConvertError "'<text>' is not a valid floating point value" otherwise, and for
// values too large for a double.
double StrToFloat(const QString& text, QChar decimalSeparator);
double StrToFloat(const QString& text);

// General format with at most 15 significant digits: fixed notation from 1E-4 up
// to below 1E15, scientific ("1E-5", "1,5E20") outside; no trailing zeros.
QString FloatToStr(double value, QChar decimalSeparator);
QString FloatToStr(double value);

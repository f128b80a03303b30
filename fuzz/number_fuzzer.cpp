// Number text of the settings window in both directions, with a comma and with
// a point as the decimal separator. Text either converts to a finite number or
// raises EConvertError; the text written for a number reads back as the same
// number to 15 significant digits and is written again unchanged.
#include "platform/Exceptions.h"
#include "settings/NumberText.h"

#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
bool WellFormed(const QString& text, QChar separator) {
    for (QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != separator && c != QLatin1Char('-') &&
            c != QLatin1Char('E'))
            return false;
    return !text.isEmpty();
}

void RoundTrip(double v, QChar separator) {
    const QString text = FloatToStr(v, separator);
    if (!std::isfinite(v)) return;
    if (!WellFormed(text, separator)) std::abort();
    // Rounded to 15 digits the largest doubles exceed the range, and
    // subnormals carry fewer digits than are written: both are left out.
    const double mag = std::fabs(v);
    if (mag > 1e308 || (mag != 0 && mag < DBL_MIN)) return;
    double back = 0;
    try {
        back = StrToFloat(text, separator);
    } catch (const EConvertError&) {
        std::abort();  // our own output must read back
    }
    if (std::fabs(back - v) > 1e-14 * mag) std::abort();
    if (FloatToStr(back, separator) != text) std::abort();
}

void Convert(const QString& text, QChar separator) {
    double v = 0;
    try {
        v = StrToFloat(text, separator);
    } catch (const EConvertError& e) {
        // The message names the whole text.
        if (!e.Message.contains(text)) std::abort();
        return;
    }
    if (!std::isfinite(v)) std::abort();
    RoundTrip(v, separator);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Convert(text, QLatin1Char(','));
    Convert(text, QLatin1Char('.'));

    // The raw bytes as a number, for values no text in the corpus spells.
    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        RoundTrip(v, QLatin1Char(','));
        RoundTrip(v, QLatin1Char('.'));
    }
    return 0;
}

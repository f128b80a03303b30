#include "platform/FormFont.h"

// Windows' "MS Sans Serif" is a bitmap face: one size at every display scale,
// and no Cyrillic where Windows is installed for a Latin-script language. Its
// TrueType counterpart has the same metrics, Cyrillic everywhere, and scales.
QString FormFace() { return QStringLiteral("Microsoft Sans Serif"); }

#include "platform/FormFont.h"

// Rarely installed here: the application's font substitutions put the
// metric-compatible free faces in its place.
QString FormFace() { return QStringLiteral("MS Sans Serif"); }

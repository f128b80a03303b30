#include "AppIcon.h"

#include <QPixmap>

QIcon AppIcon() { return QIcon(QPixmap(QStringLiteral(":/icons/surface-viewer.xpm"))); }

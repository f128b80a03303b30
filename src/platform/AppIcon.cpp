#include "AppIcon.h"

#include <QPixmap>

QIcon AppIcon() {
    // The resources live in a static library: without this reference the linker
    // leaves them out of the program, and every window goes without its icon.
    Q_INIT_RESOURCE(resources);
    return QIcon(QPixmap(QStringLiteral(":/icons/surface-viewer.xpm")));
}

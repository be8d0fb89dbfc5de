// The pictures compiled into the program, loaded from the resource file.
#include "resources/Pictures.h"

#include <QPixmap>

// A resource file compiled into a static library registers itself only when asked to, and the
// asking must happen outside any namespace.
static void registerPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace velbrisk::resources {

namespace {

QString picturePath(const char* name) {
    static const bool registered = (registerPictures(), true);
    (void)registered;
    return QStringLiteral(":/velbrisk/") + QLatin1String(name);
}

}  // namespace

QIcon windowIcon() {
    return QIcon(picturePath("window-icon.xpm"));
}

QCursor handCursor() {
    // The picture is drawn with the finger tip at column 12, row 1.
    return QCursor(QPixmap(picturePath("hand-cursor.xpm")), 12, 1);
}

}  // namespace velbrisk::resources

// Module1: the one call that hands a web or mail address to the user's default program.
#include "app/Module1.h"

#include <QDesktopServices>
#include <QUrl>

namespace velbrisk::Module1 {

void openAddress(const std::string& address) {
    // QUrl encodes the Chinese subject as UTF-8 with percent escapes, which is what the
    // desktop's mail programs decode.
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

}  // namespace velbrisk::Module1

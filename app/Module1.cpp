// Module1: the one call that hands a web or mail address to the user's default program.
#include "app/Module1.h"

#include <QDesktopServices>

namespace velbrisk::Module1 {

void openAddress(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

}  // namespace velbrisk::Module1

#pragma once

#include <QIcon>
#include <QPixmap>

// The notifier's two pictures, rendered from the artwork when the program is built. A
// picture missing from the build is drawn plainly instead, so the tray icon and the alert
// never go blank.
namespace Pictures {

// The program's main icon, shown in the notification area.
QIcon applicationIcon();

// The 32 x 32 picture of the alert (its pixels doubled on a screen that doubles them).
QPixmap alertPicture(qreal devicePixelRatio = 1.0);

} // namespace Pictures

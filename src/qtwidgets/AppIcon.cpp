#include "qtwidgets/AppIcon.h"

#include <QDir>
#include <QImageReader>
#include <QPixmap>
#include <QString>

namespace qtwidgets {

QIcon AppIcon() {
    // One image per size, each in its own NxN directory as in the icon theme. Read as PNG by
    // name: a reader left to detect the format loads every image plugin first (SVG, JPEG, GIF,
    // ICO), which costs the start-up 3-4 ms and the process their libraries.
    QIcon icon;
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString& size : sizes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QImageReader reader(sizes.filePath(size + QStringLiteral("/apps/transmitter-config.png")),
                            "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

}  // namespace qtwidgets

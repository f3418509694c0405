#include "qtwidgets/QtMessage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>

namespace qtwidgets {

void QtMessage::Show(std::string_view text) {
    // Building and showing the box holds the window's thread for several milliseconds. Bytes
    // already on the port, and timer expiries already due, are taken first: read only after the
    // box is up, a reply's first part would start its 50 ms of silence that much late, and a
    // second part coming within that span would be joined to it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace qtwidgets

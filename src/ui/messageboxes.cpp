#include "ui/messageboxes.h"

#include <QApplication>
#include <QMessageBox>

int MessageBoxes::show(Kind kind, const QString &text, int buttons, const QString &caption)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return MessageService::console().show(kind, text, buttons, caption);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    switch (kind) {
    case Kind::Error: icon = QMessageBox::Critical; title = QStringLiteral("Fehler"); break;
    case Kind::Warning: icon = QMessageBox::Warning; title = QStringLiteral("Warnung"); break;
    case Kind::Information: icon = QMessageBox::Information; title = QStringLiteral("Information"); break;
    case Kind::Confirmation: icon = QMessageBox::Question; title = QStringLiteral("Bestätigen"); break;
    }
    QMessageBox box(icon, caption.isEmpty() ? title : caption, text);
    QMessageBox::StandardButtons std;
    if (buttons & Ok) std |= QMessageBox::Ok;
    if (buttons & Yes) std |= QMessageBox::Yes;
    if (buttons & No) std |= QMessageBox::No;
    if (buttons & Cancel) std |= QMessageBox::Cancel;
    box.setStandardButtons(std);
    // Sized before its native window is made (else it is made at 640 x 480).
    box.ensurePolished();
    box.adjustSize();
    switch (box.exec()) {
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
    case QMessageBox::Ok: return Ok;
    default: return (buttons & Cancel) ? Cancel : (buttons & No) ? No : Ok;
    }
}

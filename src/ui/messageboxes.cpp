#include "ui/messageboxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>

namespace {

// Breaks every line wider than `limit` pixels at its spaces ("\r\n" as the
// program's lines end). QMessageBox wraps long lines itself only once it is
// shown, after its window was made at the unwrapped size, and then shows it
// lower than its text needs.
QString wrapLines(const QString &text, const QFontMetrics &metrics, int limit)
{
    QString wrapped;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        const bool cr = line.endsWith(u'\r');
        if (cr)
            line.chop(1);
        QString current;
        const QStringList words = line.split(u' ');
        for (int w = 0; w < words.size(); ++w) {
            const QString candidate = w == 0 ? words.at(w) : current + u' ' + words.at(w);
            if (w > 0 && !current.isEmpty() && metrics.horizontalAdvance(candidate) > limit) {
                wrapped += current + QStringLiteral("\r\n");
                current = words.at(w);
            } else {
                current = candidate;
            }
        }
        wrapped += current;
        if (cr)
            wrapped += u'\r';
        if (i + 1 < lines.size())
            wrapped += u'\n';
    }
    return wrapped;
}

} // namespace

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
    // QMessageBox keeps its text within half the screen, at most 500 pixels
    // with icon and margins.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int boxLimit = qMin(screen ? screen->availableGeometry().width() / 2 : 500, 500);
    box.setText(wrapLines(text, QFontMetrics(box.font()), qMax(200, boxLimit - 150)));
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

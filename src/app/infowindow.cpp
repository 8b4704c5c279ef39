#include "app/infowindow.h"

#include "platform/clock.h"
#include "ui/pictures.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

InfoWindow::InfoWindow(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Info_Form"));
    setWindowTitle(QStringLiteral("Vantrel Reaktion"));
    auto *layout = new QHBoxLayout(this);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Info_Image"));
    picture->setPixmap(Pictures::pixmap(Pictures::infoPicture()));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("Info_Label"));
    m_text->setMinimumWidth(260);
    layout->addWidget(picture);
    layout->addWidget(m_text, 1);
    resize(340, 80);
}

QString InfoWindow::text() const { return m_text->text(); }

void InfoWindow::showInfoBox(const QString &text)
{
    if (!isVisible()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->geometry().center() - rect().center());
        show();
    }
    m_text->setText(text);
    repaint();
    Clock::instance().processEvents();
    Clock::instance().sleep(700);
}

void InfoWindow::hideInfoBox() { hide(); }

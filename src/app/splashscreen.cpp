#include "app/splashscreen.h"

#include "platform/buildinfo.h"
#include "platform/clock.h"
#include "ui/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

SplashScreen::SplashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Splash_Form"));
    setFixedSize(Pictures::SplashWidth, Pictures::SplashHeight);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Splash_Image"));
    picture->setPixmap(Pictures::pixmap(Pictures::splash()));
    picture->setGeometry(0, 0, Pictures::SplashWidth, Pictures::SplashHeight);

    const int bandHeight = Pictures::SplashHeight - Pictures::SplashStatusTop;
    m_status = new QLabel(QStringLiteral("Starte Programm..."), this);
    m_status->setObjectName(QStringLiteral("Status_Label"));
    m_status->setGeometry(8, Pictures::SplashStatusTop, Pictures::SplashWidth - 110, bandHeight);
    m_version = new QLabel(QStringLiteral("Version ") + QStringLiteral(VR_VERSION_TEXT), this);
    m_version->setObjectName(QStringLiteral("Version_Label"));
    m_version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_version->setGeometry(Pictures::SplashWidth - 108, Pictures::SplashStatusTop, 100, bandHeight);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void SplashScreen::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->repaint();
    Clock::instance().processEvents();
}

QString SplashScreen::status() const { return m_status->text(); }

#include "app/informationpage.h"

#include "core/actionlog.h"
#include "platform/messageservice.h"
#include "ui/hints.h"
#include "ui/pictures.h"
#include "ui/weblinks.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
QLabel *linkLabel(QWidget *parent, const QString &name, const QString &text, const QString &hint)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setCursor(Qt::PointingHandCursor);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(pal);
    SetHint(label, hint);
    return label;
}
} // namespace

InformationPage::InformationPage(QWidget *parent)
    : QWidget(parent)
    , m_openWebPage(WebLinks::Open)
    , m_openMailAddress(WebLinks::OpenMail)
{
    setObjectName(QStringLiteral("Information_Page"));

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Logo_Image"));
    logo->setPixmap(Pictures::pixmap(Pictures::logo()));

    auto *internet = new QLabel(QStringLiteral("Besuchen Sie uns im Internet"), this);
    internet->setObjectName(QStringLiteral("Internet_Label"));
    m_homepageLabel = linkLabel(this, QStringLiteral("Homepage_Label"), WebLinks::Homepage,
                                QStringLiteral("Verbindung zu unserer Internetseite"));
    m_homepageLabel->installEventFilter(this);

    auto *support = new QLabel(QStringLiteral("Bei Problemen oder Fragen zum Programm wenden Sie sich an"), this);
    support->setObjectName(QStringLiteral("Support_Label"));
    m_supportMailLabel = linkLabel(this, QStringLiteral("SupportMail_Label"), WebLinks::SupportMail,
                                   QStringLiteral("Bei Fragen oder Problemen klicken Sie hier !"));
    m_supportMailLabel->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(logo, 0, Qt::AlignLeft);
    layout->addSpacing(12);
    layout->addWidget(internet);
    layout->addWidget(m_homepageLabel, 0, Qt::AlignLeft);
    layout->addSpacing(12);
    layout->addWidget(support);
    layout->addWidget(m_supportMailLabel, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

void InformationPage::setOpeners(Opener webPage, Opener mailAddress)
{
    m_openWebPage = std::move(webPage);
    m_openMailAddress = std::move(mailAddress);
}

void InformationPage::homepageClicked()
{
    WriteLogLine(QStringLiteral("Ausführen : Verbinden mit Webseite"));
    if (!m_openWebPage || !m_openWebPage(WebLinks::Homepage)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Verbinden mit Webseite"));
        ShowError(QStringLiteral("\r\nDie Internetseite ") + WebLinks::Homepage
                  + QStringLiteral(" konnte nicht geöffnet werden."));
    }
}

void InformationPage::supportMailClicked()
{
    WriteLogLine(QStringLiteral("Ausführen : Senden E-Mail"));
    if (!m_openMailAddress || !m_openMailAddress(WebLinks::SupportMail)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Senden E-Mail"));
        ShowError(QStringLiteral("\r\nEs konnte kein E-Mail-Programm für die Adresse ") + WebLinks::SupportMail
                  + QStringLiteral(" geöffnet werden."));
    }
}

bool InformationPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = qobject_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton && label && label->rect().contains(mouse->position().toPoint())) {
            if (watched == m_homepageLabel)
                homepageClicked();
            else if (watched == m_supportMailLabel)
                supportMailClicked();
        }
    }
    return QWidget::eventFilter(watched, event);
}

#include "shooters/birthdateedit.h"

#include "platform/clock.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString Format = QStringLiteral("dd.MM.yyyy");

} // namespace

const QDate BirthDateEdit::Earliest(1900, 1, 1);

BirthDateEdit::BirthDateEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setPlaceholderText(QStringLiteral("TT.MM.JJJJ"));
    setMaxLength(10);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]{0,10}")), this));
    Calendar_Action = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    Calendar_Action->setObjectName(QStringLiteral("Calendar_Action"));
    Calendar_Action->setToolTip(QStringLiteral("Kalender"));
    connect(Calendar_Action, &QAction::triggered, this, &BirthDateEdit::showCalendar);
    connect(this, &QLineEdit::editingFinished, this, &BirthDateEdit::tidy);
}

void BirthDateEdit::setDate(const QDate &date)
{
    setText(date.isValid() ? date.toString(Format) : QString());
}

QDate BirthDateEdit::parse(const QString &text)
{
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})$"));
    static const QRegularExpression digits(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    const QString t = text.trimmed();
    QRegularExpressionMatch m = dotted.match(t);
    if (!m.hasMatch())
        m = digits.match(t);
    if (!m.hasMatch())
        return QDate();
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

QString BirthDateEdit::problem(const QString &text, const QDate &today)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("\r\nBitte das Geburtsdatum eingeben (TT.MM.JJJJ, zum Beispiel 02.07.2005).");
    const QDate date = parse(text);
    if (!date.isValid())
        return QStringLiteral("\r\n„%1“ ist kein gültiges Geburtsdatum.\r\nBitte im Format TT.MM.JJJJ eingeben, "
                              "zum Beispiel 02.07.2005.")
            .arg(text.trimmed());
    if (date > today)
        return QStringLiteral("\r\nDas Geburtsdatum %1 liegt in der Zukunft.\r\nBitte prüfen Sie die Eingabe.")
            .arg(date.toString(Format));
    if (date < Earliest)
        return QStringLiteral("\r\nDas Geburtsdatum %1 liegt vor dem %2.\r\nBitte prüfen Sie die Eingabe.")
            .arg(date.toString(Format), Earliest.toString(Format));
    return QString();
}

void BirthDateEdit::tidy()
{
    // "2.7.2005" is shown as "02.07.2005" once the field is left.
    const QDate d = date();
    if (d.isValid() && text() != d.toString(Format))
        setDate(d);
}

void BirthDateEdit::showCalendar()
{
    if (!m_popup) {
        m_popup = new QFrame(this, Qt::Popup);
        m_popup->setObjectName(QStringLiteral("Calendar_Popup"));
        m_popup->setFrameShape(QFrame::StyledPanel);
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setObjectName(QStringLiteral("Calendar"));
        m_calendar->setGridVisible(true);
        auto *layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_calendar);
        const auto take = [this](const QDate &d) {
            setDate(d);
            emit textEdited(text());
            m_popup->hide();
            setFocus(Qt::PopupFocusReason);
        };
        connect(m_calendar, &QCalendarWidget::clicked, this, take);
        connect(m_calendar, &QCalendarWidget::activated, this, take);
    }
    const QDate today = Clock::instance().now().date();
    m_calendar->setDateRange(Earliest, today);
    const QDate shown = date();
    m_calendar->setSelectedDate(shown.isValid() && shown <= today && shown >= Earliest ? shown : today);
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void BirthDateEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 || (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

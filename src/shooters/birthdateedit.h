#pragma once
#include <QDate>
#include <QLineEdit>

class QAction;
class QCalendarWidget;
class QFrame;

// "Geburtsdatum": a German date typed as TT.MM.JJJJ (one-digit day and month
// and dots as typed are fine, "02072005" too) or chosen from a drop-down
// calendar (the button at the right, Alt+Down or F4). Empty until set; Tab
// leaves the field like any text field.
class BirthDateEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit BirthDateEdit(QWidget *parent = nullptr);

    // The typed date; invalid when the field is empty or holds no date.
    QDate date() const { return parse(text()); }
    // Shows the date as TT.MM.JJJJ; an invalid date empties the field.
    void setDate(const QDate &date);

    // "2.7.2005", "02.07.2005", "02072005" -> 2 July 2005; anything else invalid.
    static QDate parse(const QString &text);
    // Empty when text is a birth date between 01.01.1900 and today; otherwise
    // the German message that says what is wrong.
    static QString problem(const QString &text, const QDate &today);

    // Opens the drop-down calendar below the field.
    void showCalendar();
    QAction *Calendar_Action;
    // Made on first use.
    QCalendarWidget *calendar() const { return m_calendar; }

    static const QDate Earliest;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void tidy();

    QFrame *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
};

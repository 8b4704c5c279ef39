#include "shooters/skl_form.h"

#include "platform/messageservice.h"
#include "ui/hints.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

bool WeightFromEntry(const QString &text, int *grams)
{
    QString digits;
    for (QChar c : text)
        if (c >= u'0' && c <= u'9')
            digits += c;
    bool ok = true;
    const int value = digits.isEmpty() ? 0 : digits.toInt(&ok);
    *grams = ok ? value : 0;
    return ok && value != 0;
}

TSKL_Form::TSKL_Form(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SKL_Form"));
    setWindowTitle(QStringLiteral("Sensorkennlinie aufnehmen"));
    setModal(true);

    Info_Label = new QLabel(
        QStringLiteral("Um die Sensorkennlinie zu bestimmen, ist es nötig, den Sensor mit einem Gewicht zu "
                       "beschweren. Aus dem Nullpunkt und diesem spezifischen Wert läßt sich der Sensorfaktor "
                       "bestimmen. Geben Sie nun bitte das Gewicht des verwendeten Wägstückes (in GRAMM) an."),
        this);
    Info_Label->setObjectName(QStringLiteral("Info_Label"));
    Info_Label->setWordWrap(true);
    Info_Label->setMinimumWidth(320);

    Gewicht_Edit = new QLineEdit(this);
    Gewicht_Edit->setObjectName(QStringLiteral("Gewicht_Edit"));
    Gewicht_Edit->setInputMask(QStringLiteral("000;_"));
    Gewicht_Edit->setMaximumWidth(60);
    Gewicht_Label = new QLabel(QStringLiteral("Aufgelegtes Gewicht"), this);
    Gewicht_Label->setObjectName(QStringLiteral("Gewicht_Label"));
    Gewicht_Label->setBuddy(Gewicht_Edit);

    Weiter_Button = new QPushButton(QStringLiteral("&Weiter"), this);
    Weiter_Button->setObjectName(QStringLiteral("Weiter_Button"));
    Weiter_Button->setDefault(true);
    SetHint(Weiter_Button, QStringLiteral("|Fortfahren"));
    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    Cancel_Button->setAutoDefault(false);
    SetHint(Cancel_Button, QStringLiteral("|Auswahl abbrechen"));
    connect(Weiter_Button, &QPushButton::clicked, this, &TSKL_Form::Weiter_ButtonClick);
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);

    auto *entry = new QHBoxLayout;
    entry->addWidget(Gewicht_Label);
    entry->addWidget(Gewicht_Edit);
    entry->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Weiter_Button);
    buttons->addWidget(Cancel_Button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Info_Label);
    layout->addLayout(entry);
    layout->addLayout(buttons);
}

TSKL_Form::~TSKL_Form() = default;

void TSKL_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    Gewicht_Edit->setFocus();
}

void TSKL_Form::Weiter_ButtonClick()
{
    int grams = 0;
    const bool ok = WeightFromEntry(Gewicht_Edit->text(), &grams);
    Gewicht = grams;
    if (!ok) {
        ShowError(QStringLiteral("Falsche Gewichtseingabe !"));
        done(AbortResult);
        return;
    }
    accept();
}

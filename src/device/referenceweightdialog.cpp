#include "device/referenceweightdialog.h"

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

ReferenceWeightDialog::ReferenceWeightDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SKL_Form"));
    setWindowTitle(QStringLiteral("Sensorkennlinie aufnehmen"));
    setModal(true);

    m_infoLabel = new QLabel(
        QStringLiteral("Um die Sensorkennlinie zu bestimmen, ist es nötig, den Sensor mit einem Gewicht zu "
                       "beschweren. Aus dem Nullpunkt und diesem spezifischen Wert läßt sich der Sensorfaktor "
                       "bestimmen. Geben Sie nun bitte das Gewicht des verwendeten Wägstückes (in GRAMM) an."),
        this);
    m_infoLabel->setObjectName(QStringLiteral("Info_Label"));
    m_infoLabel->setWordWrap(true);
    m_infoLabel->setMinimumWidth(320);

    m_weightEdit = new QLineEdit(this);
    m_weightEdit->setObjectName(QStringLiteral("Gewicht_Edit"));
    m_weightEdit->setInputMask(QStringLiteral("000;_"));
    m_weightEdit->setMaximumWidth(60);
    m_weightLabel = new QLabel(QStringLiteral("Aufgelegtes Gewicht"), this);
    m_weightLabel->setObjectName(QStringLiteral("Gewicht_Label"));
    m_weightLabel->setBuddy(m_weightEdit);

    m_continueButton = new QPushButton(QStringLiteral("&Weiter"), this);
    m_continueButton->setObjectName(QStringLiteral("Weiter_Button"));
    m_continueButton->setDefault(true);
    SetHint(m_continueButton, QStringLiteral("|Fortfahren"));
    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    m_cancelButton->setAutoDefault(false);
    SetHint(m_cancelButton, QStringLiteral("|Auswahl abbrechen"));
    connect(m_continueButton, &QPushButton::clicked, this, &ReferenceWeightDialog::continueClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *entry = new QHBoxLayout;
    entry->addWidget(m_weightLabel);
    entry->addWidget(m_weightEdit);
    entry->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_continueButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_infoLabel);
    layout->addLayout(entry);
    layout->addLayout(buttons);
}

ReferenceWeightDialog::~ReferenceWeightDialog() = default;

int ReferenceWeightDialog::askWeight()
{
    m_weight = 0;
    if (exec() != QDialog::Accepted)
        return 0;
    return m_weight;
}

void ReferenceWeightDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_weightEdit->setFocus();
}

void ReferenceWeightDialog::continueClicked()
{
    int grams = 0;
    const bool ok = WeightFromEntry(m_weightEdit->text(), &grams);
    m_weight = grams;
    if (!ok) {
        ShowError(QStringLiteral("Falsche Gewichtseingabe !"));
        done(AbortResult);
        return;
    }
    accept();
}

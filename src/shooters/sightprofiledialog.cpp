#include "shooters/sightprofiledialog.h"

#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "store/datatable.h"
#include "store/tdata.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QString PlacementCode = QStringLiteral("PVF");

// The profile fields in the order of the table.
const char *const FieldNames[8] = {"Monitor_Size", "Diopter_Size", "DiopVis_Size", "A_Korntunnel",
                                   "I_Korntunnel", "A_Ringkorn",   "I_RingKorn",   "Spiegel_Size"};

// Typed digits, Backspace and the arrows all change the value; a number
// outside the range cannot be typed, and a field left empty or below its
// minimum goes back to its last valid value.
QSpinBox *makeSpin(QWidget *parent, const QString &name, int min, int max)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    return spin;
}

} // namespace

SightPreviewBox::SightPreviewBox(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(SightProfileDialog::PreviewSize, SightProfileDialog::PreviewSize);
}

void SightPreviewBox::paintEvent(QPaintEvent *)
{
    if (!source)
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, source());
}

SightProfileDialog::SightProfileDialog(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden PVF"));
    setObjectName(QStringLiteral("PersVis_Form"));
    setWindowTitle(QStringLiteral("Visierdaten"));
    setModal(true);

    auto *previewGroup = new QGroupBox(QStringLiteral("Vorschau"), this);
    previewGroup->setObjectName(QStringLiteral("Vorschau_GroupBox"));
    auto *previewNote = new QLabel(QStringLiteral("Im Vorschaufenster wird nur eine skalierte Darstellung des Visiers "
                                               "angezeigt. Die gewählten Größenverhältnisse bleiben jedoch erhalten."),
                                previewGroup);
    previewNote->setObjectName(QStringLiteral("Vorschau_Label"));
    previewNote->setWordWrap(true);
    previewNote->setMaximumWidth(PreviewSize);
    m_previewBox = new SightPreviewBox(previewGroup);
    m_previewBox->setObjectName(QStringLiteral("Vorschau_PaintBox"));
    m_previewBox->source = [this] { return previewImage(); };
    auto *preview = new QVBoxLayout(previewGroup);
    preview->addWidget(previewNote);
    preview->addWidget(m_previewBox, 0, Qt::AlignHCenter);
    preview->addStretch();

    auto *dataGroup = new QGroupBox(QStringLiteral("&Daten"), this);
    dataGroup->setObjectName(QStringLiteral("Daten_GroupBox"));
    m_monitorBox = new QComboBox(dataGroup);
    m_monitorBox->setObjectName(QStringLiteral("Monitor_ComboBox"));
    m_monitorBox->addItems({QStringLiteral("640 x 480"), QStringLiteral("800 x 600"), QStringLiteral("1024 x 768"),
                                QStringLiteral("1280 x 1024")});
    m_diopterSpin = makeSpin(dataGroup, QStringLiteral("Diopter_SpinEdit"), 1, 200);
    m_diopterLimitSpin = makeSpin(dataGroup, QStringLiteral("DiopVis_SpinEdit"), 50, 100);
    m_tunnelOuterSpin = makeSpin(dataGroup, QStringLiteral("AKorntunnel_SpinEdit"), 1, 100);
    m_tunnelInnerSpin = makeSpin(dataGroup, QStringLiteral("IKorntunnel_SpinEdit"), 1, 100);
    m_ringOuterSpin = makeSpin(dataGroup, QStringLiteral("ARingkorn_SpinEdit"), 1, 100);
    m_ringInnerSpin = makeSpin(dataGroup, QStringLiteral("IRingkorn_SpinEdit"), 1, 100);
    // The mirror has no upper limit worth speaking of.
    m_mirrorSpin = makeSpin(dataGroup, QStringLiteral("Spiegel_SpinEdit"), 0, 9999);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Bildschirmauflösung"), m_monitorBox);
    form->addRow(QStringLiteral("Diopteröffnung in mm"), m_diopterSpin);
    form->addRow(QStringLiteral("Diopterbegrenzung in %"), m_diopterLimitSpin);
    form->addRow(QStringLiteral("Außendurchmesser Korntunnel  in %"), m_tunnelOuterSpin);
    form->addRow(QStringLiteral("Innendurchmesser Korntunnel in %"), m_tunnelInnerSpin);
    form->addRow(QStringLiteral("Außendurchmesser Ringkorn in %"), m_ringOuterSpin);
    form->addRow(QStringLiteral("Innendurchmesser Ringkorn in %"), m_ringInnerSpin);
    form->addRow(QStringLiteral("Durchmesser Spiegel in %"), m_mirrorSpin);
    auto *hinweisTitle = new QLabel(QStringLiteral("Hinweis"), dataGroup);
    hinweisTitle->setObjectName(QStringLiteral("HinweisTitel_Label"));
    QFont bold = hinweisTitle->font();
    bold.setBold(true);
    hinweisTitle->setFont(bold);
    auto *hintLabel = new QLabel(
        QStringLiteral("Die Prozentangaben für die einzelnen Durchmesser beziehen sich auf die Diopteröffnung."),
        dataGroup);
    hintLabel->setObjectName(QStringLiteral("Hinweis_Label"));
    hintLabel->setWordWrap(true);
    auto *data = new QVBoxLayout(dataGroup);
    data->addLayout(form);
    data->addSpacing(12);
    data->addWidget(hinweisTitle);
    data->addWidget(hintLabel);
    data->addStretch();

    for (QSpinBox *spin : {m_diopterLimitSpin, m_tunnelOuterSpin, m_tunnelInnerSpin, m_ringOuterSpin,
                           m_ringInnerSpin, m_mirrorSpin})
        connect(spin, &QSpinBox::valueChanged, m_previewBox, qOverload<>(&QWidget::update));

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    m_cancelButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &SightProfileDialog::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &SightProfileDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(previewGroup);
    top->addWidget(dataGroup);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    setProfile(SightSizes::defaults());
    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PVF"));
}

SightProfileDialog::~SightProfileDialog() = default;

DataTable *SightProfileDialog::table() const
{
    TData *data = TData::instance();
    return data ? data->visierTable() : nullptr;
}

SightSizes SightProfileDialog::profile() const
{
    SightSizes p;
    p.Monitor_Size = m_monitorBox->currentIndex();
    p.Diopter_Size = m_diopterSpin->value();
    p.DiopVis_Size = m_diopterLimitSpin->value();
    p.A_Korntunnel = m_tunnelOuterSpin->value();
    p.I_Korntunnel = m_tunnelInnerSpin->value();
    p.A_Ringkorn = m_ringOuterSpin->value();
    p.I_RingKorn = m_ringInnerSpin->value();
    p.Spiegel_Size = m_mirrorSpin->value();
    return p;
}

void SightProfileDialog::setProfile(const SightSizes &p)
{
    m_monitorBox->setCurrentIndex(std::clamp(p.Monitor_Size, 0, m_monitorBox->count() - 1));
    m_diopterSpin->setValue(p.Diopter_Size);
    m_diopterLimitSpin->setValue(p.DiopVis_Size);
    m_tunnelOuterSpin->setValue(p.A_Korntunnel);
    m_tunnelInnerSpin->setValue(p.I_Korntunnel);
    m_ringOuterSpin->setValue(p.A_Ringkorn);
    m_ringInnerSpin->setValue(p.I_RingKorn);
    m_mirrorSpin->setValue(p.Spiegel_Size);
}

QImage SightProfileDialog::previewImage() const
{
    return DrawSightPreview(profile(), PreviewSize, PreviewSize, palette().color(QPalette::Window));
}

void SightProfileDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

bool SightProfileDialog::readStoredProfile(DataTable *visier)
{
    const auto setControl = [this](int index, int value) {
        switch (index) {
        case 0: m_monitorBox->setCurrentIndex(std::clamp(value, 0, m_monitorBox->count() - 1)); break;
        case 1: m_diopterSpin->setValue(value); break;
        case 2: m_diopterLimitSpin->setValue(value); break;
        case 3: m_tunnelOuterSpin->setValue(value); break;
        case 4: m_tunnelInnerSpin->setValue(value); break;
        case 5: m_ringOuterSpin->setValue(value); break;
        case 6: m_ringInnerSpin->setValue(value); break;
        default: m_mirrorSpin->setValue(value); break;
        }
    };
    for (int i = 0; i < 8; ++i) {
        const QString name = QString::fromLatin1(FieldNames[i]);
        const QVariant v = visier->fieldValue(name);
        double d = 0;
        bool ok = visier->hasField(name);
        if (ok && v.isValid() && !v.isNull())
            d = v.toDouble(&ok);
        if (!ok || !std::isfinite(d) || std::fabs(d) > 1e9) {
            ShowError(QStringLiteral("\r\nFehler beim Lesen der Daten !"));
            return false;
        }
        setControl(i, int(std::lround(d)));
    }
    return true;
}

void SightProfileDialog::activate()
{
    m_storedNummer = 0;
    m_monitorBox->setCurrentIndex(0);
    DataTable *visier = table();
    if (m_editMode) {
        bool editing = false;
        if (visier && visier->isOpen()) {
            visier->checkBrowseMode();
            int target = 0;
            for (int row = 0; row < visier->recordCount() && m_profileNumber > 0; ++row)
                if (visier->valueAt(row, QStringLiteral("Nummer")).toLongLong() == m_profileNumber)
                    target = row;
            if (!visier->isEmpty())
                visier->moveTo(target + 1);
            // No profile yet: a new one is started instead.
            editing = visier->isEmpty() ? visier->append() : visier->edit();
        }
        if (visier && editing)
            readStoredProfile(visier);
        if (m_diopterSpin->value() == m_diopterSpin->minimum() || !editing)
            setProfile(SightSizes::defaults());
    } else {
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz hinzufügen"));
        setProfile(SightSizes::defaults());
        const bool ok = visier && visier->first() && visier->append();
        if (!ok)
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz hinzufügen"));
    }
    m_previewBox->update();
}

void SightProfileDialog::okClicked()
{
    DataTable *visier = table();
    const SightSizes p = profile();
    const int values[8] = {p.Monitor_Size, p.Diopter_Size, p.DiopVis_Size, p.A_Korntunnel,
                           p.I_Korntunnel, p.A_Ringkorn,   p.I_RingKorn,   p.Spiegel_Size};
    bool assigned = visier != nullptr;
    for (int i = 0; i < 8 && assigned; ++i)
        assigned = visier->setFieldValue(QString::fromLatin1(FieldNames[i]), double(values[i]));
    if (!assigned) {
        ShowError(QStringLiteral("\r\nFehler beim Zuweisen der Daten !"));
        if (visier)
            visier->cancel();
    } else {
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz speichern"));
        if (!visier->post()) {
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz speichern"));
            ShowError(QStringLiteral("\r\nFehler beim Schreiben der Daten !"));
            visier->cancel();
        } else {
            m_storedNummer = visier->fieldValue(QStringLiteral("Nummer")).toLongLong();
        }
    }
    done(QDialog::Accepted);
}

void SightProfileDialog::reject()
{
    if (DataTable *visier = table())
        visier->cancel();
    QDialog::reject();
}

void SightProfileDialog::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

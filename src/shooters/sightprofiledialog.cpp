#include "shooters/sightprofiledialog.h"

#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "store/datatable.h"
#include "store/tdata.h"

#include <QScopedValueRollback>
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

    Vorschau_GroupBox = new QGroupBox(QStringLiteral("Vorschau"), this);
    Vorschau_GroupBox->setObjectName(QStringLiteral("Vorschau_GroupBox"));
    Vorschau_Label = new QLabel(QStringLiteral("Im Vorschaufenster wird nur eine skalierte Darstellung des Visiers "
                                               "angezeigt. Die gewählten Größenverhältnisse bleiben jedoch erhalten."),
                                Vorschau_GroupBox);
    Vorschau_Label->setObjectName(QStringLiteral("Vorschau_Label"));
    Vorschau_Label->setWordWrap(true);
    Vorschau_Label->setMaximumWidth(PreviewSize);
    Vorschau_PaintBox = new SightPreviewBox(Vorschau_GroupBox);
    Vorschau_PaintBox->setObjectName(QStringLiteral("Vorschau_PaintBox"));
    Vorschau_PaintBox->source = [this] { return previewImage(); };
    auto *preview = new QVBoxLayout(Vorschau_GroupBox);
    preview->addWidget(Vorschau_Label);
    preview->addWidget(Vorschau_PaintBox, 0, Qt::AlignHCenter);
    preview->addStretch();

    Daten_GroupBox = new QGroupBox(QStringLiteral("&Daten"), this);
    Daten_GroupBox->setObjectName(QStringLiteral("Daten_GroupBox"));
    Monitor_ComboBox = new QComboBox(Daten_GroupBox);
    Monitor_ComboBox->setObjectName(QStringLiteral("Monitor_ComboBox"));
    Monitor_ComboBox->addItems({QStringLiteral("640 x 480"), QStringLiteral("800 x 600"), QStringLiteral("1024 x 768"),
                                QStringLiteral("1280 x 1024")});
    Diopter_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("Diopter_SpinEdit"), 1, 200);
    DiopVis_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("DiopVis_SpinEdit"), 50, 100);
    AKorntunnel_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("AKorntunnel_SpinEdit"), 1, 100);
    IKorntunnel_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("IKorntunnel_SpinEdit"), 1, 100);
    ARingkorn_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("ARingkorn_SpinEdit"), 1, 100);
    IRingkorn_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("IRingkorn_SpinEdit"), 1, 100);
    // The mirror has no upper limit worth speaking of.
    Spiegel_SpinEdit = makeSpin(Daten_GroupBox, QStringLiteral("Spiegel_SpinEdit"), 0, 9999);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Bildschirmauflösung"), Monitor_ComboBox);
    form->addRow(QStringLiteral("Diopteröffnung in mm"), Diopter_SpinEdit);
    form->addRow(QStringLiteral("Diopterbegrenzung in %"), DiopVis_SpinEdit);
    form->addRow(QStringLiteral("Außendurchmesser Korntunnel  in %"), AKorntunnel_SpinEdit);
    form->addRow(QStringLiteral("Innendurchmesser Korntunnel in %"), IKorntunnel_SpinEdit);
    form->addRow(QStringLiteral("Außendurchmesser Ringkorn in %"), ARingkorn_SpinEdit);
    form->addRow(QStringLiteral("Innendurchmesser Ringkorn in %"), IRingkorn_SpinEdit);
    form->addRow(QStringLiteral("Durchmesser Spiegel in %"), Spiegel_SpinEdit);
    auto *hinweisTitle = new QLabel(QStringLiteral("Hinweis"), Daten_GroupBox);
    hinweisTitle->setObjectName(QStringLiteral("HinweisTitel_Label"));
    QFont bold = hinweisTitle->font();
    bold.setBold(true);
    hinweisTitle->setFont(bold);
    Hinweis_Label = new QLabel(
        QStringLiteral("Die Prozentangaben für die einzelnen Durchmesser beziehen sich auf die Diopteröffnung."),
        Daten_GroupBox);
    Hinweis_Label->setObjectName(QStringLiteral("Hinweis_Label"));
    Hinweis_Label->setWordWrap(true);
    auto *data = new QVBoxLayout(Daten_GroupBox);
    data->addLayout(form);
    data->addSpacing(12);
    data->addWidget(hinweisTitle);
    data->addWidget(Hinweis_Label);
    data->addStretch();

    for (QSpinBox *spin : {DiopVis_SpinEdit, AKorntunnel_SpinEdit, IKorntunnel_SpinEdit, ARingkorn_SpinEdit,
                           IRingkorn_SpinEdit, Spiegel_SpinEdit})
        connect(spin, &QSpinBox::valueChanged, Vorschau_PaintBox, qOverload<>(&QWidget::update));

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    Cancel_Button->setAutoDefault(false);
    connect(OK_Button, &QPushButton::clicked, this, &SightProfileDialog::OK_ButtonClick);
    connect(Cancel_Button, &QPushButton::clicked, this, &SightProfileDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(Vorschau_GroupBox);
    top->addWidget(Daten_GroupBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    buttons->addWidget(Cancel_Button);
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
    p.Monitor_Size = Monitor_ComboBox->currentIndex();
    p.Diopter_Size = Diopter_SpinEdit->value();
    p.DiopVis_Size = DiopVis_SpinEdit->value();
    p.A_Korntunnel = AKorntunnel_SpinEdit->value();
    p.I_Korntunnel = IKorntunnel_SpinEdit->value();
    p.A_Ringkorn = ARingkorn_SpinEdit->value();
    p.I_RingKorn = IRingkorn_SpinEdit->value();
    p.Spiegel_Size = Spiegel_SpinEdit->value();
    return p;
}

void SightProfileDialog::setProfile(const SightSizes &p)
{
    Monitor_ComboBox->setCurrentIndex(std::clamp(p.Monitor_Size, 0, Monitor_ComboBox->count() - 1));
    Diopter_SpinEdit->setValue(p.Diopter_Size);
    DiopVis_SpinEdit->setValue(p.DiopVis_Size);
    AKorntunnel_SpinEdit->setValue(p.A_Korntunnel);
    IKorntunnel_SpinEdit->setValue(p.I_Korntunnel);
    ARingkorn_SpinEdit->setValue(p.A_Ringkorn);
    IRingkorn_SpinEdit->setValue(p.I_RingKorn);
    Spiegel_SpinEdit->setValue(p.Spiegel_Size);
}

QImage SightProfileDialog::previewImage() const
{
    return DrawSightPreview(profile(), PreviewSize, PreviewSize, palette().color(QPalette::Window));
}

void SightProfileDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

bool SightProfileDialog::readStoredProfile(DataTable *visier)
{
    const auto setControl = [this](int index, int value) {
        switch (index) {
        case 0: Monitor_ComboBox->setCurrentIndex(std::clamp(value, 0, Monitor_ComboBox->count() - 1)); break;
        case 1: Diopter_SpinEdit->setValue(value); break;
        case 2: DiopVis_SpinEdit->setValue(value); break;
        case 3: AKorntunnel_SpinEdit->setValue(value); break;
        case 4: IKorntunnel_SpinEdit->setValue(value); break;
        case 5: ARingkorn_SpinEdit->setValue(value); break;
        case 6: IRingkorn_SpinEdit->setValue(value); break;
        default: Spiegel_SpinEdit->setValue(value); break;
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

void SightProfileDialog::FormActivate()
{
    m_storedNummer = 0;
    Monitor_ComboBox->setCurrentIndex(0);
    DataTable *visier = table();
    if (EditMode) {
        bool editing = false;
        if (visier && visier->isOpen()) {
            visier->checkBrowseMode();
            int target = 0;
            for (int row = 0; row < visier->recordCount() && ProfileNummer > 0; ++row)
                if (visier->valueAt(row, QStringLiteral("Nummer")).toLongLong() == ProfileNummer)
                    target = row;
            if (!visier->isEmpty())
                visier->moveTo(target + 1);
            // No profile yet: a new one is started instead.
            editing = visier->isEmpty() ? visier->append() : visier->edit();
        }
        if (visier && editing)
            readStoredProfile(visier);
        if (Diopter_SpinEdit->value() == Diopter_SpinEdit->minimum() || !editing)
            setProfile(SightSizes::defaults());
    } else {
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz hinzufügen"));
        setProfile(SightSizes::defaults());
        const bool ok = visier && visier->first() && visier->append();
        if (!ok)
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz hinzufügen"));
    }
    Vorschau_PaintBox->update();
}

void SightProfileDialog::OK_ButtonClick()
{
    if (m_inOk)
        return;   // a second click while the first one's log write lets messages run
    const QScopedValueRollback<bool> busy(m_inOk, true);
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

#include "curves/curvesetupdialog.h"

#include "curves/curverunsettings.h"
#include "curves/kdftools.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "runkit/setupcontrols.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString kM3 = QStringLiteral("M3");

// A stored list position is applied only when it names an entry.
void applyIndex(QComboBox *list, int index)
{
    if (index >= 0 && index < list->count())
        list->setCurrentIndex(index);
}
} // namespace

QString Setup3InfoText()
{
    return QStringLiteral(
        "Durchführung der Messung\r\n\r\nDie Meßwerterfassung wird durch klicken auf die Schaltfläche\r\n"
        "\"Start\" begonnen. Nach ca. 2 Sekunden werden die Scheiben dem\r\nSchützen in unregelmäßigen Abständen "
        "präsentiert. Jede Serie\r\numfasst 5 Scheiben. Der Schuss wird als gültig erkannt, wenn die\r\nReaktion "
        "innerhalb der konfigurierten Zeitspanne erfolgt und sich\r\ndie Scheibe innerhalb des konfigurierten "
        "Bereiches befindet.");
}

CurveSetupDialog::CurveSetupDialog(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ERS3F"));
    setObjectName(QStringLiteral("ERSetup3_Form"));
    setWindowTitle(QStringLiteral("Vorgaben"));
    setModal(true);
    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };

    auto *info = MakeSetupInfoLabel(this);

    m_series = MakeSeriesGroup(this);
    Serien_GroupBox = m_series.group;
    Anz5_RadioButton = m_series.anz5;
    Anz10_RadioButton = m_series.anz10;
    Anz15_RadioButton = m_series.anz15;
    frei_RadioButton = m_series.frei;
    Anz_Edit = m_series.edit;

    const TimesControls zeiten = MakeTimesGroup(this);
    Zeit_SpinEdit = zeiten.spin;

    Anschlag_GroupBox = new QGroupBox(QStringLiteral("Ans&chlag"), this);
    named(Anschlag_GroupBox, "Anschlag_GroupBox");
    Treffer_CheckBox = new QCheckBox(QStringLiteral("&Trefferanzeige"), Anschlag_GroupBox);
    named(Treffer_CheckBox, "Treffer_CheckBox");
    Visier_Button = new QPushButton(QStringLiteral("&Definieren"), Anschlag_GroupBox);
    named(Visier_Button, "Visier_Button");
    Typ_Combobox = new QComboBox(Anschlag_GroupBox);
    named(Typ_Combobox, "Typ_Combobox");
    Typ_Combobox->addItems({QStringLiteral("liegend"), QStringLiteral("stehend")});
    auto *anschlag = new QGridLayout(Anschlag_GroupBox);
    anschlag->addWidget(Treffer_CheckBox, 0, 0, 1, 2);
    anschlag->addWidget(Typ_Combobox, 1, 0);
    anschlag->addWidget(Visier_Button, 1, 1);

    m_sight = MakeSightGroup(this);
    cb_Visier = m_sight.list;
    rb_PersVisier = m_sight.database;
    rb_PresVisier = m_sight.file;

    Schussanlage_GroupBox = new QGroupBox(QStringLiteral("S&chussanlage"), this);
    named(Schussanlage_GroupBox, "Schussanlage_GroupBox");
    cb_Schussanlage = new QComboBox(Schussanlage_GroupBox);
    named(cb_Schussanlage, "cb_Schussanlage");
    cb_Schussanlage->setMinimumWidth(160);
    rb_keine = new QRadioButton(QStringLiteral("kei&ne"), Schussanlage_GroupBox);
    named(rb_keine, "rb_keine");
    rb_Datei = new QRadioButton(QStringLiteral("aus Dat&ei"), Schussanlage_GroupBox);
    named(rb_Datei, "rb_Datei");
    rb_Datei->setChecked(true);
    rb_keine->setEnabled(false);
    rb_Datei->setEnabled(false);
    cb_Richtung = new QCheckBox(QStringLiteral("rechts -> links"), Schussanlage_GroupBox);
    named(cb_Richtung, "cb_Richtung");
    cb_Targetanzeige = new QCheckBox(QStringLiteral("T&refferanzeige"), Schussanlage_GroupBox);
    named(cb_Targetanzeige, "cb_Targetanzeige");
    auto *anlage = new QGridLayout(Schussanlage_GroupBox);
    anlage->addWidget(cb_Schussanlage, 0, 0, 1, 2);
    anlage->addWidget(rb_keine, 1, 0);
    anlage->addWidget(rb_Datei, 1, 1);
    anlage->addWidget(named(new QLabel(QStringLiteral("Schussreihenfolge"), Schussanlage_GroupBox), "Richtung_Label"), 2, 0);
    anlage->addWidget(cb_Richtung, 2, 1);
    anlage->addWidget(cb_Targetanzeige, 3, 0, 1, 2);

    auto *kurven = new QGroupBox(QStringLiteral("&Kurvendefinition"), this);
    named(kurven, "Kurvendefinition_GroupBox");
    cb_Kurvensets = new QComboBox(kurven);
    named(cb_Kurvensets, "cb_Kurvensets");
    cb_Kurvensets->setMinimumWidth(160);
    auto *setsLabel = new QLabel(QStringLiteral("K&urvensets"), kurven);
    setsLabel->setBuddy(cb_Kurvensets);
    cb_Spiegelzuordnung = new QComboBox(kurven);
    named(cb_Spiegelzuordnung, "cb_Spiegelzuordnung");
    cb_Spiegelzuordnung->addItems({QStringLiteral("fest"), QStringLiteral("zufällig"), QStringLiteral("1"),
                                   QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")});
    cb_Spiegelzuordnung->setEnabled(false);
    auto *zuordnungLabel = new QLabel(QStringLiteral("&Spiegelzuordnung"), kurven);
    zuordnungLabel->setBuddy(cb_Spiegelzuordnung);
    auto *kurvenLayout = new QGridLayout(kurven);
    kurvenLayout->addWidget(setsLabel, 0, 0);
    kurvenLayout->addWidget(cb_Kurvensets, 0, 1);
    kurvenLayout->addWidget(zuordnungLabel, 1, 0);
    kurvenLayout->addWidget(cb_Spiegelzuordnung, 1, 1);

    const SetupButtons buttons = MakeSetupButtons(this);
    OK_Button = buttons.ok;
    Cancel_Button = buttons.cancel;
    Info_Button = buttons.info;

    auto *left = new QVBoxLayout;
    left->addWidget(Serien_GroupBox);
    left->addWidget(zeiten.group);
    left->addWidget(Anschlag_GroupBox);
    left->addWidget(m_sight.group);
    auto *right = new QVBoxLayout;
    right->addWidget(Schussanlage_GroupBox);
    right->addWidget(kurven);
    right->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addLayout(columns);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(frei_RadioButton, &QRadioButton::toggled, this, [this] { frei_RadioButtonClick(); });
    connect(cb_Visier, qOverload<int>(&QComboBox::activated), this, [this] { rb_PresVisier->setChecked(true); });
    connect(cb_Schussanlage, qOverload<int>(&QComboBox::activated), this, [this] { rb_Datei->setChecked(true); });
    connect(Visier_Button, &QPushButton::clicked, this, [this] { Visier_ButtonClick(); });
    connect(OK_Button, &QPushButton::clicked, this, [this] { OK_ButtonClick(); });
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);
    connect(Info_Button, &QPushButton::clicked, this, [this] { Info_ButtonClick(); });

    LoadFormPlacement(this, QStringLiteral("ERS3F"));
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ERS3F"));
}

CurveSetupDialog::~CurveSetupDialog() = default;

void CurveSetupDialog::setSightView(SightViewDialog *view, std::function<void()> afterShow)
{
    m_view = view;
    m_afterView = std::move(afterShow);
}

void CurveSetupDialog::FormActivate()
{
    Anz_Edit->clear();
    Typ_Combobox->setCurrentIndex(0);
    cb_Spiegelzuordnung->setCurrentIndex(0);
    Anz5_RadioButton->setChecked(true);
    Anz_Edit->setEnabled(false);

    cb_Kurvensets->clear();
    cb_Kurvensets->addItems(ListCurveSets(ProgramPaths::kdataDir()));
    if (cb_Kurvensets->count() > 0)
        cb_Kurvensets->setCurrentIndex(0);
    const bool kdataSeen = QFileInfo(ProgramPaths::kdataDir()).isDir();
    OK_Button->setEnabled(kdataSeen);
    cb_Kurvensets->setEnabled(kdataSeen);

    cb_Visier->clear();
    cb_Visier->addItems(ListSightPictures(ProgramPaths::vdataDir()));
    const bool pictures = cb_Visier->count() > 0;
    if (pictures)
        cb_Visier->setCurrentIndex(0);
    else
        rb_PersVisier->setChecked(true);
    rb_PresVisier->setEnabled(pictures);
    cb_Visier->setEnabled(pictures);

    cb_Schussanlage->clear();
    cb_Schussanlage->addItems(ListShootingSystems(ProgramPaths::sdataDir()));
    const bool systems = cb_Schussanlage->count() > 0;
    if (systems)
        cb_Schussanlage->setCurrentIndex(0);
    else
        rb_keine->setChecked(true);
    cb_Schussanlage->setEnabled(systems);
    cb_Spiegelzuordnung->setEnabled(false);

    const RegistryIni reg(RegistryKeys::MainConfig);
    Zeit_SpinEdit->setValue(qBound(1, reg.readInteger(kM3, QStringLiteral("Scheibenabstand"), 1), 10));
    applyIndex(Typ_Combobox, reg.readInteger(kM3, QStringLiteral("Anschlag"), 0));
    Treffer_CheckBox->setChecked(reg.readBool(kM3, QStringLiteral("Trefferanzeige"), false));
    applyIndex(cb_Kurvensets, reg.readInteger(kM3, QStringLiteral("Kurvendefinition"), 0));
    applyIndex(cb_Spiegelzuordnung, reg.readInteger(kM3, QStringLiteral("Spiegelzuordnung"), 0));
    if (reg.readBool(kM3, QStringLiteral("Datei_Schussanlage"), false))
        rb_Datei->setChecked(true);
    if (systems)
        rb_Datei->setChecked(true);
    else
        rb_keine->setChecked(true);
    applyIndex(cb_Schussanlage, reg.readInteger(kM3, QStringLiteral("Schussanlage"), 0));
    cb_Richtung->setChecked(reg.readBool(kM3, QStringLiteral("Schussrichtung"), false));
    cb_Targetanzeige->setChecked(reg.readBool(kM3, QStringLiteral("Targetanzeige"), false));
    if (reg.readBool(kM3, QStringLiteral("DB_Visier"), true))
        rb_PersVisier->setChecked(true);
    // A stored choice of a sight picture needs a picture to choose.
    if (pictures && reg.readBool(kM3, QStringLiteral("Datei_Visier"), false))
        rb_PresVisier->setChecked(true);
    applyIndex(cb_Visier, reg.readInteger(kM3, QStringLiteral("Viser"), 0));
    m_sightStandIn = PreselectSightSource(m_sight, m_sightStandIn);

    OK_Button->setEnabled(systems && cb_Kurvensets->count() > 0);
}

void CurveSetupDialog::StoreSettings()
{
    RegistryIni reg(RegistryKeys::MainConfig);
    reg.writeInteger(kM3, QStringLiteral("Scheibenabstand"), Zeit_SpinEdit->value());
    reg.writeInteger(kM3, QStringLiteral("Anschlag"), Typ_Combobox->currentIndex());
    reg.writeBool(kM3, QStringLiteral("Trefferanzeige"), Treffer_CheckBox->isChecked());
    reg.writeInteger(kM3, QStringLiteral("Kurvendefinition"), cb_Kurvensets->currentIndex());
    reg.writeInteger(kM3, QStringLiteral("Spiegelzuordnung"), cb_Spiegelzuordnung->currentIndex());
    reg.writeBool(kM3, QStringLiteral("keine_Schussanlage"), rb_keine->isChecked());
    reg.writeBool(kM3, QStringLiteral("Datei_Schussanlage"), rb_Datei->isChecked());
    reg.writeInteger(kM3, QStringLiteral("Schussanlage"), cb_Schussanlage->currentIndex());
    reg.writeBool(kM3, QStringLiteral("Schussrichtung"), cb_Richtung->isChecked());
    reg.writeBool(kM3, QStringLiteral("Targetanzeige"), cb_Targetanzeige->isChecked());
    if (!m_sightStandIn) {   // a stand-in for a missing profile is not the stored choice
        reg.writeBool(kM3, QStringLiteral("DB_Visier"), rb_PersVisier->isChecked());
        reg.writeBool(kM3, QStringLiteral("Datei_Visier"), rb_PresVisier->isChecked());
        reg.writeInteger(kM3, QStringLiteral("Viser"), cb_Visier->currentIndex());
    }
}

void CurveSetupDialog::OK_ButtonClick()
{
    if (!OK_Button->isEnabled())
        return;
    StoreSettings();
    RunSettings &run = RunSettings::instance();
    CurveRunSettings &curves = CurveRunSettings::instance();
    curves.LeftToRight = !cb_Richtung->isChecked();
    curves.ShowTargets = cb_Targetanzeige->isChecked();

    run.VisierDatei = ChosenSightFile(m_sight);

    curves.ShootingSystemName = rb_Datei->isChecked() ? cb_Schussanlage->currentText() : QString();

    curves.CurveSetDirectory = QDir(ProgramPaths::kdataDir()).filePath(cb_Kurvensets->currentText());
    if (!QFileInfo(curves.CurveSetDirectory).isDir())
        ShowWarning(QStringLiteral("Verzeichnis nicht vorhanden"));
    std::mt19937 rng = ClockSeededGenerator();
    curves.CurveFiles = ListCurveFiles(curves.CurveSetDirectory);
    ShuffleCurveFiles(curves.CurveFiles, rng);

    // Problems of the set's files in one warning; the run presents what is sound.
    QStringList problems;
    QStringList sorted = curves.CurveFiles;
    sorted.sort(Qt::CaseInsensitive);
    for (const QString &file : sorted)
        problems << CheckCurveFile(file);
    if (!problems.isEmpty()) {
        const int shown = 20;
        QString text = QStringLiteral("Das Kurvenset enthält fehlerhafte Daten:\r\n\r\n")
                       + problems.mid(0, shown).join(QStringLiteral("\r\n"));
        if (problems.size() > shown)
            text += QStringLiteral("\r\n... und %1 weitere.").arg(problems.size() - shown);
        ShowWarning(text);
    }

    run.Scheibenabstand = Zeit_SpinEdit->value();

    const int n = ChosenSeriesCount(m_series);
    if (n < 1) {
        ShowError(QStringLiteral("Bitte eine gültige Anzahl eingeben."));
        return;
    }
    run.SerienAnzahl = n;
    // Also with a free count: a set without curve files has nothing to present.
    if (curves.CurveFiles.isEmpty()) {
        ShowError(QStringLiteral("Das gewählte Kurvenset enthält keine Definitionsdateien."));
        return;
    }
    if (!SightSourceReady(m_sight, m_setUpProfile))
        return;
    accept();
}

void CurveSetupDialog::Info_ButtonClick() { ShowInformation(Setup3InfoText()); }

void CurveSetupDialog::Visier_ButtonClick()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Visieransicht"));
    if (!m_view)
        m_view = new SightViewDialog(this);
    m_view->setShootingPositionProvider([this] { return Typ_Combobox->currentIndex() == 0 ? 0 : 1; });
    m_view->exec();
    if (m_afterView)
        m_afterView();
    else if (m_view)
        m_view->setShootingPositionProvider(nullptr);
}

void CurveSetupDialog::frei_RadioButtonClick()
{
    Anz_Edit->setEnabled(frei_RadioButton->isChecked());
    if (frei_RadioButton->isChecked())
        FocusSeriesCount(m_series);
}

void CurveSetupDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void CurveSetupDialog::done(int r)
{
    SaveFormPlacement(QStringLiteral("ERS3F"), x(), y());
    QDialog::done(r);
}

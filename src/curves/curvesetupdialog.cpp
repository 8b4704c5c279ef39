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

    const TimesControls zeiten = MakeTimesGroup(this);
    m_spacingSpin = zeiten.spin;

    m_positionGroup = new QGroupBox(QStringLiteral("Ans&chlag"), this);
    named(m_positionGroup, "Anschlag_GroupBox");
    m_hitDisplayCheck = new QCheckBox(QStringLiteral("&Trefferanzeige"), m_positionGroup);
    named(m_hitDisplayCheck, "Treffer_CheckBox");
    m_defineButton = new QPushButton(QStringLiteral("&Definieren"), m_positionGroup);
    named(m_defineButton, "Visier_Button");
    m_positionCombo = new QComboBox(m_positionGroup);
    named(m_positionCombo, "Typ_Combobox");
    m_positionCombo->addItems({QStringLiteral("liegend"), QStringLiteral("stehend")});
    auto *anschlag = new QGridLayout(m_positionGroup);
    anschlag->addWidget(m_hitDisplayCheck, 0, 0, 1, 2);
    anschlag->addWidget(m_positionCombo, 1, 0);
    anschlag->addWidget(m_defineButton, 1, 1);

    m_sight = MakeSightGroup(this);

    m_systemGroup = new QGroupBox(QStringLiteral("S&chussanlage"), this);
    named(m_systemGroup, "Schussanlage_GroupBox");
    m_systemCombo = new QComboBox(m_systemGroup);
    named(m_systemCombo, "cb_Schussanlage");
    m_systemCombo->setMinimumWidth(160);
    m_noSystemRadio = new QRadioButton(QStringLiteral("kei&ne"), m_systemGroup);
    named(m_noSystemRadio, "rb_keine");
    m_systemFileRadio = new QRadioButton(QStringLiteral("aus Dat&ei"), m_systemGroup);
    named(m_systemFileRadio, "rb_Datei");
    m_systemFileRadio->setChecked(true);
    m_noSystemRadio->setEnabled(false);
    m_systemFileRadio->setEnabled(false);
    m_directionCheck = new QCheckBox(QStringLiteral("rechts -> links"), m_systemGroup);
    named(m_directionCheck, "cb_Richtung");
    m_showTargetsCheck = new QCheckBox(QStringLiteral("T&refferanzeige"), m_systemGroup);
    named(m_showTargetsCheck, "cb_Targetanzeige");
    auto *anlage = new QGridLayout(m_systemGroup);
    anlage->addWidget(m_systemCombo, 0, 0, 1, 2);
    anlage->addWidget(m_noSystemRadio, 1, 0);
    anlage->addWidget(m_systemFileRadio, 1, 1);
    anlage->addWidget(named(new QLabel(QStringLiteral("Schussreihenfolge"), m_systemGroup), "Richtung_Label"), 2, 0);
    anlage->addWidget(m_directionCheck, 2, 1);
    anlage->addWidget(m_showTargetsCheck, 3, 0, 1, 2);

    auto *kurven = new QGroupBox(QStringLiteral("&Kurvendefinition"), this);
    named(kurven, "Kurvendefinition_GroupBox");
    m_curveSetCombo = new QComboBox(kurven);
    named(m_curveSetCombo, "cb_Kurvensets");
    m_curveSetCombo->setMinimumWidth(160);
    auto *setsLabel = new QLabel(QStringLiteral("K&urvensets"), kurven);
    setsLabel->setBuddy(m_curveSetCombo);
    m_mirrorMapCombo = new QComboBox(kurven);
    named(m_mirrorMapCombo, "cb_Spiegelzuordnung");
    m_mirrorMapCombo->addItems({QStringLiteral("fest"), QStringLiteral("zufällig"), QStringLiteral("1"),
                                   QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")});
    m_mirrorMapCombo->setEnabled(false);
    auto *zuordnungLabel = new QLabel(QStringLiteral("&Spiegelzuordnung"), kurven);
    zuordnungLabel->setBuddy(m_mirrorMapCombo);
    auto *kurvenLayout = new QGridLayout(kurven);
    kurvenLayout->addWidget(setsLabel, 0, 0);
    kurvenLayout->addWidget(m_curveSetCombo, 0, 1);
    kurvenLayout->addWidget(zuordnungLabel, 1, 0);
    kurvenLayout->addWidget(m_mirrorMapCombo, 1, 1);

    const SetupButtons buttons = MakeSetupButtons(this);
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;
    m_infoButton = buttons.info;

    auto *left = new QVBoxLayout;
    left->addWidget(m_series.group);
    left->addWidget(zeiten.group);
    left->addWidget(m_positionGroup);
    left->addWidget(m_sight.group);
    auto *right = new QVBoxLayout;
    right->addWidget(m_systemGroup);
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

    connect(m_series.frei, &QRadioButton::toggled, this, [this] { freeCountToggled(); });
    connect(m_sight.list, qOverload<int>(&QComboBox::activated), this, [this] { m_sight.file->setChecked(true); });
    connect(m_systemCombo, qOverload<int>(&QComboBox::activated), this, [this] { m_systemFileRadio->setChecked(true); });
    connect(m_defineButton, &QPushButton::clicked, this, [this] { defineClicked(); });
    connect(m_okButton, &QPushButton::clicked, this, [this] { okClicked(); });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_infoButton, &QPushButton::clicked, this, [this] { infoClicked(); });

    LoadFormPlacement(this, QStringLiteral("ERS3F"));
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ERS3F"));
}

CurveSetupDialog::~CurveSetupDialog() = default;

void CurveSetupDialog::setSightView(SightViewDialog *view, std::function<void()> afterShow)
{
    m_view = view;
    m_afterView = std::move(afterShow);
}

void CurveSetupDialog::activate()
{
    m_series.edit->clear();
    m_positionCombo->setCurrentIndex(0);
    m_mirrorMapCombo->setCurrentIndex(0);
    m_series.anz5->setChecked(true);
    m_series.edit->setEnabled(false);

    m_curveSetCombo->clear();
    m_curveSetCombo->addItems(ListCurveSets(ProgramPaths::kdataDir()));
    if (m_curveSetCombo->count() > 0)
        m_curveSetCombo->setCurrentIndex(0);
    const bool kdataSeen = QFileInfo(ProgramPaths::kdataDir()).isDir();
    m_okButton->setEnabled(kdataSeen);
    m_curveSetCombo->setEnabled(kdataSeen);

    m_sight.list->clear();
    m_sight.list->addItems(ListSightPictures(ProgramPaths::vdataDir()));
    const bool pictures = m_sight.list->count() > 0;
    if (pictures)
        m_sight.list->setCurrentIndex(0);
    else
        m_sight.database->setChecked(true);
    m_sight.file->setEnabled(pictures);
    m_sight.list->setEnabled(pictures);

    m_systemCombo->clear();
    m_systemCombo->addItems(ListShootingSystems(ProgramPaths::sdataDir()));
    const bool systems = m_systemCombo->count() > 0;
    if (systems)
        m_systemCombo->setCurrentIndex(0);
    else
        m_noSystemRadio->setChecked(true);
    m_systemCombo->setEnabled(systems);
    m_mirrorMapCombo->setEnabled(false);

    const RegistryIni reg(RegistryKeys::MainConfig);
    m_spacingSpin->setValue(qBound(1, reg.readInteger(kM3, QStringLiteral("Scheibenabstand"), 1), 10));
    applyIndex(m_positionCombo, reg.readInteger(kM3, QStringLiteral("Anschlag"), 0));
    m_hitDisplayCheck->setChecked(reg.readBool(kM3, QStringLiteral("Trefferanzeige"), false));
    applyIndex(m_curveSetCombo, reg.readInteger(kM3, QStringLiteral("Kurvendefinition"), 0));
    applyIndex(m_mirrorMapCombo, reg.readInteger(kM3, QStringLiteral("Spiegelzuordnung"), 0));
    if (reg.readBool(kM3, QStringLiteral("Datei_Schussanlage"), false))
        m_systemFileRadio->setChecked(true);
    if (systems)
        m_systemFileRadio->setChecked(true);
    else
        m_noSystemRadio->setChecked(true);
    applyIndex(m_systemCombo, reg.readInteger(kM3, QStringLiteral("Schussanlage"), 0));
    m_directionCheck->setChecked(reg.readBool(kM3, QStringLiteral("Schussrichtung"), false));
    m_showTargetsCheck->setChecked(reg.readBool(kM3, QStringLiteral("Targetanzeige"), false));
    if (reg.readBool(kM3, QStringLiteral("DB_Visier"), true))
        m_sight.database->setChecked(true);
    // A stored choice of a sight picture needs a picture to choose.
    if (pictures && reg.readBool(kM3, QStringLiteral("Datei_Visier"), false))
        m_sight.file->setChecked(true);
    applyIndex(m_sight.list, reg.readInteger(kM3, QStringLiteral("Viser"), 0));
    m_sightStandIn = PreselectSightSource(m_sight, m_sightStandIn);

    m_okButton->setEnabled(systems && m_curveSetCombo->count() > 0);
}

void CurveSetupDialog::storeSettings()
{
    RegistryIni reg(RegistryKeys::MainConfig);
    reg.writeInteger(kM3, QStringLiteral("Scheibenabstand"), m_spacingSpin->value());
    reg.writeInteger(kM3, QStringLiteral("Anschlag"), m_positionCombo->currentIndex());
    reg.writeBool(kM3, QStringLiteral("Trefferanzeige"), m_hitDisplayCheck->isChecked());
    reg.writeInteger(kM3, QStringLiteral("Kurvendefinition"), m_curveSetCombo->currentIndex());
    reg.writeInteger(kM3, QStringLiteral("Spiegelzuordnung"), m_mirrorMapCombo->currentIndex());
    reg.writeBool(kM3, QStringLiteral("keine_Schussanlage"), m_noSystemRadio->isChecked());
    reg.writeBool(kM3, QStringLiteral("Datei_Schussanlage"), m_systemFileRadio->isChecked());
    reg.writeInteger(kM3, QStringLiteral("Schussanlage"), m_systemCombo->currentIndex());
    reg.writeBool(kM3, QStringLiteral("Schussrichtung"), m_directionCheck->isChecked());
    reg.writeBool(kM3, QStringLiteral("Targetanzeige"), m_showTargetsCheck->isChecked());
    if (!m_sightStandIn) {   // a stand-in for a missing profile is not the stored choice
        reg.writeBool(kM3, QStringLiteral("DB_Visier"), m_sight.database->isChecked());
        reg.writeBool(kM3, QStringLiteral("Datei_Visier"), m_sight.file->isChecked());
        reg.writeInteger(kM3, QStringLiteral("Viser"), m_sight.list->currentIndex());
    }
}

void CurveSetupDialog::okClicked()
{
    if (!m_okButton->isEnabled())
        return;
    storeSettings();
    RunSettings &run = RunSettings::instance();
    CurveRunSettings &curves = CurveRunSettings::instance();
    curves.LeftToRight = !m_directionCheck->isChecked();
    curves.ShowTargets = m_showTargetsCheck->isChecked();

    run.VisierDatei = ChosenSightFile(m_sight);

    curves.ShootingSystemName = m_systemFileRadio->isChecked() ? m_systemCombo->currentText() : QString();

    curves.CurveSetDirectory = QDir(ProgramPaths::kdataDir()).filePath(m_curveSetCombo->currentText());
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

    run.Scheibenabstand = m_spacingSpin->value();

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

void CurveSetupDialog::infoClicked() { ShowInformation(Setup3InfoText()); }

void CurveSetupDialog::defineClicked()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Visieransicht"));
    if (!m_view)
        m_view = new SightViewDialog(this);
    m_view->setShootingPositionProvider([this] { return m_positionCombo->currentIndex() == 0 ? 0 : 1; });
    m_view->exec();
    if (m_afterView)
        m_afterView();
    else if (m_view)
        m_view->setShootingPositionProvider(nullptr);
}

void CurveSetupDialog::freeCountToggled()
{
    m_series.edit->setEnabled(m_series.frei->isChecked());
    if (m_series.frei->isChecked())
        FocusSeriesCount(m_series);
}

void CurveSetupDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void CurveSetupDialog::done(int r)
{
    SaveFormPlacement(QStringLiteral("ERS3F"), x(), y());
    QDialog::done(r);
}

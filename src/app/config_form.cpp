#include "app/config_form.h"

#include "device/devicefunctions.h"
#include "device/serialport.h"
#include "device/serialportlist.h"
#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "ui/pictures.h"
#include "ui/weblinks.h"
#include "shooters/skl_form.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString PlacementCode = QStringLiteral("CF");

const QString OfflineHint = QStringLiteral(
    "Wird das Programm im Offline-Modus gestartet, wird keine Prüfung vorgenommen, ob das Vantrel "
    "korrekt installiert und angeschlossen ist.");
const QString BackupHint = QStringLiteral(
    "Beim Beenden des Programms wird eine automatische Sicherung der Datenbanken vorgenommen. Diese "
    "Daten können dann im Fehlerfall wieder restauriert werden.");
const QString ReorgHint = QStringLiteral(
    "Beim Starten des Programms wird eine Reorganisation der Daten vorgenommen. Dies erhöht die "
    "Performance und beugt Datenfehlern vor.");
const QString LogfileHint = QStringLiteral(
    "Jede ausgeführte Aktion wird in der Datei LOGFILE.TXT protokolliert. Tritt ein Fehler auf, kann "
    "dieser anhand des Logfiles nachvollzogen werden.");
const QString SoundHint = QStringLiteral(
    "Ist diese Option aktiviert, erhält der Schütze ein akustisches Signal über das Ergebnis seines "
    "Versuches.");
const QString BenutzerHint = QStringLiteral(
    "Der Benutzername erscheint auf den Ausdrucken des Messprotokolls. Ist die Option AKTIONEN "
    "PROTOKOLLIEREN aktiviert, wird der Benutzername bei allen Aktionen mitprotokolliert.");
const QString PortHint = QStringLiteral(
    "Wählen Sie die Schnittstelle aus, an dem Sie das Vantrel angeschlossen haben. Achten Sie darauf, "
    "das kein anderes Gerät diese Schnittstelle verwendet.");
const QString PortDeviceHint = QStringLiteral(
    "Wählen Sie, welche Schnittstelle des Rechners unter diesem Namen geöffnet wird, zum Beispiel ein "
    "USB-Adapter (/dev/ttyUSB0, /dev/ttyACM0). Die Liste zeigt die vorhandenen seriellen Schnittstellen mit "
    "Beschreibung und Hersteller.");
const QString ControllerHint = QStringLiteral(
    "Wählen Sie hier den verwendetet Controllertyp aus. Um die Richtigkeit der Angaben zu überprüfen, "
    "führen Sie einen Controllertest durch.");

// The force trace: the kept picture of the force test, drawn as it is.
class PlotBox : public QWidget
{
public:
    explicit PlotBox(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    std::function<const QImage &()> image;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (image)
            painter.drawImage(0, 0, image());
    }
};

QLabel *hintArea(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumWidth(190);
    return label;
}

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

const QString TConfig_Form::GroupHint =
    QStringLiteral("Für nähere Informationen den Mousezeiger über das gewünschte Thema bewegen.");

TConfig_Form::TConfig_Form(QWidget *parent)
    : QDialog(parent)
    , openWebPage(WebLinks::Open)
    , openMailAddress(WebLinks::OpenMail)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden CF"));

    setObjectName(QStringLiteral("Config_Form"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setModal(true);

    Device = new DeviceFunctions(this);
    Device->setObjectName(QStringLiteral("Device"));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    buildAllgemein();
    buildDevicePages();
    buildInformation();
    PageControl->setCurrentIndex(0);
    connect(PageControl, &QTabWidget::currentChanged, this, &TConfig_Form::PageControlChange);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addWidget(buildBottomBar());
    connectDevice();

    // Service access to the device pages.
    auto *service = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    service->setContext(Qt::WindowShortcut);
    connect(service, &QShortcut::activated, this, &TConfig_Form::ToggleServicePages);

    // The dialog sees F10 and F11 before its controls do.
    for (const int key : {int(Qt::Key_F10), int(Qt::Key_F11)}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, key] { FormKeyDown(key); });
    }

    setFixedSize(sizeHint().expandedTo(QSize(520, 0)));

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden CF"));
}

TConfig_Form::~TConfig_Form() = default;

void TConfig_Form::buildAllgemein()
{
    Allgemein_Page = new QWidget;
    Allgemein_Page->setObjectName(QStringLiteral("Allgemein_Page"));

    Programm_GroupBox = new QGroupBox(QStringLiteral("Programm"), Allgemein_Page);
    Programm_GroupBox->setObjectName(QStringLiteral("Programm_GroupBox"));
    Programm_GroupBox->installEventFilter(this);

    Benutzer_Label = new QLabel(QStringLiteral("&Benutzer"), Programm_GroupBox);
    Benutzer_Label->setObjectName(QStringLiteral("Benutzer_Label"));
    Benutzer_Edit = new QLineEdit(Programm_GroupBox);
    Benutzer_Edit->setObjectName(QStringLiteral("Benutzer_Edit"));
    SetHint(Benutzer_Edit, QStringLiteral("Benutzername eingeben"));
    Benutzer_Label->setBuddy(Benutzer_Edit);

    auto checkBox = [this](const QString &name, const QString &caption) {
        auto *box = new QCheckBox(caption, Programm_GroupBox);
        box->setObjectName(name);
        return box;
    };
    Offline_CheckBox = checkBox(QStringLiteral("Offline_CheckBox"), QStringLiteral("im O&ffline Modus starten"));
    Backup_CheckBox = checkBox(QStringLiteral("Backup_CheckBox"), QStringLiteral("Datenbank-Ba&ckup anlegen"));
    Reorg_CheckBox = checkBox(QStringLiteral("Reorg_CheckBox"), QStringLiteral("Datenbanken &Reorganisieren"));
    Logfile_CheckBox = checkBox(QStringLiteral("Logfile_CheckBox"), QStringLiteral("Aktionen &protokollieren"));
    Sound_CheckBox = checkBox(QStringLiteral("Sound_CheckBox"), QStringLiteral("a&kustische Trefferanzeige"));

    auto *programm = new QVBoxLayout(Programm_GroupBox);
    auto *user = new QHBoxLayout;
    user->addWidget(Benutzer_Label);
    user->addWidget(Benutzer_Edit, 1);
    programm->addLayout(user);
    programm->addSpacing(6);
    for (QCheckBox *box : {Offline_CheckBox, Backup_CheckBox, Reorg_CheckBox, Logfile_CheckBox, Sound_CheckBox})
        programm->addWidget(box);
    programm->addStretch(1);

    Hinweis_GroupBox = new QGroupBox(QStringLiteral("Hinweis"), Allgemein_Page);
    Hinweis_GroupBox->setObjectName(QStringLiteral("Hinweis_GroupBox"));
    Hinweis_Label = hintArea(Hinweis_GroupBox, QStringLiteral("Hinweis_Label"), GroupHint);
    auto *hinweis = new QVBoxLayout(Hinweis_GroupBox);
    hinweis->addWidget(Hinweis_Label, 1);

    auto *page = new QHBoxLayout(Allgemein_Page);
    page->addWidget(Programm_GroupBox, 1);
    page->addWidget(Hinweis_GroupBox, 1);

    AddHoverHint(Offline_CheckBox, OfflineHint, Hinweis_Label);
    AddHoverHint(Backup_CheckBox, BackupHint, Hinweis_Label);
    AddHoverHint(Reorg_CheckBox, ReorgHint, Hinweis_Label);
    AddHoverHint(Logfile_CheckBox, LogfileHint, Hinweis_Label);
    AddHoverHint(Sound_CheckBox, SoundHint, Hinweis_Label);
    AddHoverHint(Benutzer_Edit, BenutzerHint, Hinweis_Label);

    PageControl->addTab(Allgemein_Page, QStringLiteral("Allgemein"));
}

void TConfig_Form::buildDevicePages()
{
    // Tabs hidden and pages disabled until the service access shows them.
    const QList<QPair<QWidget *, QString>> pages = {{buildControllerPage(), QStringLiteral("Controller")},
                                                    {buildKraftsensorPage(), QStringLiteral("Kraftsensor")},
                                                    {buildSchusssensorPage(), QStringLiteral("Schußsensor")}};
    for (const auto &page : pages) {
        const int index = PageControl->addTab(page.first, page.second);
        PageControl->setTabVisible(index, false);
        PageControl->setTabEnabled(index, false);
    }
}

QWidget *TConfig_Form::buildControllerPage()
{
    // Port, controller model, detection and what the controller reports.
    Controller_Page = new QWidget;
    Controller_Page->setObjectName(QStringLiteral("Controller_Page"));
    COM1_RadioButton = new QRadioButton(QStringLiteral("COM &1"), Controller_Page);
    COM1_RadioButton->setObjectName(QStringLiteral("COM1_RadioButton"));
    COM2_RadioButton = new QRadioButton(QStringLiteral("COM &2"), Controller_Page);
    COM2_RadioButton->setObjectName(QStringLiteral("COM2_RadioButton"));
    m_portGroup = new QButtonGroup(this);
    m_portGroup->addButton(COM1_RadioButton, 0);
    m_portGroup->addButton(COM2_RadioButton, 1);
    COM1Device_ComboBox = new PortDeviceBox(Controller_Page);
    COM1Device_ComboBox->setObjectName(QStringLiteral("COM1Device_ComboBox"));
    COM2Device_ComboBox = new PortDeviceBox(Controller_Page);
    COM2Device_ComboBox->setObjectName(QStringLiteral("COM2Device_ComboBox"));
    COM1Device_Label = new QLabel(Controller_Page);
    COM1Device_Label->setObjectName(QStringLiteral("COM1Device_Label"));
    COM2Device_Label = new QLabel(Controller_Page);
    COM2Device_Label->setObjectName(QStringLiteral("COM2Device_Label"));
    for (QLabel *label : {COM1Device_Label, COM2Device_Label})
        label->setTextFormat(Qt::PlainText);
    connect(COM1Device_ComboBox, &PortDeviceBox::deviceChosen, this,
            [this](const QString &file) { ChoosePortDevice(0, file); });
    connect(COM2Device_ComboBox, &PortDeviceBox::deviceChosen, this,
            [this](const QString &file) { ChoosePortDevice(1, file); });

    Controller_Label = new QLabel(QStringLiteral("&Controller"), Controller_Page);
    Controller_Label->setObjectName(QStringLiteral("Controller_Label"));
    Controller_ComboBox = new QComboBox(Controller_Page);
    Controller_ComboBox->setObjectName(QStringLiteral("Controller_ComboBox"));
    Controller_ComboBox->addItems({QStringLiteral("Bauart1"), QStringLiteral("Bauart2")});
    SetHint(Controller_ComboBox, QStringLiteral("|Controllertyp auswählen"));
    Controller_Label->setBuddy(Controller_ComboBox);

    Geraetetest_Button = new QPushButton(QStringLiteral("Gerätetest durchführen"), Controller_Page);
    Geraetetest_Button->setObjectName(QStringLiteral("Geraetetest_Button"));

    auto *infoGroup = new QGroupBox(QStringLiteral("Geräteinformation"), Controller_Page);
    infoGroup->setObjectName(QStringLiteral("Geraeteinfo_GroupBox"));
    auto *info = new QFormLayout(infoGroup);
    const QStringList captions = {QStringLiteral("Hardware Revision"), QStringLiteral("Software Revision"),
                                  QStringLiteral("Seriennummer"),      QStringLiteral("Controllertyp"),
                                  QStringLiteral("Controller Revision"), QStringLiteral("Gerätetyp"),
                                  QStringLiteral("Hersteller")};
    const QStringList names = {QStringLiteral("HWRev_Label"),        QStringLiteral("SWRev_Label"),
                               QStringLiteral("Seriennummer_Label"), QStringLiteral("ControllerTyp_Label"),
                               QStringLiteral("ControllerRev_Label"), QStringLiteral("Geraetetyp_Label"),
                               QStringLiteral("Hersteller_Label")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *value = new QLabel(QStringLiteral("-"), infoGroup);
        value->setObjectName(names.at(i));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        DeviceInfo_Labels << value;
        info->addRow(captions.at(i), value);
    }

    auto *hinweisGroup = new QGroupBox(QStringLiteral("Hinweis"), Controller_Page);
    ControllerHinweis_Label = hintArea(hinweisGroup, QStringLiteral("ControllerHinweis_Label"), QString());
    (new QVBoxLayout(hinweisGroup))->addWidget(ControllerHinweis_Label, 1);

    auto *controls = new QFormLayout;
    controls->addRow(COM1_RadioButton, COM1Device_ComboBox);
    controls->addRow(QString(), COM1Device_Label);
    controls->addRow(COM2_RadioButton, COM2Device_ComboBox);
    controls->addRow(QString(), COM2Device_Label);
    controls->addRow(Controller_Label, Controller_ComboBox);
    controls->addRow(Geraetetest_Button);
    auto *left = new QVBoxLayout;
    left->addLayout(controls);
    left->addWidget(infoGroup, 1);
    auto *controllerLayout = new QHBoxLayout(Controller_Page);
    controllerLayout->addLayout(left, 1);
    controllerLayout->addWidget(hinweisGroup, 1);

    AddHoverHint(COM1_RadioButton, PortHint, ControllerHinweis_Label);
    AddHoverHint(COM2_RadioButton, PortHint, ControllerHinweis_Label);
    AddHoverHint(COM1Device_ComboBox, PortDeviceHint, ControllerHinweis_Label);
    AddHoverHint(COM2Device_ComboBox, PortDeviceHint, ControllerHinweis_Label);
    AddHoverHint(Controller_Label, ControllerHint, ControllerHinweis_Label);
    AddHoverHint(Geraetetest_Button, ControllerHint, ControllerHinweis_Label);
    return Controller_Page;
}

QWidget *TConfig_Form::buildKraftsensorPage()
{
    // The live force display and the calibration menu.
    Kraftsensor_Page = new QWidget;
    Kraftsensor_Page->setObjectName(QStringLiteral("Kraftsensor_Page"));

    Shape1 = new PlotBox(Kraftsensor_Page);
    Shape1->setObjectName(QStringLiteral("Shape1"));

    auto *values = new QGroupBox(QStringLiteral("Messwerte"), Kraftsensor_Page);
    auto *form = new QFormLayout(values);
    const QStringList captions = {QStringLiteral("Signalpegel 12 Bit"),
                                  QStringLiteral("Signalpegel dezimal (normal)"),
                                  QStringLiteral("Signalpegel dezimal (zentriert)"),
                                  QStringLiteral("Signalpegel dezimal (Offset)"),
                                  QStringLiteral("Signalpegel normiert"),
                                  QStringLiteral("Messwerte je Sekunde"),
                                  QStringLiteral("Abzugsgewicht in g")};
    const QStringList names = {QStringLiteral("Pegel12Bit_Label"),    QStringLiteral("PegelNormal_Label"),
                               QStringLiteral("PegelZentriert_Label"), QStringLiteral("PegelOffset_Label"),
                               QStringLiteral("PegelNormiert_Label"),  QStringLiteral("Messrate_Label"),
                               QStringLiteral("Abzugsgewicht_Label")};
    const QFontMetrics metrics(font());
    for (int i = 0; i < captions.size(); ++i) {
        auto *value = new QLabel(QStringLiteral("-"), values);
        value->setObjectName(names.at(i));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("00000,0")));
        ForceValue_Labels << value;
        form->addRow(captions.at(i), value);
    }

    TestStart_Button = new QPushButton(QStringLiteral("Test &Starten"), Kraftsensor_Page);
    TestStart_Button->setObjectName(QStringLiteral("TestStart_Button"));
    TestStop_Button = new QPushButton(QStringLiteral("Test &Beenden"), Kraftsensor_Page);
    TestStop_Button->setObjectName(QStringLiteral("TestStop_Button"));
    TestStop_Button->setEnabled(false);

    Kalibrieren_Button = new QToolButton(Kraftsensor_Page);
    Kalibrieren_Button->setObjectName(QStringLiteral("Kalibrieren_Button"));
    Kalibrieren_Button->setText(QStringLiteral("&Kalibrieren "));
    Kalibrieren_Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Kalibrieren_Button->setPopupMode(QToolButton::InstantPopup);
    Kalibrieren_Menu = new QMenu(Kalibrieren_Button);
    Kalibrieren_Menu->setObjectName(QStringLiteral("Kalibrieren_Menu"));
    Nullpunkt_Item = Kalibrieren_Menu->addAction(QStringLiteral("&Nullpunkt"));
    Nullpunkt_Item->setObjectName(QStringLiteral("Nullpunkt_Item"));
    Kennlinie_Item = Kalibrieren_Menu->addAction(QStringLiteral("&Kennlinie"));
    Kennlinie_Item->setObjectName(QStringLiteral("Kennlinie_Item"));
    Information_Item = Kalibrieren_Menu->addAction(QStringLiteral("&Information"));
    Information_Item->setObjectName(QStringLiteral("Information_Item"));
    Kalibrieren_Button->setMenu(Kalibrieren_Menu);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(TestStart_Button);
    buttons->addWidget(TestStop_Button);
    buttons->addStretch(1);
    buttons->addWidget(Kalibrieren_Button);

    auto *top = new QHBoxLayout;
    top->addWidget(Shape1, 0, Qt::AlignTop);
    top->addWidget(values, 1);
    auto *layout = new QVBoxLayout(Kraftsensor_Page);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    return Kraftsensor_Page;
}

QWidget *TConfig_Form::buildSchusssensorPage()
{
    // The shot-sensor sensitivity, display only; its controls have no function.
    Schusssensor_Page = new QWidget;
    Schusssensor_Page->setObjectName(QStringLiteral("Schusssensor_Page"));
    Empfindlichkeit_Label = new QLabel(Schusssensor_Page);
    Empfindlichkeit_Label->setObjectName(QStringLiteral("Empfindlichkeit_Label"));
    Schuesse_Label = new QLabel(QStringLiteral("0"), Schusssensor_Page);
    Schuesse_Label->setObjectName(QStringLiteral("Schuesse_Label"));

    auto *upDown = new QWidget(Schusssensor_Page);
    upDown->setObjectName(QStringLiteral("Empfindlichkeit_UpDown"));
    auto *arrows = new QVBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (const Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow}) {
        auto *button = new QToolButton(upDown);
        button->setArrowType(arrow);
        button->setFixedSize(18, 11);
        arrows->addWidget(button);
    }
    upDown->setEnabled(false);

    SchussKalibrieren_Button = new QToolButton(Schusssensor_Page);
    SchussKalibrieren_Button->setObjectName(QStringLiteral("SchussKalibrieren_Button"));
    SchussKalibrieren_Button->setText(QStringLiteral("Kali&brieren"));
    SchussKalibrieren_Button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(SchussKalibrieren_Button);
    QMenu *sense = menu->addMenu(QStringLiteral("&Empfindlichkeit"));
    sense->addAction(QStringLiteral("&Speichern"));
    sense->addAction(QStringLiteral("&Reset"));
    QMenu *test = menu->addMenu(QStringLiteral("&Test"));
    test->addAction(QStringLiteral("&Starten"));
    test->addAction(QStringLiteral("&Beenden"));
    menu->addAction(QStringLiteral("&Information"));
    SchussKalibrieren_Button->setMenu(menu);
    SchussKalibrieren_Button->setEnabled(false);

    auto *sensitivity = new QHBoxLayout;
    sensitivity->addWidget(Empfindlichkeit_Label);
    sensitivity->addWidget(upDown);
    sensitivity->addStretch(1);
    auto *sensor = new QFormLayout;
    sensor->addRow(new QLabel(QStringLiteral("Empfindlichkeit"), Schusssensor_Page), sensitivity);
    sensor->addRow(new QLabel(QStringLiteral("Registrierte Schüsse"), Schusssensor_Page), Schuesse_Label);
    auto *layout = new QVBoxLayout(Schusssensor_Page);
    layout->addLayout(sensor);
    layout->addStretch(1);
    layout->addWidget(SchussKalibrieren_Button, 0, Qt::AlignRight);
    return Schusssensor_Page;
}

void TConfig_Form::connectDevice()
{
    DeviceFunctions *d = Device;
    d->setStatus = [this](const QString &text) { TestStatus_Label->setText(text); };
    d->enableButtons = [this](bool on) {
        OK_Button->setEnabled(on);
        Cancel_Button->setEnabled(on);
        Kalibrieren_Button->setEnabled(on);
    };
    d->enableScaleItem = [this](bool on) { Kennlinie_Item->setEnabled(on); };
    d->forceTestStateChanged = [this](bool running) {
        TestStart_Button->setEnabled(!running);
        TestStop_Button->setEnabled(running);
        Nullpunkt_Item->setEnabled(!running);
        Kennlinie_Item->setEnabled(!running);
        Information_Item->setEnabled(!running);
    };
    d->showValues = [this](const QStringList &values) {
        for (int i = 0; i < ForceValue_Labels.size() && i < values.size(); ++i)
            ForceValue_Labels.at(i)->setText(values.at(i));
    };
    d->plotChanged = [this] { Shape1->update(); };
    d->showDeviceInfo = [this](const QStringList &values) {
        for (int i = 0; i < DeviceInfo_Labels.size(); ++i)
            DeviceInfo_Labels.at(i)->setText(values.value(i, QStringLiteral("-")));
    };
    d->askReferenceWeight = [this] { return askReferenceWeight(); };
    d->saveDialogSettings = [this] {
        SaveSettings(DialogValues());
        rememberPortDevices();
    };
    d->goOnline = [this] {
        if (goOnline)
            goOnline();
    };
    d->goOffline = [this] {
        if (goOffline)
            goOffline();
    };
    static_cast<PlotBox *>(Shape1)->image = [d]() -> const QImage & { return d->forceTest().plot(); };
    setPlotSize(d->forceTest().plotSize());

    connect(Nullpunkt_Item, &QAction::triggered, d, &DeviceFunctions::ZeroPoint);
    connect(Kennlinie_Item, &QAction::triggered, d, &DeviceFunctions::ScaleFactor);
    connect(Information_Item, &QAction::triggered, d, &DeviceFunctions::Information);
    connect(TestStart_Button, &QPushButton::clicked, d, &DeviceFunctions::StartForceTest);
    connect(TestStop_Button, &QPushButton::clicked, d, &DeviceFunctions::StopForceTest);
    connect(Geraetetest_Button, &QPushButton::clicked, d, &DeviceFunctions::DetectController);
    connect(COM1_RadioButton, &QRadioButton::clicked, this,
            [this] { Device->ChoosePort(0, qMax(0, Controller_ComboBox->currentIndex())); });
    connect(COM2_RadioButton, &QRadioButton::clicked, this,
            [this] { Device->ChoosePort(1, qMax(0, Controller_ComboBox->currentIndex())); });
    debugCapture0 = [d] { d->DebugCapture0(); };
    debugCapture1 = [d] { d->DebugCapture1(); };
}

int TConfig_Form::askReferenceWeight()
{
    if (!SKL_Form)
        SKL_Form = new TSKL_Form(this);
    SKL_Form->Gewicht = 0;
    if (SKL_Form->exec() != 1)
        return 0;
    return SKL_Form->Gewicht;
}

void TConfig_Form::setPlotSize(const QSize &size)
{
    Device->forceTest().setPlotSize(size);
    Shape1->setFixedSize(Device->forceTest().plotSize());
    Shape1->update();
}

bool TConfig_Form::servicePagesShown() const { return PageControl->isTabVisible(1); }

void TConfig_Form::setServicePages(bool shown)
{
    const int current = PageControl->currentIndex();
    for (int index = 1; index <= 3; ++index) {
        PageControl->setTabVisible(index, shown);
        PageControl->setTabEnabled(index, shown);
    }
    // A hidden device page gives way to "Allgemein".
    if (!shown && current >= 1 && current <= 3)
        PageControl->setCurrentIndex(0);
}

void TConfig_Form::ToggleServicePages()
{
    if (Device->busy())
        return;
    setServicePages(!servicePagesShown());
}

void TConfig_Form::buildInformation()
{
    Information_Page = new QWidget;
    Information_Page->setObjectName(QStringLiteral("Information_Page"));

    Logo_Image = new QLabel(Information_Page);
    Logo_Image->setObjectName(QStringLiteral("Logo_Image"));
    Logo_Image->setPixmap(Pictures::pixmap(Pictures::logo()));

    Internet_Label = new QLabel(QStringLiteral("Besuchen Sie uns im Internet"), Information_Page);
    Internet_Label->setObjectName(QStringLiteral("Internet_Label"));
    Homepage_Label = linkLabel(Information_Page, QStringLiteral("Homepage_Label"), WebLinks::Homepage,
                               QStringLiteral("Verbindung zu unserer Internetseite"));
    Homepage_Label->installEventFilter(this);

    Support_Label =
        new QLabel(QStringLiteral("Bei Problemen oder Fragen zum Programm wenden Sie sich an"), Information_Page);
    Support_Label->setObjectName(QStringLiteral("Support_Label"));
    SupportMail_Label = linkLabel(Information_Page, QStringLiteral("SupportMail_Label"), WebLinks::SupportMail,
                                  QStringLiteral("Bei Fragen oder Problemen klicken Sie hier !"));
    SupportMail_Label->installEventFilter(this);

    auto *layout = new QVBoxLayout(Information_Page);
    layout->addWidget(Logo_Image, 0, Qt::AlignLeft);
    layout->addSpacing(12);
    layout->addWidget(Internet_Label);
    layout->addWidget(Homepage_Label, 0, Qt::AlignLeft);
    layout->addSpacing(12);
    layout->addWidget(Support_Label);
    layout->addWidget(SupportMail_Label, 0, Qt::AlignLeft);
    layout->addStretch(1);

    PageControl->addTab(Information_Page, QStringLiteral("Information"));
}

QWidget *TConfig_Form::buildBottomBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Bottom_Panel"));

    TestStatus_Label = new QLabel(bar);
    TestStatus_Label->setObjectName(QStringLiteral("TestStatus_Label"));
    TestStatus_Label->setAutoFillBackground(true);
    QPalette pal = TestStatus_Label->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    TestStatus_Label->setPalette(pal);
    QFont font = TestStatus_Label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    TestStatus_Label->setFont(font);
    TestStatus_Label->setContentsMargins(6, 2, 6, 2);
    TestStatus_Label->setMinimumHeight(QFontMetrics(font).height() + 8);

    OK_Button = new QPushButton(QStringLiteral("&OK"), bar);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Beenden und Einstellungen übernehmen"));
    connect(OK_Button, &QPushButton::clicked, this, &TConfig_Form::OK_ButtonClick);

    Cancel_Button = new QPushButton(QStringLiteral("&Abbrechen"), bar);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(Cancel_Button, QStringLiteral("|Abbrechen und Einstellungen verwerfen"));
    connect(Cancel_Button, &QPushButton::clicked, this, &TConfig_Form::Cancel_ButtonClick);

    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TestStatus_Label, 1);
    layout->addWidget(OK_Button);
    layout->addWidget(Cancel_Button);
    return bar;
}

void TConfig_Form::AddHoverHint(QWidget *control, const QString &text, QLabel *area)
{
    if (!control || !area)
        return;
    m_hoverHints.insert(control, {text, area});
    control->installEventFilter(this);
}

bool TConfig_Form::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter: {
        // The text stays when the pointer leaves; the next control replaces it.
        const auto it = m_hoverHints.constFind(watched);
        if (it != m_hoverHints.constEnd())
            it->area->setText(it->text);
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        // A press on one of the group's controls reaches the group too when
        // the control does not take it (labels): only the bare group counts.
        if (watched == Programm_GroupBox && !Programm_GroupBox->childAt(mouse->position().toPoint()))
            Programm_GroupBoxClick();
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = qobject_cast<QLabel *>(watched);
        if (mouse->button() != Qt::LeftButton || !label || !label->rect().contains(mouse->position().toPoint()))
            break;
        if (watched == Homepage_Label)
            Homepage_LabelClick();
        else if (watched == SupportMail_Label)
            SupportMail_LabelClick();
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TConfig_Form::setPortButtons(bool com1, bool com2)
{
    // An exclusive group cannot be left with no button checked.
    m_portGroup->setExclusive(false);
    COM1_RadioButton->setChecked(com1);
    COM2_RadioButton->setChecked(com2);
    m_portGroup->setExclusive(true);
}

void TConfig_Form::showPortDevices()
{
    PortDeviceBox *boxes[2] = {COM1Device_ComboBox, COM2Device_ComboBox};
    QLabel *labels[2] = {COM1Device_Label, COM2Device_Label};
    for (int i = 0; i < 2; ++i) {
        const QString file = PortDeviceFile(PortNames[i]);
        boxes[i]->refill(file);
        labels[i]->setText(PortDeviceDescription(file));
    }
}

void TConfig_Form::rememberPortDevices()
{
    for (int i = 0; i < 2; ++i)
        m_portDevicesAtOpen[i] = StoredPortDeviceFile(PortNames[i]);
}

void TConfig_Form::restorePortDevices()
{
    for (int i = 0; i < 2; ++i)
        if (StoredPortDeviceFile(PortNames[i]) != m_portDevicesAtOpen[i])
            SetPortDeviceFile(PortNames[i], m_portDevicesAtOpen[i]);
}

void TConfig_Form::ChoosePortDevice(int index, const QString &deviceFile)
{
    if (index < 0 || index > 1)
        return;
    SetPortDeviceFile(PortNames[index], deviceFile);
    WriteLogLine(QStringLiteral("Ausführen : [Setup] ") + PortNames[index] + u'=' + PortDeviceFile(PortNames[index]));
    showPortDevices();
}

void TConfig_Form::SettingsToDialog()
{
    Settings &s = Settings::instance();
    LoadSettings(s);
    Benutzer_Edit->setText(s.Benutzer);
    Controller_ComboBox->setCurrentIndex(s.Controller == 0 || s.Controller == 1 ? s.Controller : -1);
    Offline_CheckBox->setChecked(s.Offline);
    Backup_CheckBox->setChecked(s.Backup);
    Reorg_CheckBox->setChecked(s.Reorg);
    Logfile_CheckBox->setChecked(s.Logfile);
    Sound_CheckBox->setChecked(s.Sound);
    Empfindlichkeit_Label->setText(QString::number(s.SS_Sense));
    // A stored index other than 0 or 1 leaves both buttons unchecked.
    setPortButtons(s.COM_Index == 0, s.COM_Index == 1);
    if (s.COM_Index == 0 || s.COM_Index == 1)
        s.portSelector = quint8(s.COM_Index);
    showPortDevices();
}

SettingsDialogValues TConfig_Form::DialogValues() const
{
    SettingsDialogValues v;
    v.userName = Benutzer_Edit->text();
    v.offline = Offline_CheckBox->isChecked();
    v.backup = Backup_CheckBox->isChecked();
    v.reorg = Reorg_CheckBox->isChecked();
    v.logfile = Logfile_CheckBox->isChecked();
    v.sound = Sound_CheckBox->isChecked();
    v.com1Checked = COM1_RadioButton->isChecked();
    v.com2Checked = COM2_RadioButton->isChecked();
    v.controllerText = Controller_ComboBox->currentText();
    return v;
}

void TConfig_Form::FormActivate()
{
    pageChangeAllowed = true;
    rememberPortDevices();
    SettingsToDialog();
    TestStatus_Label->clear();
    Kennlinie_Item->setEnabled(Settings::instance().KS_Zero != -1);
    // Each opening starts with the device pages hidden.
    setServicePages(false);
}

void TConfig_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TConfig_Form::OK_ButtonClick()
{
    SaveSettings(DialogValues());
    WriteLogLine(QStringLiteral("Ausführen : Einstellungen speichern"));
    accept();
}

void TConfig_Form::Cancel_ButtonClick() { reject(); }

void TConfig_Form::done(int r)
{
    // Never leaves the force test's timers or the stream running.
    Device->shutDown();
    // Device files chosen for the port names count only with "&OK".
    if (r != QDialog::Accepted)
        restorePortDevices();
    Device->FollowPortSetting();
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

void TConfig_Form::reject()
{
    // Esc and the title bar wait until the device function has ended.
    if (Device->busy())
        return;
    QDialog::reject();
}

void TConfig_Form::closeEvent(QCloseEvent *event)
{
    if (Device->busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TConfig_Form::Programm_GroupBoxClick() { Hinweis_Label->setText(GroupHint); }

void TConfig_Form::Homepage_LabelClick()
{
    WriteLogLine(QStringLiteral("Ausführen : Verbinden mit Webseite"));
    if (!openWebPage || !openWebPage(WebLinks::Homepage)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Verbinden mit Webseite"));
        ShowError(QStringLiteral("\r\nDie Internetseite ") + WebLinks::Homepage
                  + QStringLiteral(" konnte nicht geöffnet werden."));
    }
}

void TConfig_Form::SupportMail_LabelClick()
{
    WriteLogLine(QStringLiteral("Ausführen : Senden E-Mail"));
    if (!openMailAddress || !openMailAddress(WebLinks::SupportMail)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Senden E-Mail"));
        ShowError(QStringLiteral("\r\nEs konnte kein E-Mail-Programm für die Adresse ") + WebLinks::SupportMail
                  + QStringLiteral(" geöffnet werden."));
    }
}

bool TConfig_Form::FormKeyDown(int key)
{
    if (key == Qt::Key_F10) {
        if (debugCapture0)
            debugCapture0();
        return true;
    }
    if (key == Qt::Key_F11) {
        if (debugCapture1)
            debugCapture1();
        return true;
    }
    return false;
}

void TConfig_Form::PageControlChange(int index)
{
    if ((pageChangeAllowed && Device->pageChangeAllowed()) || index == m_shownPage) {
        m_shownPage = index;
        return;
    }
    const QSignalBlocker blocker(PageControl);
    PageControl->setCurrentIndex(m_shownPage);
}

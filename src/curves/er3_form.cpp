#include "curves/er3_form.h"

#include "curves/curverunsettings.h"
#include "curves/curveresultwindow.h"
#include "device/commandset.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "runkit/testwindowparts.h"
#include "runkit/validitybounds.h"
#include "core/actionlog.h"
#include "ui/pictures.h"
#include "core/settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TCurveView::TCurveView(CurveScene *scene, QWidget *parent)
    : QWidget(parent)
    , m_scene(scene)
{
    setObjectName(QStringLiteral("Visier"));
    setFixedSize(CurveScene::Size, CurveScene::Size);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCurveView::paintEvent(QPaintEvent *)
{
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_scene->display());
    }
    m_paintedNs = Clock::instance().monotonicNs();
}

TMirrorSymbol::TMirrorSymbol(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(33, 33);
}

void TMirrorSymbol::setHit(bool hit)
{
    if (m_hit == hit)
        return;
    m_hit = hit;
    repaint();
}

void TMirrorSymbol::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_hit ? Qt::white : Qt::black);
    painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

TER3_Form::TER3_Form(CurveResultWindow *result, QWidget *parent)
    : QDialog(parent)
    , m_result(result)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ER3F"));
    setObjectName(QStringLiteral("ER3_Form"));
    setWindowTitle(QStringLiteral("Einfachreaktionstest (Individualkurven)"));
    setModal(true);

    Anzeige_GroupBox = new QGroupBox(QStringLiteral("Anzeige"), this);
    Anzeige_GroupBox->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    Anzeige_GroupBox->setFixedSize(500, 372);
    sh_target = new QFrame(Anzeige_GroupBox);
    sh_target->setObjectName(QStringLiteral("sh_target"));
    sh_target->setGeometry(93, 12, 314, 41);
    sh_target->setAutoFillBackground(true);
    QPalette silver = sh_target->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    sh_target->setPalette(silver);
    const int xs[5] = {97, 164, 232, 300, 369};
    for (int i = 0; i < 5; ++i) {
        sh_s[i] = new TMirrorSymbol(Anzeige_GroupBox);
        sh_s[i]->setObjectName(QStringLiteral("sh_s%1").arg(i + 1));
        sh_s[i]->move(xs[i], 16);
        sh_s[i]->raise();
    }
    Visier = new TCurveView(&m_scene, Anzeige_GroupBox);
    Visier->move(100, 58);

    StatusInfo_Label = MakeStatusLabel(this);

    auto *panel = MakeControlPanel(this);
    Red_Image = MakeTrafficLight(panel, QStringLiteral("Red_Image"));
    Yellow_Image = MakeTrafficLight(panel, QStringLiteral("Yellow_Image"));
    Green_image = MakeTrafficLight(panel, QStringLiteral("Green_image"));

    bt_Reaktion = new QPushButton(QStringLiteral("Reaktion"), panel);
    bt_Reaktion->setObjectName(QStringLiteral("bt_Reaktion"));
    bt_Reaktion->setAutoDefault(true);
    bt_Reaktion->installEventFilter(this);
    connect(bt_Reaktion, &QPushButton::clicked, this, [this] { bt_ReaktionClick(); });
    const RunButtons buttons = MakeRunButtons(panel);
    OK_Button = buttons.start;
    connect(OK_Button, &QPushButton::clicked, this, [this] { OK_ButtonClick(); });
    Cancel_Button = buttons.cancel;
    connect(Cancel_Button, &QPushButton::clicked, this, [this] { Cancel_ButtonClick(); });

    auto *bar = new QHBoxLayout(panel);
    bar->addWidget(Red_Image);
    bar->addWidget(Yellow_Image);
    bar->addWidget(Green_image);
    bar->addStretch();
    bar->addWidget(bt_Reaktion);
    bar->addSpacing(16);
    bar->addWidget(OK_Button);
    bar->addWidget(Cancel_Button);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Anzeige_GroupBox, 0, Qt::AlignHCenter);
    layout->addWidget(StatusInfo_Label);
    layout->addWidget(panel);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_showResult = [](CurveResultWindow *w) { w->exec(); };
    m_inputWatch = new InputClockWatch(this, [this](const QEvent *event) { ObserveInputEvent(m_inputTime, event); });

    LoadFormPlacement(this, QStringLiteral("ER3F"));
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ER3F"));
}

TER3_Form::~TER3_Form()
{
    if (qApp)
        qApp->removeEventFilter(m_inputWatch);
}

void TER3_Form::FormActivate()
{
    const RunSettings &settings = RunSettings::instance();
    const CurveRunSettings &curves = CurveRunSettings::instance();
    m_mirrorError = false;
    const QString sightFile = SightPictureFile();

    // The shooting system is loaded once here; a run never works on a picture
    // or mirror list it could not read.
    QImage system;
    MirrorDefinitions mirrors;
    const QString systemPath = QDir(ProgramPaths::sdataDir()).filePath(curves.ShootingSystemName);
    const QString headline = QStringLiteral("Fehler beim Laden der Schussanlage !");
    if (curves.ShootingSystemName.isEmpty()) {
        ShowError(headline + QStringLiteral("\r\n\r\nEs ist keine Schussanlage gewählt."));
    } else {
        QString why;
        system = Pictures::loadBitmap(systemPath, &why);
        if (system.isNull())
            ShowError(Pictures::pictureFileMessage(headline, systemPath, why));
    }
    if (!system.isNull()) {
        const QString defPath = DefinitionFileFor(systemPath);
        mirrors = ReadMirrorDefinitions(defPath, system.width());
        if (!mirrors.ok())
            ShowError(mirrors.report(defPath));
        m_mirrorError = !mirrors.ok();
    }
    ReadValidityBounds();   // checked as for tests 1 and 2; test 3 does not use the bounds
    m_profile = RunSightProfile(!sightFile.isEmpty());

    OK_Button->setEnabled(true);
    OK_Button->setFocus();
    StatusInfo_Label->clear();
    OK_Button->setText(QStringLiteral("&Start"));
    Cancel_Button->setText(QStringLiteral("&Abbruch"));
    setLightsVisible(false);
    SetLight(0);
    m_scene.setSightPicture(RenderSight(CurveScene::Size, CurveScene::Size, m_profile, sightFile));
    m_scene.setSystemPicture(system);
    m_scene.drawStill();
    Visier->update();
    m_result->clearLists();
    m_result->setRunContext(curves.CurveFiles, mirrors.mirrors, curves.LeftToRight);

    CurveRun::Setup setup;
    setup.serienAnzahl = qMax(1, settings.SerienAnzahl);
    setup.scheibenabstand = settings.Scheibenabstand;
    setup.curveFiles = curves.CurveFiles;
    setup.leftToRight = curves.LeftToRight;
    setup.mirrors = mirrors.mirrors;
    setup.systemWidth = system.width();
    m_run.activate(setup);

    sh_target->setVisible(curves.ShowTargets);
    for (TMirrorSymbol *s : sh_s) {
        s->setHit(false);
        s->setVisible(curves.ShowTargets);
    }
    bool canStart = !m_mirrorError && !system.isNull();
    if (canStart && curves.CurveFiles.isEmpty()) {
        ShowError(QStringLiteral("Das gewählte Kurvenset enthält keine Definitionsdateien."));
        canStart = false;
    }
    OK_Button->setEnabled(canStart);
}

void TER3_Form::OK_ButtonClick()
{
    if (!OK_Button->isEnabled() || m_run.running())
        return;
    m_run.run();
    if (m_run.CancelRequested)
        closeAfterRun();
}

void TER3_Form::closeAfterRun()
{
    OK_Button->setEnabled(true);
    StopStream();
    QDialog::reject();
}

void TER3_Form::Cancel_ButtonClick()
{
    if (m_run.running()) {
        // The run ends at its next input step and then closes the window.
        m_run.requestCancel();
        return;
    }
    m_run.CancelRequested = true;
    OK_Button->setEnabled(true);
    StopStream();
    if (Cancel_Button->text() == QLatin1String("&Fertig") && m_showResult) {
        m_result->setSeriesCount(m_run.SeriesNo);
        m_result->setLateTargets(m_run.latePoints());
        m_showResult(m_result);
    }
    QDialog::reject();
}

void TER3_Form::bt_ReaktionClick()
{
    const quint64 stamp = m_pressStamp;
    m_pressStamp = 0;
    if (!m_run.running())
        return;
    // No stamp (a click made by the program) or an implausible one: booked as handled.
    const InputTimeMapper::Mapped at = MapInputStamp(m_inputTime, stamp, m_run.inputFloorNs());
    if (at.fallback)
        m_run.reaction();
    else
        m_run.reactionAt(at.ns);
}

bool TER3_Form::eventFilter(QObject *watched, QEvent *event)
{
    // The shooter reacts when he presses; the button is activated on the
    // release (mouse, space) or the press (Enter).
    if (watched == bt_Reaktion) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_pressStamp = static_cast<QInputEvent *>(event)->timestamp();
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const int k = key->key();
            if (!key->isAutoRepeat()
                && (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Select))
                m_pressStamp = key->timestamp();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TER3_Form::SetLight(int n) { ShowTrafficLight(Red_Image, Yellow_Image, Green_image, n); }

void TER3_Form::done(int r)
{
    SaveFormPlacement(QStringLiteral("ER3F"), x(), y());
    QDialog::done(r);
}

void TER3_Form::reject()
{
    // Esc and the title bar act as the cancel button: during a run only the
    // request to stop, afterwards the same steps as "&Abbruch" / "&Fertig".
    Cancel_ButtonClick();
}

void TER3_Form::closeEvent(QCloseEvent *event)
{
    if (m_run.running()) {
        m_run.requestCancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TER3_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TER3_Form::setStatusText(const QString &text) { StatusInfo_Label->setText(text); }

void TER3_Form::setLightsVisible(bool visible)
{
    SetTrafficLightsVisible(Red_Image, Yellow_Image, Green_image, visible);
}

void TER3_Form::setCancelCaption(const QString &caption) { Cancel_Button->setText(caption); }

void TER3_Form::setStartEnabled(bool on) { OK_Button->setEnabled(on); }

void TER3_Form::focusReaction() { bt_Reaktion->setFocus(); }

void TER3_Form::resetMirrorSymbols()
{
    for (TMirrorSymbol *s : sh_s)
        s->setHit(false);
}

void TER3_Form::markMirrorSymbol(int n)
{
    if (n >= 1 && n <= 5)
        sh_s[n - 1]->setHit(true);
}

void TER3_Form::slideFrame(int v)
{
    m_scene.drawSlideFrame(v);
    present();
}

void TER3_Form::showSight(int left, int top)
{
    m_scene.drawSight(left, top);
    present();
}

void TER3_Form::eraseSight()
{
    m_scene.eraseSight();
    present();
}

void TER3_Form::present()
{
    // Painted and flushed to the window system at once; the end of the paint
    // is when the frame was handed over (see ReactionTestWindow::drawTarget).
    const qint64 before = Clock::instance().monotonicNs();
    Visier->repaint();
    const qint64 painted = Visier->paintedNs();
    m_shownNs = painted >= before ? painted : Clock::instance().monotonicNs();
}

void TER3_Form::addResultRow(const ResultRow &row) { m_result->appendRow(row); }

void TER3_Form::processEvents() { Clock::instance().processEvents(); }

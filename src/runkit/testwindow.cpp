#include "runkit/testwindow.h"

#include "device/commandset.h"
#include "device/fasttimer.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "runkit/hitsound.h"
#include "runkit/resultwindow.h"
#include "runkit/runsettings.h"
#include "runkit/sightbox.h"
#include "runkit/testwindowparts.h"
#include "runkit/validitybounds.h"
#include "core/actionlog.h"
#include "core/settings.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

bool IsReactionKey(const QKeyEvent *event)
{
    return !event->text().isEmpty() && event->key() != Qt::Key_Escape
           && !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
}

ReactionTestWindow::ReactionTestWindow(const QString &code, const QString &name, int clientWidth,
                                       ReactionResultWindow *result, QWidget *parent)
    : QDialog(parent)
    , m_code(code)
    , m_result(result)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ") + code);
    setObjectName(name);
    setWindowTitle(QStringLiteral("Einfachreaktionstest"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    setModal(true);

    auto *group = new QGroupBox(QStringLiteral("Anzeige"), this);
    group->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    Visier = new TSightBox(300, 300, group);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(Visier, 0, Qt::AlignCenter);

    StatusInfo_Label = MakeStatusLabel(this);
    QPalette pal = StatusInfo_Label->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    StatusInfo_Label->setPalette(pal);

    Control_Panel = MakeControlPanel(this);
    auto light = [this](const QString &objectName) {
        QLabel *l = MakeTrafficLight(Control_Panel, objectName);
        l->setAttribute(Qt::WA_TranslucentBackground);
        return l;
    };
    Red_Image = light(QStringLiteral("Red_Image"));
    Yellow_Image = light(QStringLiteral("Yellow_Image"));
    Green_image = light(QStringLiteral("Green_image"));

    const RunButtons buttons = MakeRunButtons(Control_Panel);
    OK_Button = buttons.start;
    connect(OK_Button, &QPushButton::clicked, this, [this] { OK_ButtonClick(); });
    Cancel_Button = buttons.cancel;
    connect(Cancel_Button, &QPushButton::clicked, this, [this] { Cancel_ButtonClick(); });

    auto *bar = new QHBoxLayout(Control_Panel);
    bar->addWidget(Red_Image);
    bar->addWidget(Yellow_Image);
    bar->addWidget(Green_image);
    bar->addStretch();
    bar->addWidget(OK_Button);
    bar->addWidget(Cancel_Button);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(StatusInfo_Label);
    layout->addStretch();
    layout->addWidget(Control_Panel);
    setFixedSize(clientWidth, 485);

    Messtimer = new TFastTimer(this);
    Messtimer->setObjectName(QStringLiteral("Messtimer"));
    Messtimer->setInterval(10);
    Messtimer->setResolution(10);
    Messtimer->OnTimer = [this](TFastTimer *) { MesstimerTimer(); };
    m_input = std::make_unique<InputSequencer>(Messtimer);
    m_inputWatch = new InputClockWatch(this, [this](const QEvent *event) { m_input->observe(event); });

    m_showResult = [](ReactionResultWindow *w) { w->exec(); };

    LoadFormPlacement(this, code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + code);
}

ReactionTestWindow::~ReactionTestWindow()
{
    if (qApp)
        qApp->removeEventFilter(m_inputWatch);
}

void ReactionTestWindow::reactionInput(const QInputEvent *event)
{
    m_input->submit(event, [this](qint64 inputNs) { m_run->keyPressedAt(inputNs); });
}

void ReactionTestWindow::reactionTaken(bool valid)
{
    if (Settings::instance().Sound)
        HitSound::instance().play(valid ? HitSound::Hit : HitSound::Miss);
}

void ReactionTestWindow::FormActivate()
{
    const RunSettings &settings = RunSettings::instance();
    const QString pictureFile = SightPictureFile();
    const ValidityBounds bounds = ReadValidityBounds();
    m_profile = RunSightProfile(!pictureFile.isEmpty());

    OK_Button->setEnabled(true);
    OK_Button->setFocus();
    StatusInfo_Label->clear();
    OK_Button->setText(QStringLiteral("&Start"));
    Cancel_Button->setText(QStringLiteral("&Abbruch"));
    SetLight(0);
    Visier->setSight(RenderSight(Visier->width(), Visier->height(), m_profile, pictureFile));
    m_result->clearLists();
    if (Settings::instance().Sound)
        HitSound::instance().prepare();
    m_run->activate(settings.SerienAnzahl, settings.Scheibenabstand, bounds, m_profile.Spiegel_Size);
}

void ReactionTestWindow::OK_ButtonClick()
{
    if (!OK_Button->isEnabled())
        return;
    m_run->start();
}

void ReactionTestWindow::MesstimerTimer() { m_run->tick(); }

void ReactionTestWindow::Cancel_ButtonClick()
{
    if (m_closing)
        return;   // a second click while the first one lets messages run
    m_closing = true;
    OK_Button->setEnabled(true);
    m_run->stop();
    StopStream();
    if (Cancel_Button->text() == QLatin1String("&Fertig") && m_showResult) {
        m_result->setLateTargets(m_run->lateTargets());
        m_showResult(m_result);
    }
    reject();
    m_closing = false;
}

void ReactionTestWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc does what the cancel button does ("&Abbruch" or "&Fertig").
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        Cancel_ButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReactionTestWindow::SetLight(int n) { ShowTrafficLight(Red_Image, Yellow_Image, Green_image, n); }

void ReactionTestWindow::done(int r)
{
    // However the window closes, the tick stops with it.
    m_run->stop();
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}

void ReactionTestWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void ReactionTestWindow::setStatusText(const QString &text) { StatusInfo_Label->setText(text); }

void ReactionTestWindow::setLightsVisible(bool visible)
{
    SetTrafficLightsVisible(Red_Image, Yellow_Image, Green_image, visible);
}

void ReactionTestWindow::setTickEnabled(bool on)
{
    try {
        Messtimer->setEnabled(on);
    } catch (const OutOfResourcesError &error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void ReactionTestWindow::setCancelCaption(const QString &caption) { Cancel_Button->setText(caption); }

void ReactionTestWindow::startButtonDisabled()
{
    OK_Button->setEnabled(false);
    setFocus(); // keys now reach the window itself
}

void ReactionTestWindow::drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth)
{
    // Painted at once and handed to the window system (repaint() flushes
    // the backing store as soon as the paint is done): the end of the paint
    // is the target's onset. A moment read after the flush may already lie
    // after the window system showed the picture. Raster painting on X11 or
    // Wayland gets no word from the platform when a frame was scanned out.
    const qint64 before = Clock::instance().monotonicNs();
    Visier->drawEllipse(TargetRect(Visier->width(), Visier->height(), m_profile.Spiegel_Size, dx, dy), fill, pen,
                        penWidth);
    const qint64 painted = Visier->paintedNs();
    m_shownNs = painted >= before ? painted : Clock::instance().monotonicNs();
}

qint64 ReactionTestWindow::tickDueNs() const { return Messtimer->runningTickDueNs(); }

void ReactionTestWindow::showSight() { Visier->showSight(); }

void ReactionTestWindow::addResultRow(const ResultRow &row) { m_result->appendRow(row); }

void ReactionTestWindow::processEvents() { Clock::instance().processEvents(); }

#include "runkit/testwindow.h"

#include "device/fasttimer.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/shownstamp.h"
#include "runkit/hitsound.h"
#include "runkit/resultwindow.h"
#include "runkit/runsettings.h"
#include "runkit/sightbox.h"
#include "runkit/validitybounds.h"
#include "core/settings.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

bool IsReactionKey(const QKeyEvent *event)
{
    return !event->text().isEmpty() && event->key() != Qt::Key_Escape
           && !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
}

ReactionTestWindow::ReactionTestWindow(const QString &code, const QString &name, int clientWidth,
                                       ReactionResultWindow *result, QWidget *parent)
    : RunWindowBase(code, name, QStringLiteral("Einfachreaktionstest"), result, parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);

    auto *group = new QGroupBox(QStringLiteral("Anzeige"), this);
    group->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    m_sightBox = new TSightBox(300, 300, group);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_sightBox, 0, Qt::AlignCenter);

    buildFrame();
    QPalette pal = statusLabel()->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    statusLabel()->setPalette(pal);
    for (int n = 0; n < 3; ++n)
        trafficLight(n)->setAttribute(Qt::WA_TranslucentBackground);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(statusLabel());
    layout->addStretch();
    layout->addWidget(controlPanel());
    setFixedSize(clientWidth, 485);

    m_timer = new TFastTimer(this);
    m_timer->setObjectName(QStringLiteral("Messtimer"));
    m_timer->setInterval(10);
    m_timer->setResolution(10);
    m_timer->OnTimer = [this](TFastTimer *) { measurementTick(); };
    m_input = std::make_unique<InputSequencer>(m_timer);
    m_inputWatch = new InputClockWatch(this, [this](const QEvent *event) { m_input->observe(event); });

    constructed();
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

void ReactionTestWindow::activate()
{
    const RunSettings &settings = RunSettings::instance();
    const QString pictureFile = SightPictureFile();
    const ValidityBounds bounds = ReadValidityBounds();
    m_profile = RunSightProfile(!pictureFile.isEmpty());

    resetFrame();
    setLight(0);
    m_sightBox->setSight(RenderSight(m_sightBox->width(), m_sightBox->height(), m_profile, pictureFile));
    resultWindow()->clearLists();
    if (Settings::instance().Sound)
        HitSound::instance().prepare();
    m_run->activate(settings.SerienAnzahl, settings.Scheibenabstand, bounds, m_profile.Spiegel_Size);
}

void ReactionTestWindow::startRun() { m_run->start(); }

void ReactionTestWindow::measurementTick() { m_run->tick(); }

bool ReactionTestWindow::stopRun()
{
    m_run->stop();
    return true;
}

void ReactionTestWindow::prepareResult() { resultWindow()->setLateTargets(m_run->lateTargets()); }

void ReactionTestWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc does what the cancel button does ("&Abbruch" or "&Fertig").
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReactionTestWindow::done(int r)
{
    // However the window closes, the tick stops with it.
    m_run->stop();
    RunWindowBase::done(r);
}

void ReactionTestWindow::setTickEnabled(bool on)
{
    try {
        m_timer->setEnabled(on);
    } catch (const OutOfResourcesError &error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void ReactionTestWindow::startButtonDisabled()
{
    startButton()->setEnabled(false);
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
    m_sightBox->drawEllipse(TargetRect(m_sightBox->width(), m_sightBox->height(), m_profile.Spiegel_Size, dx, dy),
                            fill, pen, penWidth);
    const qint64 painted = m_sightBox->paintedNs();
    m_shownNs = painted >= before ? painted : Clock::instance().monotonicNs();
    // On X11 the X server's stamp of the picture follows and replaces it,
    // unless another picture came meanwhile.
    const int drawn = ++m_drawn;
    ShownStamp::request(windowHandle(), [self = QPointer<ReactionTestWindow>(this), drawn](quint32 serverMs) {
        qint64 ns = 0;
        if (!self || drawn != self->m_drawn
            || !MapWindowSystemStamp(self->m_input->mapper(), serverMs, &ns))
            return;
        self->m_run->refineOnset(ns);
        self->m_shownNs = self->m_run->onsetNs();
    });
}

qint64 ReactionTestWindow::tickDueNs() const { return m_timer->runningTickDueNs(); }

void ReactionTestWindow::showSight()
{
    ++m_drawn;
    m_sightBox->showSight();
}

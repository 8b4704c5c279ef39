#include "curves/curvetestwindow.h"

#include "curves/curverunsettings.h"
#include "curves/curveresultwindow.h"
#include "device/commandset.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
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

CurveView::CurveView(CurveScene *scene, QWidget *parent)
    : QWidget(parent)
    , m_scene(scene)
{
    setObjectName(QStringLiteral("Visier"));
    setFixedSize(CurveScene::Size, CurveScene::Size);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveView::paintEvent(QPaintEvent *)
{
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_scene->display());
    }
    m_paintedNs = Clock::instance().monotonicNs();
}

MirrorSymbol::MirrorSymbol(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(33, 33);
}

void MirrorSymbol::setHit(bool hit)
{
    if (m_hit == hit)
        return;
    m_hit = hit;
    repaint();
}

void MirrorSymbol::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_hit ? Qt::white : Qt::black);
    painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

CurveTestWindow::CurveTestWindow(CurveResultWindow *result, QWidget *parent)
    : RunWindowBase(QStringLiteral("ER3F"), QStringLiteral("ER3_Form"),
                    QStringLiteral("Einfachreaktionstest (Individualkurven)"), result, parent)
    , m_curveResult(result)
{
    m_displayGroup = new QGroupBox(QStringLiteral("Anzeige"), this);
    m_displayGroup->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    m_displayGroup->setFixedSize(500, 372);
    m_targetStrip = new QFrame(m_displayGroup);
    m_targetStrip->setObjectName(QStringLiteral("sh_target"));
    m_targetStrip->setGeometry(93, 12, 314, 41);
    m_targetStrip->setAutoFillBackground(true);
    QPalette silver = m_targetStrip->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    m_targetStrip->setPalette(silver);
    const int xs[5] = {97, 164, 232, 300, 369};
    for (int i = 0; i < 5; ++i) {
        m_mirrorSymbols[i] = new MirrorSymbol(m_displayGroup);
        m_mirrorSymbols[i]->setObjectName(QStringLiteral("sh_s%1").arg(i + 1));
        m_mirrorSymbols[i]->move(xs[i], 16);
        m_mirrorSymbols[i]->raise();
    }
    m_view = new CurveView(&m_scene, m_displayGroup);
    m_view->move(100, 58);

    buildFrame([this](QWidget *panel) {
        m_reactionButton = new QPushButton(QStringLiteral("Reaktion"), panel);
        m_reactionButton->setObjectName(QStringLiteral("bt_Reaktion"));
        m_reactionButton->setAutoDefault(true);
        m_reactionButton->installEventFilter(this);
        connect(m_reactionButton, &QPushButton::clicked, this, [this] { reactionClicked(); });
        return m_reactionButton;
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_displayGroup, 0, Qt::AlignHCenter);
    layout->addWidget(statusLabel());
    layout->addWidget(controlPanel());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_inputWatch = new InputClockWatch(this, [this](const QEvent *event) { ObserveInputEvent(m_inputTime, event); });

    constructed();
}

CurveTestWindow::~CurveTestWindow()
{
    if (qApp)
        qApp->removeEventFilter(m_inputWatch);
}

void CurveTestWindow::activate()
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

    resetFrame();
    setLightsVisible(false);
    setLight(0);
    m_scene.setSightPicture(RenderSight(CurveScene::Size, CurveScene::Size, m_profile, sightFile));
    m_scene.setSystemPicture(system);
    m_scene.drawStill();
    m_view->update();
    m_curveResult->clearLists();
    m_curveResult->setRunContext(curves.CurveFiles, mirrors.mirrors, curves.LeftToRight);

    CurveRun::Setup setup;
    setup.serienAnzahl = qMax(1, settings.SerienAnzahl);
    setup.scheibenabstand = settings.Scheibenabstand;
    setup.curveFiles = curves.CurveFiles;
    setup.leftToRight = curves.LeftToRight;
    setup.mirrors = mirrors.mirrors;
    setup.systemWidth = system.width();
    m_run.activate(setup);

    m_targetStrip->setVisible(curves.ShowTargets);
    for (MirrorSymbol *s : m_mirrorSymbols) {
        s->setHit(false);
        s->setVisible(curves.ShowTargets);
    }
    bool canStart = !m_mirrorError && !system.isNull();
    if (canStart && curves.CurveFiles.isEmpty()) {
        ShowError(QStringLiteral("Das gewählte Kurvenset enthält keine Definitionsdateien."));
        canStart = false;
    }
    startButton()->setEnabled(canStart);
}

void CurveTestWindow::setResultShower(std::function<void(CurveResultWindow *)> shower)
{
    if (!shower)
        RunWindowBase::setResultShower({});
    else
        RunWindowBase::setResultShower([this, shower](ReactionResultWindow *) { shower(m_curveResult); });
}

void CurveTestWindow::startRun() { m_run.run(); }

bool CurveTestWindow::stopRun()
{
    // A run in progress ends at once; the window closes after it.
    m_run.requestCancel();
    return true;
}

void CurveTestWindow::prepareResult()
{
    m_curveResult->setSeriesCount(m_run.SeriesNo);
    m_curveResult->setLateTargets(m_run.latePoints());
}

void CurveTestWindow::reactionClicked()
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

bool CurveTestWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The shooter reacts when he presses; the button is activated on the
    // release (mouse, space) or the press (Enter).
    if (watched == m_reactionButton) {
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

void CurveTestWindow::reject() { cancelClicked(); }

void CurveTestWindow::closeEvent(QCloseEvent *event)
{
    if (m_run.running()) {
        // Closing during a run ends it the way "&Abbruch" does.
        event->ignore();
        cancelClicked();
        return;
    }
    QDialog::closeEvent(event);
}

void CurveTestWindow::setStartEnabled(bool on) { startButton()->setEnabled(on); }

void CurveTestWindow::focusReaction() { m_reactionButton->setFocus(); }

void CurveTestWindow::resetMirrorSymbols()
{
    for (MirrorSymbol *s : m_mirrorSymbols)
        s->setHit(false);
}

void CurveTestWindow::markMirrorSymbol(int n)
{
    if (n >= 1 && n <= 5)
        m_mirrorSymbols[n - 1]->setHit(true);
}

void CurveTestWindow::slideFrame(int v)
{
    m_scene.drawSlideFrame(v);
    present();
}

void CurveTestWindow::showSight(int left, int top)
{
    m_scene.drawSight(left, top);
    present();
}

void CurveTestWindow::eraseSight()
{
    m_scene.eraseSight();
    present();
}

void CurveTestWindow::present()
{
    // Painted and flushed to the window system at once; the end of the paint
    // is when the frame was handed over (see ReactionTestWindow::drawTarget).
    const qint64 before = Clock::instance().monotonicNs();
    m_view->repaint();
    const qint64 painted = m_view->paintedNs();
    m_shownNs = painted >= before ? painted : Clock::instance().monotonicNs();
}

#include "runkit/runwindowbase.h"

#include "core/actionlog.h"
#include "core/settings.h"
#include "device/commandset.h"
#include "runkit/resultwindow.h"
#include "ui/hints.h"
#include "ui/pictures.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {
// One traffic light: hidden at first, and keeping its place in the row while hidden.
QLabel *makeTrafficLight(QWidget *panel, const QString &objectName)
{
    auto *l = new QLabel(panel);
    l->setObjectName(objectName);
    l->setFixedSize(Pictures::TrafficLightSize, Pictures::TrafficLightSize);
    l->setScaledContents(true);
    l->setVisible(false);
    QSizePolicy sp = l->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    l->setSizePolicy(sp);
    return l;
}
} // namespace

RunWindowBase::RunWindowBase(const QString &code, const QString &objectName, const QString &title,
                             ReactionResultWindow *result, QWidget *parent)
    : QDialog(parent)
    , m_code(code)
    , m_result(result)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ") + code);
    setObjectName(objectName);
    setWindowTitle(title);
    setModal(true);
    m_showResult = [](ReactionResultWindow *w) { w->exec(); };
}

void RunWindowBase::buildFrame(const std::function<QWidget *(QWidget *panel)> &makeExtra)
{
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("StatusInfo_Label"));
    QFont bold = m_statusLabel->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    m_statusLabel->setFont(bold);
    m_statusLabel->setAlignment(Qt::AlignCenter);

    m_controlPanel = new QFrame(this);
    m_controlPanel->setObjectName(QStringLiteral("Control_Panel"));
    m_controlPanel->setFrameShape(QFrame::StyledPanel);
    m_lights[0] = makeTrafficLight(m_controlPanel, QStringLiteral("Red_Image"));
    m_lights[1] = makeTrafficLight(m_controlPanel, QStringLiteral("Yellow_Image"));
    m_lights[2] = makeTrafficLight(m_controlPanel, QStringLiteral("Green_image"));
    QWidget *extraButton = makeExtra ? makeExtra(m_controlPanel) : nullptr;

    m_startButton = new QPushButton(QStringLiteral("&Start"), m_controlPanel);
    m_startButton->setObjectName(QStringLiteral("OK_Button"));
    m_startButton->setDefault(true);
    SetHint(m_startButton, QStringLiteral("|Meßwertaufnahme beginnen"));
    connect(m_startButton, &QPushButton::clicked, this, [this] { startClicked(); });
    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), m_controlPanel);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    m_cancelButton->setAutoDefault(false);
    SetHint(m_cancelButton, QStringLiteral("|Meßwertaufnahme abbrechen"));
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancelClicked(); });
    m_cancelButton->installEventFilter(this);

    auto *bar = new QHBoxLayout(m_controlPanel);
    for (QLabel *light : m_lights)
        bar->addWidget(light);
    bar->addStretch();
    if (extraButton) {
        bar->addWidget(extraButton);
        bar->addSpacing(16);
    }
    bar->addWidget(m_startButton);
    bar->addWidget(m_cancelButton);
}

void RunWindowBase::constructed()
{
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + m_code);
}

void RunWindowBase::resetFrame()
{
    m_startButton->setEnabled(true);
    m_startButton->setFocus();
    m_statusLabel->clear();
    m_startButton->setText(QStringLiteral("&Start"));
    m_cancelButton->setText(QStringLiteral("&Abbruch"));
}

void RunWindowBase::startClicked()
{
    if (m_startButton->isEnabled())
        startRun();
}

void RunWindowBase::cancelClicked()
{
    if (m_closing)
        return;   // a second click while the result window is up
    m_closing = true;
    if (!stopRun()) {
        m_closing = false;
        return;
    }
    m_startButton->setEnabled(true);
    StopStream();
    if (runComplete() && m_showResult) {
        prepareResult();
        m_showResult(m_result);
    }
    QDialog::reject();
    m_closing = false;
}

void RunWindowBase::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}

void RunWindowBase::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void RunWindowBase::setStatusText(const QString &text) { m_statusLabel->setText(text); }

void RunWindowBase::setLight(int lit)
{
    // All dark, then light n lit.
    for (int i = 0; i < 3; ++i)
        m_lights[i]->setPixmap(Pictures::pixmap(Pictures::trafficLight(i)));
    if (lit >= 0 && lit < 3)
        m_lights[lit]->setPixmap(Pictures::pixmap(Pictures::trafficLight(3 + lit)));
}

void RunWindowBase::setLightsVisible(bool visible)
{
    for (QLabel *light : m_lights)
        light->setVisible(visible);
}

bool RunWindowBase::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cancelButton && event->type() == QEvent::Shortcut && m_cancelButton->isEnabled()) {
        m_cancelButton->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void RunWindowBase::setCancelCaption(const QString &caption) { m_cancelButton->setText(caption); }

void RunWindowBase::addResultRow(const ResultRow &row) { m_result->appendRow(row); }

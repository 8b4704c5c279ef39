#include "runkit/testwindowparts.h"

#include "ui/hints.h"
#include "ui/pictures.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

QLabel *MakeStatusLabel(QWidget *window)
{
    auto *label = new QLabel(window);
    label->setObjectName(QStringLiteral("StatusInfo_Label"));
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QFrame *MakeControlPanel(QWidget *window)
{
    auto *panel = new QFrame(window);
    panel->setObjectName(QStringLiteral("Control_Panel"));
    panel->setFrameShape(QFrame::StyledPanel);
    return panel;
}

QLabel *MakeTrafficLight(QWidget *panel, const QString &objectName)
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

void ShowTrafficLight(QLabel *red, QLabel *yellow, QLabel *green, int n)
{
    QLabel *lights[3] = {red, yellow, green};
    for (int i = 0; i < 3; ++i)
        lights[i]->setPixmap(Pictures::pixmap(Pictures::trafficLight(i)));
    if (n >= 0 && n < 3)
        lights[n]->setPixmap(Pictures::pixmap(Pictures::trafficLight(3 + n)));
}

void SetTrafficLightsVisible(QLabel *red, QLabel *yellow, QLabel *green, bool visible)
{
    red->setVisible(visible);
    yellow->setVisible(visible);
    green->setVisible(visible);
}

RunButtons MakeRunButtons(QWidget *panel)
{
    RunButtons b;
    b.start = new QPushButton(QStringLiteral("&Start"), panel);
    b.start->setObjectName(QStringLiteral("OK_Button"));
    b.start->setDefault(true);
    SetHint(b.start, QStringLiteral("|Meßwertaufnahme beginnen"));
    b.cancel = new QPushButton(QStringLiteral("&Abbruch"), panel);
    b.cancel->setObjectName(QStringLiteral("Cancel_Button"));
    b.cancel->setAutoDefault(false);
    SetHint(b.cancel, QStringLiteral("|Meßwertaufnahme abbrechen"));
    return b;
}

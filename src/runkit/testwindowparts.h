#pragma once
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// Parts of the frame the test windows of all three tests share.

// "StatusInfo_Label": bold, 16 pixels, centred.
QLabel *MakeStatusLabel(QWidget *window);

// "Control_Panel": the framed row of lights and buttons.
QFrame *MakeControlPanel(QWidget *window);

// One traffic light of the control panel: hidden at first, and keeping its
// place in the row while hidden.
QLabel *MakeTrafficLight(QWidget *panel, const QString &objectName);
// Lights: all dark, then light n (0 red, 1 yellow, 2 green) lit.
void ShowTrafficLight(QLabel *red, QLabel *yellow, QLabel *green, int n);
void SetTrafficLightsVisible(QLabel *red, QLabel *yellow, QLabel *green, bool visible);

// "&Start" (default button) and "&Abbruch" with their hints.
struct RunButtons
{
    QPushButton *start = nullptr;
    QPushButton *cancel = nullptr;
};
RunButtons MakeRunButtons(QWidget *panel);

#pragma once
#include <QWidget>

class QLabel;
class QToolButton;
struct Settings;

// "Schußsensor": the shot-sensor sensitivity, display only; its controls
// have no function.
class ShotSensorPage : public QWidget
{
    Q_OBJECT
public:
    explicit ShotSensorPage(QWidget *parent = nullptr);

    // Shows the stored sensitivity.
    void load(const Settings &settings);

    QLabel *sensitivityLabel() const { return m_sensitivityLabel; }
    QLabel *shotsLabel() const { return m_shotsLabel; }
    QToolButton *calibrateButton() const { return m_calibrateButton; }

private:
    QLabel *m_sensitivityLabel;
    QLabel *m_shotsLabel;
    QToolButton *m_calibrateButton;
};

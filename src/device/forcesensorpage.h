#pragma once
#include <QList>
#include <QWidget>

class DeviceFunctions;
class QAction;
class QLabel;
class QPushButton;
class QToolButton;

// "Kraftsensor": the live force trace and values, the force test and the
// calibration menu ("&Nullpunkt", "&Kennlinie", "&Information").
class ForceSensorPage : public QWidget
{
    Q_OBJECT
public:
    // The buttons and menu items run `device`'s functions; the trace shows
    // its force test's picture.
    explicit ForceSensorPage(DeviceFunctions *device, QWidget *parent = nullptr);

    // "Signalpegel 12 Bit" ... "Abzugsgewicht in g".
    void showValues(const QStringList &values);
    // Start and stop buttons and the menu items follow the force test.
    void setTestRunning(bool running);
    // "&Kalibrieren " as a whole.
    void setCalibrationEnabled(bool on);
    // The trace picture changed.
    void updatePlot();
    // Size of the trace (tests and screenshots); clears the picture.
    void setPlotSize(const QSize &size);

    QWidget *plotArea() const { return m_plot; }
    const QList<QLabel *> &valueLabels() const { return m_valueLabels; }
    QPushButton *startButton() const { return m_startButton; }
    QPushButton *stopButton() const { return m_stopButton; }
    QToolButton *calibrateButton() const { return m_calibrateButton; }
    QAction *zeroPointAction() const { return m_zeroPointAction; }
    QAction *scaleAction() const { return m_scaleAction; }
    QAction *informationAction() const { return m_informationAction; }

private:
    DeviceFunctions *m_device;
    QWidget *m_plot;
    QList<QLabel *> m_valueLabels;
    QPushButton *m_startButton;
    QPushButton *m_stopButton;
    QToolButton *m_calibrateButton;
    QAction *m_zeroPointAction;
    QAction *m_scaleAction;
    QAction *m_informationAction;
};

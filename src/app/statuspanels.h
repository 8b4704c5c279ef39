#pragma once
#include <QString>
#include <QWidget>

// The main window's status bar: five panels. 0 hint text (window width - 470),
// 1 battery gauge (150), 2 port (100), 3 mode (100), 4 controller (110);
// panels 2 to 4 centred.
class StatusPanels : public QWidget
{
    Q_OBJECT
public:
    explicit StatusPanels(QWidget *parent = nullptr);

    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    void setPanel0Width(int width);
    int panelWidth(int panel) const;
    int panelLeft(int panel) const;

    // Gauge input: offline state and the last battery voltage (-1 = none).
    void setBattery(bool offline, double volts);

    // Draws the battery gauge for panel 0 width w into rect (the gauge panel).
    static void drawBatteryGauge(QPainter &painter, const QRect &rect, int w, bool offline, double volts);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_texts[5];
    int m_widths[5] = {330, 150, 100, 100, 110};
    bool m_offline = true;
    double m_volts = -1.0;
};

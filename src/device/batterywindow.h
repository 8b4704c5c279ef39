#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class TDRMeter;
class TFastTimer;

// Charge in percent at a battery voltage: Trunc(volts * 100 * (1/9)), so
// 9.0 V is 100 %. May lie outside 0..100.
int ChargePercent(double volts);

// The needle sweep of the battery window: from 0 one percent per tick up
// to one step short of the charge percentage.
class BatterySweep
{
public:
    // sweepStep := 0.
    void start(int chargePercent);
    // One tick: true with the position the needle moves to, false when the
    // sweep has ended (the timer is then switched off).
    bool tick(int *position);

    int sweepStep() const { return m_sweepStep; }
    int target() const { return m_target; }

private:
    int m_sweepStep = 0;
    int m_target = 0;
};

// "Akku Ladestand": the charge, voltage and remaining operating hours of
// the trainer's battery, with a dial whose needle sweeps up to the charge.
class BatteryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BatteryWindow(QWidget *parent = nullptr);
    ~BatteryWindow() override;

    // Tells the window whether the program is offline. Without a provider
    // the main window's OfflineState (AppState) decides.
    void setOfflineStateProvider(std::function<bool()> provider);

    // Runs each time the window opens: asks the trainer for the hours and,
    // with its answer, starts the sweep and fills the labels (refreshed()).
    void refresh();
    // The answer of the last refresh is still to come.
    bool asking() const { return m_asking; }
    // One tick of the needle timer.
    void sweepTick();

    TDRMeter *meter() const { return m_meter; }
    TFastTimer *sweepTimer() const { return m_sweepTimer; }
    QLabel *percentLabel() const { return m_percentLabel; }
    QLabel *voltageLabel() const { return m_voltageLabel; }
    QLabel *hoursLabel() const { return m_hoursLabel; }
    QLabel *batteryImage() const { return m_batteryImage; }
    QPushButton *okButton() const { return m_okButton; }

    const BatterySweep &sweep() const { return m_sweep; }

signals:
    void refreshed();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool isOffline() const;
    void showReading(const QString &hours, bool lost);

    TDRMeter *m_meter;
    TFastTimer *m_sweepTimer;
    QLabel *m_percentCaptionLabel;
    QLabel *m_percentLabel;
    QLabel *m_voltageCaptionLabel;
    QLabel *m_voltageLabel;
    QLabel *m_hoursCaptionLabel;
    QLabel *m_hoursLabel;
    QLabel *m_batteryImage;
    QPushButton *m_okButton;

    BatterySweep m_sweep;
    std::function<bool()> m_offline;
    int m_round = 0;
    bool m_asking = false;
};

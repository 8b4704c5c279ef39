#include "core/settings.h"
#include "device/controllerpage.h"
#include "device/devicefunctions.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

// The "Controller" page on its own: what it loads comes back when it stores.
class ControllerPageTest : public QObject
{
    Q_OBJECT
private slots:
    void loadStoreRoundTrip_data()
    {
        QTest::addColumn<int>("comIndex");
        QTest::addColumn<int>("controller");
        QTest::addColumn<int>("recordCom");          // the record SaveSettings takes the values into
        QTest::addColumn<int>("recordController");
        QTest::addColumn<int>("expectedCom");
        QTest::addColumn<int>("expectedController");
        QTest::newRow("COM1, Bauart1") << 0 << 0 << 1 << 1 << 0 << 0;
        QTest::newRow("COM2, Bauart1") << 1 << 0 << 0 << 1 << 1 << 0;
        QTest::newRow("COM1, Bauart2") << 0 << 1 << 1 << 0 << 0 << 1;
        QTest::newRow("COM2, Bauart2") << 1 << 1 << 0 << 0 << 1 << 1;
        // Neither button nor model chosen: the record keeps what it had.
        QTest::newRow("port 7, model 5") << 7 << 5 << 1 << 1 << 1 << 1;
    }

    void loadStoreRoundTrip()
    {
        QFETCH(int, comIndex);
        QFETCH(int, controller);
        QFETCH(int, recordCom);
        QFETCH(int, recordController);
        QFETCH(int, expectedCom);
        QFETCH(int, expectedController);
        Sandbox box;
        DeviceFunctions device;
        ControllerPage page(&device);
        // A previous opening left the other choice on the page.
        Settings other;
        other.COM_Index = comIndex == 0 ? 1 : 0;
        other.Controller = controller == 0 ? 1 : 0;
        page.load(other);

        Settings loaded;
        loaded.COM_Index = comIndex;
        loaded.Controller = controller;
        page.load(loaded);
        SettingsDialogValues values;
        page.store(values);

        Settings saved;
        saved.COM_Index = recordCom;
        saved.Controller = recordController;
        SaveSettings(values, saved);
        QCOMPARE(saved.COM_Index, expectedCom);
        QCOMPARE(saved.Controller, expectedController);
    }

    // A detection that got fewer values shows "-" for the rest.
    void deviceInfoFillsMissingValues()
    {
        DeviceFunctions device;
        ControllerPage page(&device);
        page.showDeviceInfo({QStringLiteral("1.0"), QStringLiteral("2.1")});
        QStringList shown;
        for (const QLabel *label : page.deviceInfoLabels())
            shown << label->text();
        QCOMPARE(shown, (QStringList{"1.0", "2.1", "-", "-", "-", "-", "-"}));
    }
};

VR_TEST_CLASS(ControllerPageTest)
#include "controllerpage_test.moc"

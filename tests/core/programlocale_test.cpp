#include "platform/numberformat.h"
#include "platform/translations.h"
#include "core/actionlog.h"
#include "store/datatablemodel.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QDateTime>
#include <QTest>

// Dates, times and numbers speak German whatever the system locale says.
class ProgramLocaleTest : public QObject
{
    Q_OBJECT

private slots:
    void germanOnAnySystem_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("birthDate");
        QTest::addColumn<QString>("logStamp");
        QTest::addColumn<QString>("number");
        QTest::newRow("fresh machine C") << "C" << "de_DE" << "03.12.1975" << "07.12.2026 09:05:03" << "0,5";
        QTest::newRow("en_US") << "en_US" << "de_DE" << "03.12.1975" << "07.12.2026 09:05:03" << "0,5";
        QTest::newRow("fr_FR") << "fr_FR" << "de_DE" << "03.12.1975" << "07.12.2026 09:05:03" << "0,5";
        QTest::newRow("de_DE kept") << "de_DE" << "de_DE" << "03.12.1975" << "07.12.2026 09:05:03" << "0,5";
        QTest::newRow("de_AT kept") << "de_AT" << "de_AT" << "03.12.1975" << "07.12.2026 09:05:03" << "0,5";
        QTest::newRow("de_CH kept") << "de_CH" << "de_CH" << "03.12.1975" << "07.12.2026 09:05:03" << "0.5";
    }

    void germanOnAnySystem()
    {
        QFETCH(QString, system);
        QFETCH(QString, expected);
        QFETCH(QString, birthDate);
        QFETCH(QString, logStamp);
        QFETCH(QString, number);
        const QLocale chosen = ProgramLocale(QLocale(system));
        QCOMPARE(chosen.name(), expected);
        Sandbox box;
        box.setLocale(chosen);
        QCOMPARE(DataTableModel::displayText(QDate(1975, 12, 3)), birthDate);
        QCOMPARE(LogTimestamp(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)), QLocale()), logStamp);
        QCOMPARE(NumberFormat::formatFloat("%1.1f", 0.5), number);
    }
};

VR_TEST_CLASS(ProgramLocaleTest)
#include "programlocale_test.moc"

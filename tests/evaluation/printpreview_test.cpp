#include "evaluation/printservice.h"
#include "platform/backgroundjob.h"
#include "report/efrfreport.h"
#include "scriptedprint.h"
#include "support/child.h"
#include "support/testmain.h"

#include <QAction>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The print preview of a measurement record, through the print seam.
class PrintPreviewTest : public QObject
{
    Q_OBJECT
private slots:
    void previewSavesPdfThroughTheSeam()
    {
        ScriptedPrint print;
        QTemporaryDir dir;
        TEFRFReport report;
        report.setRows({QStringLiteral("01.02.2003|10:15:00|1|250|260|270|280|290|270,0|")});
        report.measurementLine = "Einfachreaktionstest mit Fehlpräsentationen";
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName("Meier_Hans_Einfachreaktionstest_mit_Fehlern_07.12.2026.pdf");
        MeasurementReport::preparePage(&printer);
        std::unique_ptr<QPrintPreviewDialog> preview(
            CreatePreviewDialog(&printer, report.title(), [&](QPagedPaintDevice *d) { report.print(d); }, nullptr));
        VR_CHILD(save, QAction, preview.get(), QStringLiteral("SavePdf_Action"));
        QCOMPARE(save->text(), QStringLiteral("Als PDF speichern…"));
        save->trigger(); // file dialog cancelled: nothing written
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(print.lastSuggested, QStringLiteral("Meier_Hans_Einfachreaktionstest_mit_Fehlern_07.12.2026.pdf"));
        const QString file = dir.filePath("protokoll.pdf");
        print.fileAnswers = QStringList{file};
        save->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!preview->findChild<BackgroundJob *>(), 20000);   // written on a thread of its own
        bool ok = false;
        QCOMPARE(pdfTitle(file, &ok), QStringLiteral("Einfachreaktionstest mit Fehlern"));
        QVERIFY(pdfText(file, 0, &ok).contains("Einfachreaktionstest mit Fehlpräsentationen"));
        QVERIFY(ok);
    }
};

VR_TEST_CLASS(PrintPreviewTest)
#include "printpreview_test.moc"

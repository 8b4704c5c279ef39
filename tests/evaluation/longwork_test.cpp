#include "evaluation/dataexport.h"
#include "evaluation/printservice.h"
#include "app/datasession.h"
#include "platform/backgroundjob.h"
#include "platform/safefile.h"
#include "report/efrreport.h"
#include "report/measurementexport.h"
#include "scriptedprint.h"
#include "store/tdata.h"
#include "support/child.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAction>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A shooter with series of test 1 stored in the open tables: 5 rows each.
bool storeSeries(TData &data, int series)
{
    DataTable *pers = data.persTable();
    if (!(pers->append() && pers->setFieldValue("Name", "Meier") && pers->setFieldValue("Vorname", "Hans") && pers->post()))
        return false;
    DataTable *reak = data.reakTable();
    for (int serie = 1; serie <= series; ++serie)
        for (int k = 1; k <= 5; ++k)
            if (!(reak->append() && reak->setFieldValue("Datum", QDate(2024, 3, 1).addDays(serie / 10))
                  && reak->setFieldValue("Zeit", QTime(10, 0)) && reak->setFieldValue("MessTyp", 1.0)
                  && reak->setFieldValue("Serie", double(serie)) && reak->setFieldValue("Scheibe", double(k))
                  && reak->setFieldValue("ReakZeit", double(200 + k)) && reak->setFieldValue("Status", "x")
                  && reak->setFieldValue("Fehler", "-") && reak->post()))
                return false;
    return reak->applyUpdates();
}

// A record of many pages.
QStringList recordRows(int count)
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << QStringLiteral("01.03.2024|10:00:00|%1|201|202|203|204|205|203,0|").arg(i + 1);
    return rows;
}

} // namespace

// "Daten exportieren..." and a record saved as PDF run on a thread of their
// own: to the end they write the whole file; cancelled before the file is
// replaced they leave none (an older file stays as it was) and say nothing.
class LongWorkTest : public QObject
{
    Q_OBJECT
private slots:
    void cancelledLeavesNoFile_data()
    {
        QTest::addColumn<QString>("what");   // "export" or "pdf"
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("oldFile");
        QTest::newRow("export to the end") << "export" << false << false;
        QTest::newRow("export cancelled") << "export" << true << false;
        QTest::newRow("export cancelled over an older file") << "export" << true << true;
        QTest::newRow("pdf to the end over an older file") << "pdf" << false << true;
        QTest::newRow("pdf cancelled") << "pdf" << true << false;
    }
    void cancelledLeavesNoFile()
    {
        QFETCH(QString, what);
        QFETCH(bool, cancel);
        QFETCH(bool, oldFile);
        Sandbox box;
        ScriptedMessages messages;
        ScriptedPrint print;
        QTemporaryDir out;
        TData data;
        QVERIFY(OpenProgramData());
        QVERIFY(storeSeries(data, 40));
        messages.clear();
        const QString file = out.filePath(what == "export" ? "alle.csv" : "protokoll.pdf");
        if (oldFile) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("alt") == 3);
        }
        // The cancel comes while the file is being written, before it would replace the old one.
        SafeFile::setFaultHook([cancel](SafeFile::Step step) {
            if (cancel && step == SafeFile::Step::Sync && BackgroundJob::Control::current())
                BackgroundJob::Control::current()->cancel();
            return 0;
        });
        const auto unhook = qScopeGuard([] { SafeFile::setFaultHook({}); });
        print.fileAnswers = QStringList{file};

        QWidget window;
        TEFRReport report;
        report.setRows(recordRows(300));
        QPrinter printer(QPrinter::HighResolution);
        MeasurementReport::preparePage(&printer);
        std::unique_ptr<QPrintPreviewDialog> preview;
        if (what == "export") {
            ExportAllData(&window);
        } else {
            preview.reset(CreatePreviewDialog(&printer, report.title(), [&](QPagedPaintDevice *d) { report.print(d); }, &window));
            VR_CHILD(save, QAction, preview.get(), QStringLiteral("SavePdf_Action"));
            save->trigger();
            QVERIFY(preview->findChild<QProgressDialog *>());   // the window is not left without a sign
        }
        QTRY_VERIFY_WITH_TIMEOUT(print.fileAnswers.isEmpty() && !window.findChild<BackgroundJob *>(), 30000);

        const QStringList strays = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
        if (cancel) {
            QCOMPARE(messages.count(), 0);
            QCOMPARE(strays, oldFile ? QStringList{QFileInfo(file).fileName()} : QStringList{});
            QCOMPARE(contentOf(file), oldFile ? QByteArray("alt") : QByteArray());
            return;
        }
        QCOMPARE(strays, QStringList{QFileInfo(file).fileName()});
        if (what == "export") {
            QCOMPARE(messages.lastText(),
                     QStringLiteral("\r\n200 Messwerte wurden nach „%1“ exportiert.").arg(QDir::toNativeSeparators(file)));
            QCOMPARE(contentOf(file).count("\r\n"), 201);
        } else {
            QCOMPARE(messages.count(), 0);
            bool ok = false;
            QVERIFY(pdfText(file, 0, &ok).contains("300 01.03.2024 10:00:00 300 201 202 203 204 205 203,0"));
            QVERIFY2(ok, "pdftotext (poppler-utils) is needed");
        }
    }

    // The jobs' progress reaches the end of its range; a record printed in a
    // cancelled job stops at its first page break.
    void progressReachesItsEnd_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("export rows") << "export" << false;
        QTest::newRow("export cancelled") << "export" << true;
        QTest::newRow("record pages") << "record" << false;
        QTest::newRow("record cancelled") << "record" << true;
    }
    void progressReachesItsEnd()
    {
        QFETCH(QString, what);
        QFETCH(bool, cancel);
        Sandbox box;
        ScriptedMessages messages;
        TData data;
        QVERIFY(OpenProgramData());
        QVERIFY(storeSeries(data, 30));
        TEFRReport report;
        report.setRows(recordRows(200));
        std::unique_ptr<BackgroundJob> job;
        int pages = -1;
        QByteArray pdf;
        if (what == "export") {
            job = std::make_unique<MeasurementExportJob>(data.connectionTarget());
        } else {
            job = std::make_unique<BackgroundJob>();
            job->setWork([&](BackgroundJob::Control &) {
                QBuffer buffer(&pdf);
                buffer.open(QIODevice::WriteOnly);
                QPdfWriter writer(&buffer);
                MeasurementReport::preparePage(&writer);
                pages = report.print(&writer);
                return pages > 0;
            });
        }
        QList<QPair<qint64, qint64>> steps;
        QObject receiver;
        connect(job.get(), &BackgroundJob::progressed, &receiver, [&](qint64 done, qint64 total) { steps.append({done, total}); });
        QSignalSpy finished(job.get(), &BackgroundJob::finished);
        if (cancel)
            job->cancel();
        QVERIFY(job->start());
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toBool(), !cancel);
        if (what == "export") {
            auto *exportJob = static_cast<MeasurementExportJob *>(job.get());
            QCOMPARE(exportJob->error(), QString());   // a cancel is no failure
            if (!cancel) {
                QCOMPARE(exportJob->rowCount(), 150);
                QCOMPARE(exportJob->document().count("\r\n"), 151);
            }
        } else {
            QBuffer sink;
            sink.open(QIODevice::WriteOnly);
            QPdfWriter writer(&sink);
            MeasurementReport::preparePage(&writer);
            const int expected = MeasurementReport::pageCount(&writer, 200);
            QVERIFY(expected > 3);
            QCOMPARE(pages, cancel ? 0 : expected);
        }
        QVERIFY(!steps.isEmpty());
        for (int i = 1; i < steps.size(); ++i)
            QVERIFY(steps.at(i).first >= steps.at(i - 1).first);
        if (!cancel)
            QVERIFY(steps.last().second > 0 && steps.last().first == steps.last().second);
    }
};

VR_TEST_CLASS(LongWorkTest)
#include "longwork_test.moc"

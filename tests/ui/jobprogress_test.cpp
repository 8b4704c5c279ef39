#include "ui/jobprogress.h"
#include "platform/backgroundjob.h"
#include "support/testmain.h"

#include <QProgressDialog>
#include <QTest>
#include <QWidget>
#include <atomic>

class JobProgressTest : public QObject
{
    Q_OBJECT
private slots:
    // A handler of the job's end that asks something (a file name, a message)
    // finds the progress dialog gone, although it was connected first.
    void dialogIsGoneWhenTheAnswerIsHandled()
    {
        QWidget window;
        window.show();
        std::atomic<bool> release{false};
        auto *job = new BackgroundJob(&window);
        job->setWork([&](BackgroundJob::Control &c) {
            while (!release.load())
                if (!c.progress(0, 0))
                    return false;
            return true;
        });
        bool visibleAtAnswer = true;
        bool answered = false;
        QProgressDialog *dialog = nullptr;
        connect(job, &BackgroundJob::finished, &window, [&](bool ok) {
            answered = ok;
            visibleAtAnswer = dialog && dialog->isVisible();
        });
        dialog = ShowJobProgress(job, "Titel", "Arbeit …", &window);
        QVERIFY(job->start());
        QTRY_VERIFY(dialog->isVisible());   // shown after its minimum duration
        release = true;
        QTRY_VERIFY(answered);
        QVERIFY(!visibleAtAnswer);
    }
};

VR_TEST_CLASS(JobProgressTest)
#include "jobprogress_test.moc"

#include "platform/safefile.h"
#include "support/smalldisk.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <sys/stat.h>
#include <thread>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Everything in dir but the named files: left-over temporary files.
QStringList strays(const QString &dir, const QStringList &expected)
{
    QStringList found = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &e : expected)
        found.removeAll(e);
    return found;
}

struct HookGuard
{
    ~HookGuard() { SafeFile::setFaultHook({}); }
};

} // namespace

class SafeFileTest : public QObject
{
    Q_OBJECT

private slots:
    void failingStepKeepsOldFile_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("errnum");
        QTest::addColumn<QString>("reason");
        QTest::newRow("open, no rights") << int(SafeFile::Step::Open) << EACCES << "Keine Schreibrechte.";
        QTest::newRow("write, disk full") << int(SafeFile::Step::Write) << ENOSPC << "Der Datenträger ist voll.";
        QTest::newRow("last flush, disk full") << int(SafeFile::Step::Flush) << ENOSPC << "Der Datenträger ist voll.";
        QTest::newRow("sync, i/o error") << int(SafeFile::Step::Sync) << EIO << "Ein-/Ausgabefehler des Datenträgers.";
        QTest::newRow("rename, read-only") << int(SafeFile::Step::Rename) << EROFS << "Der Datenträger ist schreibgeschützt.";
    }

    void failingStepKeepsOldFile()
    {
        QFETCH(int, step);
        QFETCH(int, errnum);
        QFETCH(QString, reason);
        HookGuard guard;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("alle.csv"));
        put(path, "old rows\r\n");
        SafeFile::setFaultHook([&](SafeFile::Step s) { return int(s) == step ? errnum : 0; });
        QString error;
        QVERIFY(!SafeFile::write(path, QByteArray(100000, 'n'), &error));
        QCOMPARE(readAll(path), QByteArray("old rows\r\n"));
        QVERIFY2(error.contains(QStringLiteral("alle.csv")) && error.endsWith(reason), qPrintable(error));
        QCOMPARE(strays(dir.path(), {QStringLiteral("alle.csv")}), QStringList());
        // A new file that fails is not left behind either.
        const QString fresh = dir.filePath(QStringLiteral("neu.csv"));
        QVERIFY(!SafeFile::write(fresh, "x", &error));
        QVERIFY(!QFileInfo::exists(fresh));
    }

    void replacesRegularFilesKeepingModeAndLinks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("protokoll.pdf"));
        put(path, "old");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QString link = dir.filePath(QStringLiteral("link.pdf"));
        QVERIFY(QFile::link(path, link));
        QString error;
        QVERIFY2(SafeFile::write(link, "new", &error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(path), QByteArray("new"));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), 0640);
        QVERIFY(!SafeFile::write(dir.path(), "x", &error));
        QVERIFY2(error.contains(QStringLiteral("Ordner")), qPrintable(error));
        QVERIFY(!SafeFile::write(dir.filePath(QStringLiteral("fehlt/a.csv")), "x", &error));
        QVERIFY2(error.contains(QStringLiteral("nicht vorhanden")), qPrintable(error));
        QCOMPARE(strays(dir.path(), {QStringLiteral("protokoll.pdf"), QStringLiteral("link.pdf")}), QStringList());
    }

    void devicesAndPipesAreWrittenNotReplaced()
    {
        QString error;
        QVERIFY2(SafeFile::write(QStringLiteral("/dev/null"), "rows", &error), qPrintable(error));
        QVERIFY(!SafeFile::write(QStringLiteral("/dev/full"), "rows", &error));
        QVERIFY2(error.endsWith(QStringLiteral("Der Datenträger ist voll.")), qPrintable(error));
        struct stat st;
        QVERIFY(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
        QVERIFY(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));

        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        // Nobody reads: a message, no hang, still a pipe.
        QVERIFY(!SafeFile::write(fifo, "rows", &error));
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        // With a reader the bytes arrive through the pipe.
        QByteArray received;
        std::thread reader([&] { received = readAll(fifo); });
        bool written = false;
        for (int i = 0; i < 500 && !written; ++i) {
            written = SafeFile::write(fifo, "rows\r\n", &error);
            if (!written)
                QThread::msleep(2);
        }
        reader.join();
        QVERIFY2(written, qPrintable(error));
        QCOMPARE(received, QByteArray("rows\r\n"));
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    }

    void realFullDiskKeepsOldFile()
    {
        SmallDisk disk(64);
        if (!disk.isMounted())
            QSKIP("needs root to mount a small file system");
        const QString path = disk.filePath(QStringLiteral("alle.csv"));
        put(path, "old rows\r\n");
        disk.fill();
        QString error;
        QVERIFY(!SafeFile::write(path, QByteArray(20000, 'n'), &error));
        QVERIFY2(error.endsWith(QStringLiteral("Der Datenträger ist voll.")), qPrintable(error));
        QCOMPARE(readAll(path), QByteArray("old rows\r\n"));
        QCOMPARE(strays(disk.path(), {QStringLiteral("alle.csv"), QStringLiteral("filler")}), QStringList());
    }
};

VR_TEST_CLASS(SafeFileTest)
#include "safefile_test.moc"

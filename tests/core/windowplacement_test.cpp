#include "core/windowplacement.h"
#include "support/testmain.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A dialog with some content, as the program's record dialogs have.
struct ContentDialog : QDialog
{
    explicit ContentDialog(QWidget *parent) : QDialog(parent)
    {
        auto *layout = new QVBoxLayout(this);
        for (int i = 0; i < 4; ++i) {
            layout->addWidget(new QLabel(QStringLiteral("Beschriftung %1").arg(i), this));
            auto *edit = new QLineEdit(this);
            edit->setMinimumWidth(260);
            layout->addWidget(edit);
        }
        setModal(true);
    }
};

} // namespace

class WindowPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { WindowPlacement::install(); }

    void opensAtLeastAtItsSizeHintOnTheScreen_data()
    {
        QTest::addColumn<QSize>("presetSize");   // invalid: none
        QTest::addColumn<QPoint>("storedPos");   // (-1, -1): nothing stored
        QTest::newRow("fresh, centred") << QSize() << QPoint(-1, -1);
        QTest::newRow("resized to the widget default") << QSize(100, 30) << QPoint(-1, -1);
        QTest::newRow("stored at the origin") << QSize(100, 30) << QPoint(0, 0);
        QTest::newRow("stored beyond the right edge") << QSize() << QPoint(5000, 200);
        QTest::newRow("stored above the screen") << QSize() << QPoint(100, -400);
        QTest::newRow("larger than needed stays") << QSize(700, 500) << QPoint(-1, -1);
    }

    void opensAtLeastAtItsSizeHintOnTheScreen()
    {
        QFETCH(QSize, presetSize);
        QFETCH(QPoint, storedPos);
        QWidget main;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        main.setGeometry(area);
        main.show();
        ContentDialog dialog(&main);
        if (presetSize.isValid())
            dialog.resize(presetSize);
        if (storedPos.x() >= 0 || storedPos.y() > -1 || storedPos.y() < -1)
            dialog.move(storedPos);   // as a stored placement does, before the layout ran
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize hint = dialog.sizeHint();
        QVERIFY2(dialog.width() >= hint.width() && dialog.height() >= hint.height(),
                 qPrintable(QStringLiteral("%1x%2 < hint %3x%4").arg(dialog.width()).arg(dialog.height()).arg(hint.width()).arg(hint.height())));
        if (presetSize.width() > hint.width())
            QCOMPARE(dialog.size(), presetSize);
        QVERIFY2(area.contains(dialog.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6").arg(dialog.x()).arg(dialog.y()).arg(dialog.width()).arg(dialog.height()).arg(area.width()).arg(area.height()) + QStringLiteral(" at %1,%2 frame %3,%4").arg(area.x()).arg(area.y()).arg(dialog.frameGeometry().right()).arg(dialog.frameGeometry().bottom())));
        if (storedPos == QPoint(-1, -1))   // centred over the main window
            QVERIFY(qAbs(dialog.geometry().center().x() - main.geometry().center().x()) <= 1);
        if (storedPos == QPoint(0, 0))
            QCOMPARE(dialog.frameGeometry().topLeft(), area.topLeft());
    }
};

VR_TEST_CLASS(WindowPlacementTest)
#include "windowplacement_test.moc"

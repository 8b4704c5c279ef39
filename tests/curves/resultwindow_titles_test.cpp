// The result windows of the three tests: every column title of both lists is
// readable in the font the list is shown with, and the series list is wide
// enough to show all its columns side by side.
#include "curves/curveresultwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<QDialog *()>)

class ResultWindowTitlesTest : public QObject
{
    Q_OBJECT

private slots:
    void titlesFitTheirColumns_data()
    {
        QTest::addColumn<std::function<QDialog *()>>("make");
        QTest::addColumn<QString>("list");
        const std::function<QDialog *()> era1 = [] { return new StaticResultWindow; };
        const std::function<QDialog *()> era2 = [] { return new RandomResultWindow; };
        const std::function<QDialog *()> era3 = [] { return new CurveResultWindow; };
        for (const char *list : {"Erg_ListView", "MW_Listview"}) {
            QTest::addRow("test 1, %s", list) << era1 << QString::fromLatin1(list);
            QTest::addRow("test 2, %s", list) << era2 << QString::fromLatin1(list);
            QTest::addRow("test 3, %s", list) << era3 << QString::fromLatin1(list);
        }
    }

    void titlesFitTheirColumns()
    {
        QFETCH(std::function<QDialog *()>, make);
        QFETCH(QString, list);
        Sandbox box;
        std::unique_ptr<QDialog> window(make());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *tree = window->findChild<QTreeWidget *>(list);
        QVERIFY(tree);
        const QFontMetrics metrics(tree->header()->font());
        const int margin = tree->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, tree);
        int shown = 0;
        for (int column = 0; column < tree->columnCount(); ++column) {
            if (tree->isColumnHidden(column))
                continue;
            const QString title = tree->headerItem()->text(column);
            QVERIFY2(tree->columnWidth(column) >= metrics.horizontalAdvance(title) + 2 * margin,
                     qPrintable(QStringLiteral("\"%1\" is %2 pixels wide in a column of %3")
                                    .arg(title)
                                    .arg(metrics.horizontalAdvance(title))
                                    .arg(tree->columnWidth(column))));
            shown += tree->columnWidth(column);
        }
        if (list == QLatin1String("MW_Listview"))   // the series list never needs scrolling sideways
            QVERIFY2(tree->viewport()->width() >= shown,
                     qPrintable(QStringLiteral("%1 of %2 pixels visible").arg(tree->viewport()->width()).arg(shown)));
    }
};

VR_TEST_CLASS(ResultWindowTitlesTest)
#include "resultwindow_titles_test.moc"

#include "curves/curveresultwindow.h"

#include "curves/curverun.h"
#include "curves/curvestats.h"
#include "curves/timebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

CurveResultWindow::CurveResultWindow(QWidget *parent)
    : ReactionResultWindow(3, QStringLiteral("ERA3F"), QStringLiteral("ERA3_Form"), parent)
{
    setWindowTitle(QStringLiteral("Auswertung"));
    rowList()->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Scheibe"), QStringLiteral("Zeit in ms"),
                                QStringLiteral("Status"), QStringLiteral("Phase")});
    rowList()->setColumnHidden(4, false);
    rowList()->setColumnWidth(2, 80);
    rowList()->setColumnWidth(3, 60);
    rowList()->setColumnWidth(4, 60);
    rowList()->setSelectionBehavior(QAbstractItemView::SelectRows);
    rowList()->setMinimumWidth(330);

    m_timeBar = new TTimebar(this);
    auto *caption = new QLabel(QStringLiteral("Zeitverlauf in Sekunden"), this);
    caption->setObjectName(QStringLiteral("Zeitverlauf_Label"));
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(m_timeBar);
    row->addStretch();
    addToFigures(row);
    resize(720, 470);

    connect(rowList(), &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { rowClicked(item); });
    connect(rowList(), &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) { rowClicked(item); });
}

void CurveResultWindow::setRunContext(const QStringList &curveFiles, const QVector<MirrorDef> &mirrors, bool leftToRight)
{
    m_files = curveFiles;
    m_mirrors = mirrors;
    m_mirrors.resize(5);
    m_leftToRight = leftToRight;
    m_seriesCount = 0;
}

void CurveResultWindow::showFigures()
{
    seriesList()->clear();
    m_timeBar->clearBar();
    const CurveStatistics stats(rows(), m_seriesCount);
    countLabel()->setText(stats.anzMessText());
    validityLabel()->setText(stats.gLabelText());
    meanLabel()->setText(stats.mwText());
    deviationLabel()->setText(stats.diffText());
    for (const CurveStatistics::GroupLine &line : stats.groupLines()) {
        auto *item = new QTreeWidgetItem(seriesList());
        item->setText(0, line.caption);
        for (int i = 0; i < line.subItems.size(); ++i)
            item->setText(i + 1, line.subItems.at(i));
    }
}

void CurveResultWindow::rowClicked(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int series = item->text(0).toInt();
    const int target = item->text(1).toInt();
    const int b = item->text(2).trimmed().toInt();
    const int f = item->text(4).trimmed().toInt();
    QVector<CurvePoint> points;
    const int fileNo = CurveRun::fileForSeries(series, int(m_files.size()));
    if (fileNo > 0 && target >= 1 && target <= 5)
        DecodeCurvePoints(ReadCurveDefinition(m_files.at(fileNo - 1), QString::number(target)), &points);
    int half = 0;
    if (target >= 1 && target <= 5 && m_mirrors.size() == 5)   // no run context: no mirrors yet
        half = m_mirrors.at((m_leftToRight ? target : 6 - target) - 1).S / 2;
    m_timeBar->setBar(DrawTimebar(points, half, b, f, m_timeBar->width(), m_timeBar->height()));
}

QString CurveResultWindow::lateTargetsText(int count) const
{
    if (count == 1)
        return QStringLiteral("1 Kurvenpunkt erschien verspätet auf dem Bildschirm (mehr als 10 ms nach seinem Zeitpunkt).");
    return QStringLiteral("%1 Kurvenpunkte erschienen verspätet auf dem Bildschirm (mehr als 10 ms nach ihrem Zeitpunkt).")
        .arg(count);
}

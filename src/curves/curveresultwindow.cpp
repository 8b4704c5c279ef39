#include "curves/era3_form.h"

#include "curves/curverun.h"
#include "curves/curvestats.h"
#include "curves/timebar.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

TERA3_Form::TERA3_Form(QWidget *parent)
    : ReactionResultWindow(3, QStringLiteral("ERA3F"), QStringLiteral("ERA3_Form"), parent)
{
    setWindowTitle(QStringLiteral("Auswertung"));
    Erg_ListView->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Scheibe"), QStringLiteral("Zeit in ms"),
                                   QStringLiteral("Status"), QStringLiteral("Phase")});
    Erg_ListView->setColumnHidden(4, false);
    Erg_ListView->setColumnWidth(2, 80);
    Erg_ListView->setColumnWidth(3, 60);
    Erg_ListView->setColumnWidth(4, 60);
    Erg_ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    Erg_ListView->setMinimumWidth(330);

    Timebar = new TTimebar(this);
    auto *caption = new QLabel(QStringLiteral("Zeitverlauf in Sekunden"), this);
    caption->setObjectName(QStringLiteral("Zeitverlauf_Label"));
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(Timebar);
    row->addStretch();
    if (auto *group = findChild<QGroupBox *>(QStringLiteral("Auswertung_GroupBox"))) {
        if (auto *box = qobject_cast<QVBoxLayout *>(group->layout()))
            box->addLayout(row);
    }
    resize(720, 470);

    connect(Erg_ListView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { Erg_ListViewClick(item); });
    connect(Erg_ListView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { Erg_ListViewClick(item); });
}

void TERA3_Form::setRunContext(const QStringList &curveFiles, const QVector<MirrorDef> &mirrors, bool leftToRight)
{
    m_files = curveFiles;
    m_mirrors = mirrors;
    m_mirrors.resize(5);
    m_leftToRight = leftToRight;
    m_seriesCount = 0;
}

void TERA3_Form::FormShow3()
{
    MW_Listview->clear();
    Timebar->clearBar();
    const CurveStatistics stats(rows(), m_seriesCount);
    AnzMess_Label->setText(stats.anzMessText());
    GLabel->setText(stats.gLabelText());
    MW_Label->setText(stats.mwText());
    Diff_Label->setText(stats.diffText());
    for (const CurveStatistics::GroupLine &line : stats.groupLines()) {
        auto *item = new QTreeWidgetItem(MW_Listview);
        item->setText(0, line.caption);
        for (int i = 0; i < line.subItems.size(); ++i)
            item->setText(i + 1, line.subItems.at(i));
    }
}

void TERA3_Form::Erg_ListViewClick(QTreeWidgetItem *item)
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
    Timebar->setBar(DrawTimebar(points, half, b, f, Timebar->width(), Timebar->height()));
}

void TERA3_Form::showEvent(QShowEvent *event)
{
    // The figures of test 3, not those of tests 1 and 2.
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        Save_Button->setEnabled(true);   // a run saved before left it off
        FormShow3();
    }
}

QString TERA3_Form::lateTargetsText(int count) const
{
    if (count == 1)
        return QStringLiteral("1 Kurvenpunkt erschien verspätet auf dem Bildschirm (mehr als 10 ms nach seinem Zeitpunkt).");
    return QStringLiteral("%1 Kurvenpunkte erschienen verspätet auf dem Bildschirm (mehr als 10 ms nach ihrem Zeitpunkt).")
        .arg(count);
}

#include "report/measurementreport.h"

#include "platform/backgroundjob.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <cmath>

namespace {
// Relative column widths: Nr, Datum, Zeit, Serie, S1..S5, Mittelwert.
const double kColumnWeights[MeasurementReport::LabelCount] = {6, 13, 11, 7, 8, 8, 8, 8, 8, 12};

QFont reportFont(double points, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}
} // namespace

struct MeasurementReport::Metrics
{
    double width = 0, height = 0, mm = 0;
    QFont base, bold, measurement, header;
    double rowH = 0, titleH = 0, headerH = 0, colHeadH = 0, footerH = 0;
    int firstPageRows = 1, pageRows = 1;
};

MeasurementReport::MeasurementReport(const QString &title)
    : m_title(title)
{
}

QString MeasurementReport::footerText() { return QStringLiteral("Vantrel Reaktion – Messprotokoll"); }

QStringList MeasurementReport::columnTitles()
{
    return {QStringLiteral("Nr"), QStringLiteral("Datum"), QStringLiteral("Zeit"), QStringLiteral("Serie"),
            QStringLiteral("S1"), QStringLiteral("S2"), QStringLiteral("S3"), QStringLiteral("S4"),
            QStringLiteral("S5"), QStringLiteral("Mittelwert")};
}

bool MeasurementReport::BeforePrint()
{
    m_rowCounter = 0;
    return !m_rows.isEmpty();
}

void MeasurementReport::OnNeedData(bool &moreData)
{
    if (m_rowCounter < m_rows.size()) {
        const QString &row = m_rows.at(m_rowCounter);
        m_labels[Nr] = QString::number(m_rowCounter + 1);
        // Nine fields, each ended by "|"; text after the last "|" is ignored.
        const QStringList parts = row.split(u'|');
        for (int i = 0; i < 9; ++i)
            m_labels[Datum + i] = i < parts.size() - 1 ? parts.at(i) : QString();
    }
    ++m_rowCounter;
    moreData = m_rows.size() >= m_rowCounter;
}

void MeasurementReport::preparePage(QPagedPaintDevice *device)
{
    device->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 15, 20, 15),
                                      QPageLayout::Millimeter));
}

MeasurementReport::Metrics MeasurementReport::metrics(QPagedPaintDevice *device, bool withUser)
{
    Metrics m;
    m.width = device->width();
    m.height = device->height();
    m.mm = device->logicalDpiY() / 25.4;
    m.base = reportFont(9.75);
    m.bold = reportFont(9.75, true);
    m.measurement = reportFont(14, true);
    m.header = reportFont(16, true);
    const QFontMetricsF base(m.base, device), meas(m.measurement, device), head(m.header, device);
    m.rowH = base.height() * 1.4;
    m.titleH = meas.height() * 1.4 + base.height() * 1.4 * (withUser ? 2 : 1) + 4 * m.mm;
    m.headerH = head.height() * 1.6;
    m.colHeadH = m.rowH + 1 * m.mm;
    m.footerH = 3 * m.mm + base.height() * 1.4;
    const double body = m.height - m.headerH - m.colHeadH - m.footerH;
    m.firstPageRows = std::max(1, int(std::floor((body - m.titleH) / m.rowH)));
    m.pageRows = std::max(1, int(std::floor(body / m.rowH)));
    return m;
}

int MeasurementReport::pageCount(QPagedPaintDevice *device, int rowCount, bool withUser)
{
    const Metrics m = metrics(device, withUser);
    if (rowCount <= m.firstPageRows)
        return 1;
    return 1 + (rowCount - m.firstPageRows + m.pageRows - 1) / m.pageRows;
}

int MeasurementReport::print(QPagedPaintDevice *device)
{
    if (!device || !BeforePrint())
        return 0;
    const bool withUser = !userLine.trimmed().isEmpty();
    const Metrics m = metrics(device, withUser);
    const int total = pageCount(device, int(m_rows.size()), withUser);
    QPainter p(device);
    if (!p.isActive())
        return 0;

    double columnX[LabelCount + 1];
    double weights = 0;
    for (double w : kColumnWeights)
        weights += w;
    columnX[0] = 0;
    for (int c = 0; c < LabelCount; ++c)
        columnX[c + 1] = columnX[c] + m.width * kColumnWeights[c] / weights;
    const QPen rule(Qt::black, std::max(1.0, 0.3 * m.mm));

    auto drawRow = [&](double y, const QStringList &texts) {
        for (int c = 0; c < LabelCount && c < texts.size(); ++c)
            p.drawText(QRectF(columnX[c], y, columnX[c + 1] - columnX[c], m.rowH), Qt::AlignCenter, texts.at(c));
    };
    // Bands of one page; returns the top of the detail area.
    auto drawFrame = [&](int page) {
        double y = 0;
        if (page == 1) {
            p.setFont(m.measurement);
            const double measH = QFontMetricsF(m.measurement, device).height() * 1.4;
            p.drawText(QRectF(0, y, m.width, measH), Qt::AlignCenter, measurementLine);
            y += measH;
            p.setFont(m.base);
            const double lineH = QFontMetricsF(m.base, device).height() * 1.4;
            p.drawText(QRectF(0, y, m.width, lineH), Qt::AlignLeft | Qt::AlignVCenter, personLine);
            p.drawText(QRectF(0, y, m.width, lineH), Qt::AlignRight | Qt::AlignVCenter, dateLine);
            y += lineH;
            if (withUser) {
                p.drawText(QRectF(0, y, m.width, lineH), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("Benutzer: ") + userLine.trimmed());
                y += lineH;
            }
            y += 2 * m.mm;
            p.setPen(rule);
            p.drawLine(QPointF(0, y), QPointF(m.width, y));
            y = m.titleH;
        }
        p.setPen(Qt::black);
        p.setFont(m.header);
        p.drawText(QRectF(0, y, m.width, m.headerH), Qt::AlignCenter, QStringLiteral("Messprotokoll"));
        y += m.headerH;
        p.setFont(m.bold);
        drawRow(y, columnTitles());
        y += m.colHeadH;

        const double footTop = m.height - m.footerH;
        p.setPen(rule);
        p.drawLine(QPointF(0, footTop + 1 * m.mm), QPointF(m.width, footTop + 1 * m.mm));
        p.setPen(Qt::black);
        p.setFont(m.base);
        const QRectF footer(0, footTop + 3 * m.mm, m.width, m.footerH - 3 * m.mm);
        p.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, footerText());
        p.drawText(footer, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Seite %1 von %2").arg(page).arg(total));
        return y;
    };

    int page = 1;
    double y = drawFrame(page);
    int used = 0;
    int capacity = m.firstPageRows;
    while (true) {
        bool more = false;
        OnNeedData(more);
        if (!more)
            break;
        if (used == capacity) {
            // Printed as a job (a PDF of many pages): progress per page, and a cancel stops here.
            if (BackgroundJob::Control *job = BackgroundJob::Control::current(); job && !job->progress(page, total)) {
                p.end();
                return 0;
            }
            device->newPage();
            ++page;
            y = drawFrame(page);
            used = 0;
            capacity = m.pageRows;
        }
        p.setFont(m.base);
        QStringList texts;
        for (const QString &l : m_labels)
            texts << l;
        drawRow(y, texts);
        y += m.rowH;
        ++used;
    }
    p.end();
    if (BackgroundJob::Control *job = BackgroundJob::Control::current())
        job->progress(total, total);
    return page;
}

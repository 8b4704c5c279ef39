#include "curves/timebar.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

QImage DrawTimebar(const QVector<CurvePoint> &points, int half, int b, int f, int width, int height)
{
    QImage bar(width, height, QImage::Format_RGB32);
    bar.fill(Qt::white);
    qint64 total = 0;
    for (const CurvePoint &p : points)
        total += p.T;
    if (total <= 0)
        return bar;

    QPainter painter(&bar);
    const double scale = double(width) / double(total);
    auto fill = [&](qint64 from, qint64 to, const QColor &colour) {
        const int x1 = int(scale * double(from));
        const int x2 = int(scale * double(to));
        if (x2 > x1)
            painter.fillRect(x1, 0, x2 - x1, height, colour);
    };
    qint64 e = 0;
    qint64 onRun = 0, lastRun = 0, offAcc = 0;
    int entries = 0;
    bool marked = false;
    const qint64 b10 = qint64(std::trunc(b * 0.1)) * 10;
    for (const CurvePoint &p : points) {
        QColor colour;
        if (std::abs(p.X - 150) <= half && std::abs(p.Y - 150) <= half) {
            if (onRun == 0)
                ++entries;
            colour = QColor(0, 128, 0);
            onRun += p.T;
            lastRun = onRun;
            offAcc = 0;
        } else {
            colour = QColor(255, 0, 0);
            onRun = 0;
            offAcc += p.T;
        }
        fill(e, e + p.T, colour);
        if (!marked && entries == f
            && (qint64(std::trunc(onRun * 0.1)) * 10 == b10 || qint64(std::trunc((lastRun + offAcc) * 0.1)) * 10 == b10
                || offAcc == b)) {
            fill(e, e + 20, QColor(255, 255, 0));
            marked = true;
        }
        e += p.T;
    }

    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    // Lines closer than a pixel fall on one another: each column is drawn once.
    int lastLine = -1;
    bool lastLong = false;
    int lastText = -1000;
    for (qint64 i = 0; i <= total / 100; ++i) {
        const int x = int(std::lround(scale * double(i) * 100.0));
        const bool second = i % 10 == 0;
        if (x != lastLine || (second && !lastLong)) {
            painter.drawLine(x, height - (second ? 20 : 10), x, height - 1);
            lastLong = x == lastLine ? (lastLong || second) : second;
            lastLine = x;
        }
        if (second && i > 0 && x - lastText >= 12) {
            painter.drawText(QRect(x - 4, height - 30, 40, 12), Qt::AlignLeft | Qt::AlignTop, QString::number(i / 10));
            lastText = x;
        }
    }
    return bar;
}

TTimebar::TTimebar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Timebar"));
    setFixedSize(513, 33);
    setAttribute(Qt::WA_OpaquePaintEvent);
    clearBar();
}

void TTimebar::setBar(const QImage &bar)
{
    m_bar = bar;
    update();
}

void TTimebar::clearBar()
{
    m_bar = QImage(width(), height(), QImage::Format_RGB32);
    m_bar.fill(Qt::white);
    update();
}

void TTimebar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_bar);
}

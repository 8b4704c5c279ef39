#include "reaction/sightrender.h"

#include "platform/gdicanvas.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "reaction/runsettings.h"
#include "store/tdata.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <climits>
#include <cmath>

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

// Truncation toward zero of a value computed in extended precision.
int trunc(long double v)
{
    return int(std::trunc(v));
}

// One profile value as a whole number, halves to even; false when it cannot be read.
bool readRounded(const DataTable *table, const QString &field, int &out)
{
    const QVariant v = table->fieldValue(field);
    if (!v.isValid() || v.isNull()) {
        out = 0; // an empty field reads as 0
        return true;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    const double r = std::nearbyint(d); // default rounding mode: to nearest, halves to even
    if (r < double(INT_MIN) || r > double(INT_MAX))
        return false;
    out = int(r);
    return true;
}

// The rim of the sight: pen black 2, brush white, ellipse (1, 1)-(W, H).
void drawRim(GdiCanvas &c, int W, int H)
{
    c.setBrush(White);
    c.setPen(Black, 2);
    c.ellipse(1, 1, W, H);
}

// Front-sight tunnel, ring front sight, arms and post (the steps after the diopter).
void drawFrontSight(GdiCanvas &c, int W, int H, const SightProfile &p)
{
    const long double w = W;
    c.setBrush(White);
    const int mTA = trunc((w - p.A_Korntunnel * w * 0.01L) * 0.5L);
    c.ellipse(mTA, mTA, W - mTA, H - mTA);
    const int rTA = trunc((w - 2 * (long double)mTA) * 0.5L);
    const int pTA = mTA + 3;
    const int mTI = trunc((w - p.I_Korntunnel * w * 0.01L) * 0.5L);
    const int T = mTI - mTA;
    c.ellipse(mTI, mTI, W - mTI, H - mTI);

    c.setBrush(Black);
    c.floodFill(pTA + rTA, pTA, Black);

    c.setBrush(White);
    const int mRA = trunc((w - p.A_Ringkorn * w * 0.01L) * 0.5L);
    c.ellipse(mRA, mRA, W - mRA, H - mRA);
    const int rRA = trunc((w - 2 * (long double)mRA) * 0.5L);
    const int pRA = mRA + 3;
    const int mRI = trunc((w - p.I_Ringkorn * w * 0.01L) * 0.5L);
    c.ellipse(mRI, mRI, W - mRI, H - mRI);

    c.setBrush(Black);
    c.floodFill(pRA + rRA, pRA, Black);

    const int P = T / 2;
    c.setPenWidth(P);
    const int yTA = trunc((w - 2 * (long double)mTA) * 0.5L) + mTA;
    const int yRA = trunc((w - 2 * (long double)mRA) * 0.5L) + mRA;
    c.line(mTA + P, yTA, mRA, yRA);
    c.line(W - mTA - P, yTA, W - mRA, yRA);

    c.setPenWidth(T);
    const int xMid = trunc(w * 0.5L);
    c.line(xMid, H - mTA, xMid, H);
}

QImage whitePicture(int W, int H)
{
    QImage img(qMax(W, 0), qMax(H, 0), QImage::Format_RGB32);
    img.fill(White);
    return img;
}

// Draws the picture file centred unscaled; false when it cannot be loaded.
bool drawPictureFile(QImage &target, const QString &file)
{
    QImage loaded;
    if (!loaded.load(file) || loaded.isNull())
        return false;
    const int dx = (target.width() - loaded.width()) / 2;
    const int dy = (target.height() - loaded.height()) / 2;
    QPainter p(&target);
    if (!p.isActive())
        return false;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(dx, dy), loaded, QRect(0, 0, loaded.width(), loaded.height()));
    return true;
}

} // namespace

bool ReadSightProfile(SightProfile &profile)
{
    TData *data = TData::instance();
    const DataTable *table = data ? data->visierTable() : nullptr;
    bool ok = table && table->isOpen() && table->hasActiveRecord();
    if (ok) {
        int *const targets[] = {&profile.Diopter_Size, &profile.DiopVis_Size, &profile.A_Korntunnel,
                                &profile.I_Korntunnel, &profile.A_Ringkorn,   &profile.I_Ringkorn,
                                &profile.Spiegel_Size};
        const char *const fields[] = {"Diopter_Size", "DiopVis_Size", "A_Korntunnel", "I_Korntunnel",
                                      "A_Ringkorn",   "I_Ringkorn",   "Spiegel_Size"};
        for (int i = 0; i < 7 && ok; ++i)
            ok = readRounded(table, QString::fromLatin1(fields[i]), *targets[i]);
    }
    if (!ok)
        ShowError(QStringLiteral("\r\nFehler beim Lesen der Daten !"));
    return ok;
}

QString SightPictureFile()
{
    const QString name = RunSettings::instance().VisierDatei;
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QString();
    const QString path = QDir(ProgramPaths::vdataDir()).filePath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

QImage RenderSight(int W, int H, const SightProfile &profile, const QString &pictureFile)
{
    QImage picture = whitePicture(W, H);
    if (picture.isNull())
        return picture;
    if (!pictureFile.isEmpty()) {
        if (drawPictureFile(picture, pictureFile))
            return picture;
        ShowError(QStringLiteral("Fehler beim Laden des Visiers !"));
        picture = whitePicture(W, H);
    }

    GdiCanvas c(picture);
    const long double w = W;
    drawRim(c, W, H);
    const int mD = trunc((w - w * 0.01L * profile.DiopVis_Size) * 0.5L);
    c.ellipse(mD, mD, W - mD, H - mD);
    c.setBrush(Black);
    c.floodFill(mD - 2, trunc(w * 0.5L), Black);
    drawFrontSight(c, W, H, profile);
    return picture;
}

QImage RenderSightWithoutDiopter(int W, int H, const SightProfile &profile)
{
    QImage picture = whitePicture(W, H);
    if (picture.isNull())
        return picture;
    GdiCanvas c(picture);
    drawRim(c, W, H);
    drawFrontSight(c, W, H, profile);
    return picture;
}

void ShowSight(QPainter &painter, const QImage &picture)
{
    painter.drawImage(QRect(0, 0, picture.width(), picture.height()), picture,
                      QRect(0, 0, picture.width(), picture.height()));
}

int ZoneCircleMargin(int W, int percent, int spiegelSize)
{
    const long double w = W;
    return trunc(w * 0.5L) - trunc(w * 0.01L * percent * 0.5L) - trunc(w * 0.01L * spiegelSize * 0.5L);
}

void DrawZoneCircles(QImage &target, int spos, int sposOk, int spiegelSize)
{
    const int W = target.width();
    if (target.isNull())
        return;
    GdiCanvas c(target);
    c.setBrushClear();
    int m = ZoneCircleMargin(W, spos, spiegelSize);
    c.setPen(Red, 2);
    c.ellipse(m, m, W - m, W - m);
    m = ZoneCircleMargin(W, sposOk, spiegelSize);
    c.setPen(Green, 2);
    c.ellipse(m, m, W - m, W - m);
}

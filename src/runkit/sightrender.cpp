#include "runkit/sightrender.h"

#include "platform/gdicanvas.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "ui/pictures.h"
#include "shooters/activeshooter.h"
#include "shooters/sightdrawing.h"
#include "shooters/sightpreview.h"
#include "store/shooterstore.h"
#include "store/tdata.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <climits>
#include <cmath>

namespace {

const QColor White(255, 255, 255);
const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

// Truncation toward zero of a value computed in extended precision.
int trunc(long double v)
{
    return int(std::trunc(v));
}

// One profile value as a whole number, halves to even; false when it cannot be read.
bool readRounded(const QVariantMap &values, const QString &field, int &out)
{
    const QVariant v = values.value(field);
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

// Tunnel, ring front sight, arms and post (the steps after the diopter).
void drawFrontSight(GdiCanvas &c, int W, int H, const SightProfile &p)
{
    const SightDrawing::FrontSight f =
        SightDrawing::DrawRings(c, W, H, p.A_Korntunnel, p.I_Korntunnel, p.A_Ringkorn, p.I_Ringkorn);
    SightDrawing::DrawArmsAndPost(c, W, H, f);
}

QImage whitePicture(int W, int H)
{
    QImage img(qMax(W, 0), qMax(H, 0), QImage::Format_RGB32);
    img.fill(White);
    return img;
}

// Draws the picture file centred unscaled; false and the reason when it cannot be loaded.
bool drawPictureFile(QImage &target, const QString &file, QString *why)
{
    const QImage loaded = Pictures::loadBitmap(file, why);
    if (loaded.isNull())
        return false;
    const int dx = (target.width() - loaded.width()) / 2;
    const int dy = (target.height() - loaded.height()) / 2;
    QPainter p(&target);
    if (!p.isActive()) {
        *why = QStringLiteral("Das Bild kann nicht gezeichnet werden.");
        return false;
    }
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(dx, dy), loaded, QRect(0, 0, loaded.width(), loaded.height()));
    return true;
}

} // namespace

bool ReadSightProfile(SightProfile &profile)
{
    QVariantMap values;
    bool ok = ShooterStore().shownProfile(&values) == ShooterStore::ProfileState::Present;
    if (ok) {
        int *const targets[] = {&profile.Diopter_Size, &profile.DiopVis_Size, &profile.A_Korntunnel,
                                &profile.I_Korntunnel, &profile.A_Ringkorn,   &profile.I_Ringkorn,
                                &profile.Spiegel_Size};
        const char *const fields[] = {"Diopter_Size", "DiopVis_Size", "A_Korntunnel", "I_Korntunnel",
                                      "A_Ringkorn",   "I_RingKorn",   "Spiegel_Size"};
        for (int i = 0; i < 7 && ok; ++i)
            ok = readRounded(values, QString::fromLatin1(fields[i]), *targets[i]);
    }
    if (!ok)
        ShowError(QStringLiteral("\r\nFehler beim Lesen der Daten !"));
    return ok;
}

SightProfile NewSightProfile()
{
    const SightSizes d = SightSizes::defaults();
    SightProfile p;
    p.Diopter_Size = d.Diopter_Size;
    p.DiopVis_Size = d.DiopVis_Size;
    p.A_Korntunnel = d.A_Korntunnel;
    p.I_Korntunnel = d.I_Korntunnel;
    p.A_Ringkorn = d.A_Ringkorn;
    p.I_Ringkorn = d.I_RingKorn;
    p.Spiegel_Size = d.Spiegel_Size;
    return p;
}

SightProfileState ActiveShooterSightProfile()
{
    if (!LocateActiveShooter())
        return SightProfileState::Unknown;
    switch (ShooterStore().shownProfile()) {
    case ShooterStore::ProfileState::Present: return SightProfileState::Present;
    case ShooterStore::ProfileState::Missing: return SightProfileState::Missing;
    default: return SightProfileState::Unknown;
    }
}

SightProfile RunSightProfile(bool pictureFile)
{
    SightProfile profile = NewSightProfile();
    const ShooterStore::ProfileState state = ShooterStore().shownProfile();
    if (state == ShooterStore::ProfileState::Missing)
        return profile;   // the shooter has no profile yet
    if (state == ShooterStore::ProfileState::Present || !pictureFile)
        ReadSightProfile(profile);
    return profile;
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
        QString why;
        if (drawPictureFile(picture, pictureFile, &why))
            return picture;
        ShowError(Pictures::pictureFileMessage(QStringLiteral("Fehler beim Laden des Visiers !"), pictureFile, why));
        picture = whitePicture(W, H);
    }

    GdiCanvas c(picture);
    SightDrawing::DrawRim(c, W, H);
    SightDrawing::DrawDiopter(c, W, H, profile.DiopVis_Size);
    drawFrontSight(c, W, H, profile);
    return picture;
}

QImage RenderSightWithoutDiopter(int W, int H, const SightProfile &profile)
{
    QImage picture = whitePicture(W, H);
    if (picture.isNull())
        return picture;
    GdiCanvas c(picture);
    SightDrawing::DrawRim(c, W, H);
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

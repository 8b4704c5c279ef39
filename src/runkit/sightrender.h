#pragma once
#include <QImage>
#include <QString>

class QPainter;

// The seven sight-profile values of the current VisierTable row, as whole numbers.
struct SightProfile
{
    int Diopter_Size = 0;
    int DiopVis_Size = 0;
    int A_Korntunnel = 0;
    int I_Korntunnel = 0;
    int A_Ringkorn = 0;
    int I_Ringkorn = 0;
    int Spiegel_Size = 0;
};

// Reads the profile of the active shooter (current row of VisierTable) in the
// order Diopter_Size, DiopVis_Size, A_Korntunnel, I_Korntunnel, A_Ringkorn,
// I_Ringkorn, Spiegel_Size, each rounded to the nearest whole number (halves
// to even). On the first failure shows "\r\nFehler beim Lesen der Daten !",
// keeps the values not yet read and returns false.
bool ReadSightProfile(SightProfile &profile);

// The values of a new sight profile (those the sight-profile dialog offers).
SightProfile NewSightProfile();

// Whether the active shooter has a sight profile: Missing when his record is
// found and the profile table shows no row for him; Unknown without an active
// shooter or open tables. Makes his record the shooter table's current row.
enum class SightProfileState { Unknown, Present, Missing };
SightProfileState ActiveShooterSightProfile();

// The profile a run draws and sizes its target with, for the shooter table's
// current record: his stored profile, read afresh; without one the values of
// a new profile and no message. With a picture file a profile table that
// cannot be read is no error either. Never values of an earlier read.
SightProfile RunSightProfile(bool pictureFile);

// Full path of the sight picture chosen in RunSettings::VisierDatei when that
// file exists in "vdata"; empty otherwise.
QString SightPictureFile();

// Builds the sight picture W x H: the picture file centred unscaled (cropped
// when larger), or, without a file or when it cannot be loaded (message
// "Fehler beim Laden des Visiers !" with the file and the reason), drawn
// from the profile.
QImage RenderSight(int W, int H, const SightProfile &profile, const QString &pictureFile);
// The sight-view window's variant: the profile drawing without the diopter.
QImage RenderSightWithoutDiopter(int W, int H, const SightProfile &profile);

// Copies the picture onto the paint box (one plain copy).
void ShowSight(QPainter &painter, const QImage &picture);

// Margin of a position circle of the sight-view window on a paint box of width W:
// trunc(W/2) - trunc(W * 0.01 * percent / 2) - trunc(W * 0.01 * spiegelSize / 2).
int ZoneCircleMargin(int W, int percent, int spiegelSize);
// Draws the two position circles (pen width 2, not filled) over the picture:
// red for the spread of the target positions, green for the valid-hit zone.
void DrawZoneCircles(QImage &target, int spos, int sposOk, int spiegelSize);

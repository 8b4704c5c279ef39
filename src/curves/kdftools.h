#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <random>

// Curve sets ("kdata/<set>/*.kdf"), shooting systems ("sdata/*.bmp" + ".def")
// and sight pictures ("vdata/*.bmp") of the individual-curve test.

// Hard limits of a curve that is presented at all: beyond them a curve runs
// for hours or its times overflow.
constexpr int MaxCurvePoints = 10000;
constexpr int MaxHoldMs = 10000;

// One curve (one section "1" to "5" of a .kdf file) as read.
struct CurveDefinition
{
    bool Rec = false;
    int Points = 0;
    QString Description;
    int Speed = 3;
    QStringList PointTexts;   // "0" ... Points-1, only when Rec and Points > 0
};

struct CurvePoint
{
    int X = 0;   // sight centre in the 300 x 300 display
    int Y = 0;
    int T = 0;   // ms the sight stays at this point
};

struct MirrorDef
{
    int X = 0;   // centre of the mirror in the shooting-system picture
    int Y = 0;   // read, not used
    int S = 0;   // size of the hit zone; half of it either way counts
};

// Reads section `section` of the curve file; a missing file or section gives
// the defaults (an empty curve).
CurveDefinition ReadCurveDefinition(const QString &filePath, const QString &section);

// True when every part of the point text fits a 32-bit int (the digit reader
// gives 0 for a larger one, which would be taken for a real value).
bool PointTextFits(const QString &text);

// The points of a curve that may be presented. False (and no points) when a
// point has a part beyond 32 bits, "Points" exceeds MaxCurvePoints or a hold
// exceeds MaxHoldMs: such a curve presents nothing.
bool DecodeCurvePoints(const CurveDefinition &curve, QVector<CurvePoint> *points);

// Problems of one curve file as German texts, empty when it is sound:
// unreadable, missing sections "1" to "5", missing point keys, values beyond
// the limits above.
QStringList CheckCurveFile(const QString &filePath);

// The five mirrors of a shooting system. A mirror is faulty when its key is
// missing or "leer", a part does not fit 32 bits, or (with a known picture
// width) its X lies outside the picture.
struct MirrorDefinitions
{
    QStringList texts;            // the sound values, in mirror order
    QVector<MirrorDef> mirrors;   // always five, index 0 = mirror 1; faulty ones are zero
    QList<int> faulty;            // mirror numbers 1 to 5
    QStringList reasons;          // why each faulty mirror is faulty, with its value
    bool fileRead = false;        // the definition file could be read
    bool ok() const { return faulty.isEmpty(); }
    // "Defintionsdaten Spiegel n der Schussanlage fehlerhaft." per faulty mirror.
    QStringList messages() const;
    // All faulty mirrors in one text: the file, then one line per mirror with its reason.
    QString report(const QString &defPath) const;
};
MirrorDefinitions ReadMirrorDefinitions(const QString &defPath, int pictureWidth = -1);

// The definition file beside a shooting-system picture: same folder, the
// picture's name up to its first "." plus ".def".
QString DefinitionFileFor(const QString &picturePath);

// The listings, in name order; extensions match without regard to case.
QStringList ListCurveSets(const QString &kdataDir);        // every entry but "." and ".."
QStringList ListCurveFiles(const QString &setDir);          // full paths of "*.kdf"
QStringList ListShootingSystems(const QString &sdataDir);   // "*.bmp" with a definition beside it
QStringList ListSightPictures(const QString &vdataDir);     // "*.bmp"

// Fisher-Yates: while n > 1 draw j from 0 ... n-1, n -= 1, swap entries n and j.
void ShuffleCurveFiles(QStringList &files, std::mt19937 &rng);
// A generator seeded from the program clock.
std::mt19937 ClockSeededGenerator();

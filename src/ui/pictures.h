#pragma once
#include <QImage>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn in code: the same pixels on every call.
// All but the splash have a transparent background. Text is drawn only on
// the splash; everything else is made of shapes, so it needs no font.
namespace Pictures {

constexpr int TrafficLightCount = 6;
constexpr int TrafficLightSize = 28;

// One lamp of the traffic light, 28 x 28: 0 red dark, 1 yellow dark,
// 2 green dark, 3 red lit, 4 yellow lit, 5 green lit. Any other index gives
// a null image.
QImage trafficLight(int index);

// The maker's logo "NRV" with a target ring, for the title strip (41 pixels
// high) and the product information box.
QImage logo();

// The splash picture, 358 x 263, with the program name. Its bottom band
// (from SplashStatusTop down) is kept plain for the status line and version.
constexpr int SplashWidth = 358;
constexpr int SplashHeight = 263;
constexpr int SplashStatusTop = 228;
QImage splash();

// Shooter silhouette for the active-shooter panel and the select dialog, 32 x 32.
QImage userPicture();

// Battery symbol for the battery status window, 72 x 36.
QImage battery();

// Information sign for the info box, 32 x 32.
QImage infoPicture();

// The same pictures as pixmaps (needs the GUI application).
inline QPixmap pixmap(const QImage &image) { return QPixmap::fromImage(image); }

// Pictures read from files (sight pictures, shooting systems) are Windows
// bitmaps of at most MaxBitmapSide pixels a side and MaxBitmapPixels in all.
constexpr int MaxBitmapSide = 8192;
constexpr qint64 MaxBitmapPixels = qint64(16) * 1024 * 1024;

// Reads a Windows bitmap file. Its headers are checked against the file
// before it is decoded: a file shorter than its header says, pixel data
// outside the file, no or too many pixels, or data that cannot be decoded
// give a null image and the reason as a German sentence in *why.
QImage loadBitmap(const QString &path, QString *why = nullptr);

// The message for a picture file that cannot be loaded: the headline, the
// file and the reason.
QString pictureFileMessage(const QString &headline, const QString &path, const QString &why);

} // namespace Pictures

#include "ui/weblinks.h"

#include <QDesktopServices>
#include <QUrl>

bool WebLinks::Open(const QString &url) { return QDesktopServices::openUrl(QUrl(url)); }

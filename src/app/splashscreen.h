#pragma once
#include <QWidget>

class QLabel;

// Borderless start picture with a status line and the version.
class SplashScreen : public QWidget
{
    Q_OBJECT
public:
    explicit SplashScreen(QWidget *parent = nullptr);
    // Replaces the status line and repaints at once.
    void setStatus(const QString &text);
    QString status() const;

private:
    QLabel *m_status;
    QLabel *m_version;
};

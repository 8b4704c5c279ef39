#pragma once
#include <QWidget>

class QLabel;

// Borderless start picture with a status line and the version.
class TSplash_Form : public QWidget
{
    Q_OBJECT
public:
    explicit TSplash_Form(QWidget *parent = nullptr);
    // Replaces the status line and repaints at once.
    void SetSplashStatus(const QString &text);
    QString status() const;

private:
    QLabel *m_status;
    QLabel *m_version;
};

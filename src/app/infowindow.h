#pragma once
#include <QDialog>

class QLabel;

// Small tool window "Vantrel Reaktion" with a picture and one text, shown
// while the program works (backup at exit).
class InfoWindow : public QDialog
{
    Q_OBJECT
public:
    explicit InfoWindow(QWidget *parent = nullptr);
    QString text() const;

public slots:
    // Shows the box with the text, repaints it and waits 700 ms.
    void showInfoBox(const QString &text);
    void hideInfoBox();

private:
    QLabel *m_text;
};

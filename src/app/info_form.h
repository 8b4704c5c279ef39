#pragma once
#include <QDialog>

class QLabel;

// Small tool window "Vantrel Reaktion" with a picture and one text, shown
// while the program works (backup at exit).
class TInfo_Form : public QDialog
{
    Q_OBJECT
public:
    explicit TInfo_Form(QWidget *parent = nullptr);
    QString text() const;

public slots:
    // Shows the box with the text, repaints it and waits 700 ms.
    void ShowInfoBox(const QString &text);
    void HideInfoBox();

private:
    QLabel *m_text;
};

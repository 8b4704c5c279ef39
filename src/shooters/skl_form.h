#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The reference weight in grams from an entry text: its digits in their
// order (no digits give 0). False when there is no usable weight (0 or too large).
bool WeightFromEntry(const QString &text, int *grams);

// "Sensorkennlinie aufnehmen": asks for the weight put on the force sensor
// for the scale factor. The calibration sets Gewicht to 0 before showing it;
// after an OK it holds the weight in grams (never 0).
class TSKL_Form : public QDialog
{
    Q_OBJECT
public:
    // Modal result of a wrong entry.
    static constexpr int AbortResult = 3;

    explicit TSKL_Form(QWidget *parent = nullptr);
    ~TSKL_Form() override;

    int Gewicht = 0; // reference weight in grams

    // "&Weiter": takes the weight and closes with OK, or shows
    // "Falsche Gewichtseingabe !" and closes with AbortResult.
    void Weiter_ButtonClick();

    QLabel *Info_Label;
    QLabel *Gewicht_Label;
    QLineEdit *Gewicht_Edit;
    QPushButton *Weiter_Button;
    QPushButton *Cancel_Button;

protected:
    void showEvent(QShowEvent *event) override;
};

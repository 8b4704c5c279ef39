#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The reference weight in grams from an entry text: its digits in their
// order (no digits give 0). False when there is no usable weight (0 or too large).
bool WeightFromEntry(const QString &text, int *grams);

// "Sensorkennlinie aufnehmen": asks for the weight put on the force sensor
// for the scale factor. askWeight() shows it and gives the weight in grams
// after "&Weiter", 0 otherwise.
class ReferenceWeightDialog : public QDialog
{
    Q_OBJECT
public:
    // Modal result of a wrong entry.
    static constexpr int AbortResult = 3;

    explicit ReferenceWeightDialog(QWidget *parent = nullptr);
    ~ReferenceWeightDialog() override;

    // Clears the weight, runs the dialog; the weight in grams, 0 when not confirmed.
    int askWeight();
    // The weight taken by the last "&Weiter" (0 before, and after a wrong entry).
    int weight() const { return m_weight; }

    // "&Weiter": takes the weight and closes with OK, or shows
    // "Falsche Gewichtseingabe !" and closes with AbortResult.
    void continueClicked();

    QLineEdit *weightEdit() const { return m_weightEdit; }
    QPushButton *continueButton() const { return m_continueButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    int m_weight = 0;  // grams
    QLabel *m_infoLabel;
    QLabel *m_weightLabel;
    QLineEdit *m_weightEdit;
    QPushButton *m_continueButton;
    QPushButton *m_cancelButton;
};

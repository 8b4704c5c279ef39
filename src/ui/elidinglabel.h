#pragma once
#include <QLabel>

// A one-line plain-text label that draws its text shortened with "…" to the
// width it gets, so a long name never widens its window. text() keeps the
// full text, which also shows as tooltip while it is cut.
class ElidingLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

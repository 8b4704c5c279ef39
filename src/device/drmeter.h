#pragma once
#include <QColor>
#include <QPointF>
#include <QWidget>

// A half-circle dial meter: the scale runs over the upper half circle, the
// needle points left at Min and right at Max. ScalePoints intervals divide
// the scale; their ticks are labelled in percent of the range or with the
// values themselves.
class TDRMeter : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE setMin)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Position READ Position WRITE setPosition)
    Q_PROPERTY(int ScalePoints READ ScalePoints WRITE setScalePoints)
    Q_PROPERTY(bool DisplayText READ DisplayText WRITE setDisplayText)
    Q_PROPERTY(bool ColorGradient READ ColorGradient WRITE setColorGradient)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)

public:
    enum class Scale { Value, Percent };

    explicit TDRMeter(QWidget *parent = nullptr);

    int Min() const { return m_min; }
    void setMin(int value);
    int Max() const { return m_max; }
    void setMax(int value);

    int Position() const { return m_position; }
    // Ignored when the value lies outside Min..Max, equals the current
    // position, or the dial has not been painted yet; otherwise the needle
    // moves there.
    void setPosition(int value);

    Scale DisplayScale() const { return m_scale; }
    void setDisplayScale(Scale scale);
    int ScalePoints() const { return m_scalePoints; }
    void setScalePoints(int intervals);       // at least 1
    bool DisplayText() const { return m_displayText; }
    void setDisplayText(bool on);
    bool ColorGradient() const { return m_gradient; }
    void setColorGradient(bool on);           // scale red to green instead of ScaleColor
    bool Border() const { return m_border; }
    void setBorder(bool on);

    QColor Color() const { return m_background; }
    void setColor(const QColor &color);
    QColor ScaleColor() const { return m_scaleColor; }
    void setScaleColor(const QColor &color);
    QColor NeedleColor() const { return m_needleColor; }
    void setNeedleColor(const QColor &color);
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);

    // True once the dial has been painted.
    bool Painted() const { return m_painted; }

    // Dial geometry at the current size: centre of the needle's pivot,
    // radius of the scale arc and length of the needle.
    QPointF DialCentre() const;
    qreal DialRadius() const;
    qreal NeedleLength() const;
    // Angle of the needle at a position, in degrees: 180 at Min, 0 at Max.
    qreal NeedleAngle(int position) const;
    // Text of the label at tick i (0 .. ScalePoints).
    QString ScaleLabel(int tick) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int labelSpace() const;

    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    Scale m_scale = Scale::Percent;
    int m_scalePoints = 10;
    bool m_displayText = true;
    bool m_gradient = false;
    bool m_border = false;
    QColor m_background;
    QColor m_scaleColor = QColor(255, 255, 255);
    QColor m_needleColor = QColor(255, 0, 0);
    QColor m_fontColor = QColor(255, 255, 255);
    bool m_painted = false;
};

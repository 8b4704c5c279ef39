#pragma once
#include <QHash>
#include <QObject>

class QLabel;
class QWidget;

// The hint areas of a page: the pointer entering a control writes the
// control's text into its area (a label); the text stays when the pointer
// leaves, the next control replaces it.
class HoverHints : public QObject
{
    Q_OBJECT
public:
    explicit HoverHints(QObject *parent = nullptr);

    // Hover on `control` writes `text` into `area`.
    void add(QWidget *control, const QString &text, QLabel *area);

    // A word-wrapped hint area, text at the top left.
    static QLabel *makeArea(QWidget *parent, const QString &objectName, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Hint
    {
        QString text;
        QLabel *area;
    };
    QHash<QObject *, Hint> m_hints;
};

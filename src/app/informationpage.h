#pragma once
#include <QWidget>
#include <functional>

class QLabel;

// "Information": the maker's logo, web site and support address; a click on
// an address hands it to the desktop.
class InformationPage : public QWidget
{
    Q_OBJECT
public:
    explicit InformationPage(QWidget *parent = nullptr);

    // What hands an address to the desktop (tests replace them).
    using Opener = std::function<bool(const QString &)>;
    void setOpeners(Opener webPage, Opener mailAddress);

    // The two links.
    void homepageClicked();
    void supportMailClicked();

    QLabel *homepageLabel() const { return m_homepageLabel; }
    QLabel *supportMailLabel() const { return m_supportMailLabel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Opener m_openWebPage;
    Opener m_openMailAddress;
    QLabel *m_homepageLabel;
    QLabel *m_supportMailLabel;
};

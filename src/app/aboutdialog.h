#pragma once
#include <QDialog>

class QLabel;

// Product information box: logo, "Vantrel" / "Reaktion" and the versions of
// the program and of the two libraries it is built on (Qt, SQLite).
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // Fills the three version labels; logged each time the box is shown.
    void fillVersions();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_version;
    QLabel *m_infoDll;
    QLabel *m_dbDll;
};

// Version of the SQLite library behind the database connection ("" when unknown).
QString SqliteVersionText();

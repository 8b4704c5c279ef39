#pragma once
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <functional>

struct DatabaseTarget;
namespace ServerLogin {
struct Probe;
}

class HoverHints;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct Settings;
struct SettingsDialogValues;

// "Allgemein": the user name, the program options and the database the next
// start opens, with a hint area that explains the control under the mouse pointer.
class GeneralPage : public QWidget
{
    Q_OBJECT
public:
    explicit GeneralPage(QWidget *parent = nullptr);

    // The controls show the record.
    void load(const Settings &settings);
    // The page's part of what SaveSettings takes.
    void store(SettingsDialogValues &values) const;

    // A click on the group "Programm" itself.
    void programGroupClicked();

    QGroupBox *programGroup() const { return m_programGroup; }
    QLabel *userLabel() const { return m_userLabel; }
    QLineEdit *userEdit() const { return m_userEdit; }
    QCheckBox *offlineBox() const { return m_offlineBox; }
    QCheckBox *backupBox() const { return m_backupBox; }
    QCheckBox *reorgBox() const { return m_reorgBox; }
    QCheckBox *logfileBox() const { return m_logfileBox; }
    QCheckBox *soundBox() const { return m_soundBox; }
    QLabel *hintLabel() const { return m_hintLabel; }

    QGroupBox *databaseGroup() const { return m_databaseGroup; }
    QRadioButton *localButton() const { return m_localButton; }
    QRadioButton *serverButton() const { return m_serverButton; }
    QLineEdit *serverEdit() const { return m_serverEdit; }
    QSpinBox *portBox() const { return m_portBox; }
    QLineEdit *dbNameEdit() const { return m_dbNameEdit; }
    QLineEdit *dbUserEdit() const { return m_dbUserEdit; }
    QPushButton *testButton() const { return m_testButton; }

    // "Verbindung testen": tries the entered server and says how it went; a
    // missing or wrong password offers an entry in the password file. The
    // try runs on a thread of its own behind a busy dialog whose "Abbrechen"
    // forgets it.
    void testConnection();
    // The busy dialog while a try runs; nullptr otherwise.
    QProgressDialog *connectionProbeDialog() const { return m_probeDialog; }

    // Asks the password for the password file; false when cancelled. Tests
    // replace the input dialog.
    using PasswordPrompt = std::function<bool(const QString &label, QString *password)>;
    void setPasswordPrompt(PasswordPrompt prompt) { m_passwordPrompt = std::move(prompt); }

    static const QString GroupHint;  // text of a click on the group "Programm"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startProbe(const DatabaseTarget &target, bool passwordWritten);
    void probeDone(const DatabaseTarget &target, const ServerLogin::Probe &result, bool passwordWritten);

    QPointer<QProgressDialog> m_probeDialog;
    int m_probeSerial = 0;   // a try whose number is no longer current was cancelled
    HoverHints *m_hints;
    QGroupBox *m_programGroup;
    QLabel *m_userLabel;
    QLineEdit *m_userEdit;
    QCheckBox *m_offlineBox;
    QCheckBox *m_backupBox;
    QCheckBox *m_reorgBox;
    QCheckBox *m_logfileBox;
    QCheckBox *m_soundBox;
    QLabel *m_hintLabel;
    QGroupBox *m_databaseGroup;
    QRadioButton *m_localButton;
    QRadioButton *m_serverButton;
    QLineEdit *m_serverEdit;
    QSpinBox *m_portBox;
    QLineEdit *m_dbNameEdit;
    QLineEdit *m_dbUserEdit;
    QPushButton *m_testButton;
    PasswordPrompt m_passwordPrompt;

    void updateServerFields();
};

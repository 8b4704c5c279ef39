#pragma once
#include <QWidget>

class HoverHints;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
struct Settings;
struct SettingsDialogValues;

// "Allgemein": the user name and the program options, with a hint area that
// explains the control under the mouse pointer.
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

    static const QString GroupHint;  // text of a click on the group "Programm"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
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
};

#pragma once

class QApplication;
class QDialog;
class SetupDialogBase;
class TData;
class CurveTestWindow;
class CurveSetupDialog;
class MainWindow;

#include <memory>

// The start up to the shown main window (splash, data module, main window,
// the other windows); the end when it goes away. Desktop tests drive it.
class ProgramSession
{
public:
    explicit ProgramSession(QApplication &app);
    ~ProgramSession();
    MainWindow &mainWindow() { return *m_main; }

private:
    std::unique_ptr<TData> m_data;
    std::unique_ptr<MainWindow> m_main;
    bool m_ended = false;
};

// The program's start and end: splash, data module, main window and the
// other windows (each created once), message loop; the end runs when the
// main window closes.
int RunProgram(QApplication &app);

// Tests 1 and 2 as the main window starts them: setup dialog, then test window.
void RegisterReactionTest(MainWindow &mainWindow, int test, SetupDialogBase *setup, QDialog *window);

// Test 3 as the main window starts it: its setup dialog, then its test window.
void RegisterCurveTest(MainWindow &mainWindow, CurveSetupDialog *setup, CurveTestWindow *window);

#pragma once

class QApplication;

// The program's start and end: splash, data module, main window and the
// other windows (each created once), message loop; the end runs when the
// main window closes.
int RunProgram(QApplication &app);

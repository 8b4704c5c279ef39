#pragma once
class QWidget;

// "Daten &exportieren...": every stored measurement of every shooter into one
// CSV file chosen in a file dialog.
void ExportAllData(QWidget *parent);

#pragma once
#include <QString>

class BackgroundJob;
class QProgressDialog;
class QWidget;

// A window-modal progress dialog over parent that follows job's progress
// (a busy bar while the job knows no total) and whose "Abbrechen" cancels
// the job. It closes and deletes itself when the job has finished; start
// the job after this call.
QProgressDialog *ShowJobProgress(BackgroundJob *job, const QString &title, const QString &label, QWidget *parent);

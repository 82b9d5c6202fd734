// Where the program keeps its files, and the folder given on its command line.
#pragma once

#include <QString>
#include <QStringList>

// The names the per-user folders and the settings store go by: the
// organisation "Tarvove feke" and the application "Grabulo".
void NameTheApplication();

// The folder of the executable, where "help.htm" lies.
QString ExecutableFolder();
// The program's own folder for "dl.ini" and "error.log": GRABULO_HOME when
// set; else the executable's folder when it is writable; else the per-user
// data folder (created on demand). Always without a trailing slash.
QString ProgramFolder();
// A file of the program's own folder, e.g. ProgramFile("dl.ini").
QString ProgramFile(const QString &name);
// The words of the command line after the program's name, read before any
// application object exists (in the locale's encoding).
QStringList CommandLineWords(int argc, char *argv[]);
// The command line's arguments with a relative FOLDER (the second) made
// absolute against the folder the program was started in: the start-up
// enters the stored save folder before the command line runs.
QStringList WithAbsoluteFolder(QStringList arguments, const QString &startFolder);

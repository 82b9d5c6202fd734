// Every test program runs with its own temporary HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME and program folder (GRABULO_HOME), so no test ever touches
// the real user's settings or files.
#pragma once

#include <QString>

namespace testenv {

// Creates the temporary folders and points the environment at them. Called
// by the shared test main before the application object exists.
void Install();

// What every test program's main routine does first: the signals set as
// the program sets them (a write past the file-size limit or to a closed
// socket fails as an error), the private environment, GoogleTest's flags.
void PrepareTestProgram(int &argc, char **argv);

// The temporary root, the program folder and the settings file.
QString Root();
QString ProgramFolder();
QString SettingsFile();

// Removes the settings file so the next read sees a first start.
void ClearSettings();

// A fresh empty folder under the temporary root, for one test's files.
QString NewFolder(const QString &hint);

}  // namespace testenv

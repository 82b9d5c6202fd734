// An open or save dialog as the window holds it: its filter ("description|
// pattern" pairs), default extension and the last chosen file. Execute asks
// the dialog interface, so unattended runs and tests never block on it.
#pragma once

#include <QString>

struct TFileDialog {
    enum Kind { Open, Save };

    Kind kind = Open;
    QString Filter;
    QString DefaultExt;
    QString FileName;

    // True when the user chose a file; FileName then holds it.
    bool Execute();
};

// The hidden file in the save folder that a body is written to until it is
// known to be whole.
#pragma once

#include <QByteArray>
#include <QString>

// Picks a free ".grabulo-XXXXXX.part" name; the transfer creates the file as
// a new one only (or continues one that an interrupted transfer left). Removed when the object ends unless it got its final name
// (Keep), so no way out leaves a partial file behind.
// Whether a new file can be made in the save folder (the current folder):
// empty when it can, else the system's reason (gone, not writable, full).
QString FolderRefusesFiles();

class TPartFile {
public:
    TPartFile();
    // Takes over a part file an earlier, interrupted transfer left, to be
    // continued; removed at the end like a new one unless kept.
    explicit TPartFile(const QByteArray &existing);
    // Whether name can be a part file's: ".grabulo-" and ".part" around
    // letters and digits, in the current folder.
    static bool IsPartName(const QByteArray &name);
    // Whether a part file of this process has the name.
    static bool InUse(const QByteArray &name);
    ~TPartFile();
    TPartFile(const TPartFile &) = delete;
    TPartFile &operator=(const TPartFile &) = delete;

    const QByteArray &Name() const { return name_; }
    void Keep() { kept_ = true; }

private:
    QByteArray name_;
    bool kept_ = false;
};

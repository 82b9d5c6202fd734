// TCaptureFile: the file that a capture (or the response header block)
// is written to. Created, or emptied when it exists, on construction (with
// createNew, an existing entry of that name is a creation error instead);
// never opened through a symbolic link;
// every failed or short write and a failed close raise EInOutError with the
// system's message (disk full, file-size limit), so a failed write never
// passes for a complete file.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class TCaptureFile {
public:
    // Raises EFCreateError "Cannot create file "path". reason".
    explicit TCaptureFile(const QByteArray &path, bool createNew = false);
    ~TCaptureFile();
    TCaptureFile(const TCaptureFile &) = delete;
    TCaptureFile &operator=(const TCaptureFile &) = delete;

    void Write(const char *data, qsizetype size);
    void Write(const QByteArray &bytes) { Write(bytes.constData(), bytes.size()); }
    void Close();

private:
    int fd_;
};

// TCaptureFile: the file that a capture (or the response header block)
// is written to. Never opened through a symbolic link; every failed or
// short write and a failed close raise EInOutError with the system's
// message (disk full, file-size limit), so a failed write never passes for
// a complete file.
#pragma once

#include <QByteArray>
#include <QtGlobal>

// What opening does with the file of that name.
enum class TCaptureOpen {
    Replace,    // created, or emptied when it exists
    CreateNew,  // created; any existing entry of that name is a creation error
    Append,     // an existing regular file, written at its end (resuming)
    Rewrite,    // a regular file (created when missing) emptied only once it
                // is known to be one: nothing else is ever truncated
};

class TCaptureFile {
public:
    // Raises EFCreateError "Cannot create file "path". reason" (Replace,
    // CreateNew, Rewrite) or EFOpenError "Cannot open file ..." (Append);
    // Append and Rewrite refuse anything but a regular file (a folder, a
    // device, a pipe) with the reason "Not a regular file".
    TCaptureFile(const QByteArray &path, TCaptureOpen mode);
    explicit TCaptureFile(const QByteArray &path, bool createNew = false)
        : TCaptureFile(path, createNew ? TCaptureOpen::CreateNew : TCaptureOpen::Replace)
    {
    }
    ~TCaptureFile();
    TCaptureFile(const TCaptureFile &) = delete;
    TCaptureFile &operator=(const TCaptureFile &) = delete;

    // The size of the open file now (0 after Rewrite); raises EInOutError.
    qint64 Size() const;
    void Write(const char *data, qsizetype size);
    void Write(const QByteArray &bytes) { Write(bytes.constData(), bytes.size()); }
    void Close();

private:
    int fd_;
};

// The hidden file in the save folder that a body is written to until it is
// known to be whole.
#pragma once

#include <QByteArray>

// Picks a free ".grabulo-XXXXXX.part" name; the transfer creates the file as
// a new one only. Removed when the object ends unless it got its final name
// (Keep), so no way out leaves a partial file behind.
class TPartFile {
public:
    TPartFile();
    ~TPartFile();
    TPartFile(const TPartFile &) = delete;
    TPartFile &operator=(const TPartFile &) = delete;

    const QByteArray &Name() const { return name_; }
    void Keep() { kept_ = true; }

private:
    QByteArray name_;
    bool kept_ = false;
};

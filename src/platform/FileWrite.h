#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

// Writes `bytes` as the whole content of `path`, checking every step down to the disk.
//
// A regular file (or a new one) is written beside the target and renamed over it only when every byte was
// written and flushed: a full disk or any other failure leaves the old file as it was, or no file at all,
// never a short one. A target that exists and is no regular file (a device such as /dev/full or
// /dev/stdout, a pipe) cannot be replaced and is written in place; a short write fails there as well.
//
// False with the system's reason in *error ("No space left on device"); the caller names the file.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace korvel

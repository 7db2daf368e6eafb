#include "platform/FileWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace korvel {

namespace {

// Qt's devices often say only "Unknown error" for a failed write; the system's code (no space left, file
// too large, I/O error) is the reason worth showing.
QString reasonOf(int code, const QFileDevice& file)
{
    return code != 0 ? qt_error_string(code) : file.errorString();
}

bool fail(const QString& why, QString* error)
{
    if (error) {
        *error = why;
    }
    return false;
}

// A device or a pipe: replacing it with a regular file (what a rename would do) is never wanted.
bool writeInPlace(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(reasonOf(errno, file), error);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        return fail(reasonOf(errno, file), error);
    }
    return true;
}

} // namespace

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        return writeInPlace(path, bytes, error);
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(reasonOf(errno, file), error);
    }
    // A small write only fills the device's buffer; its failure shows at the flush, which commit() would
    // do without reporting it (and then rename an empty file over the old one). Flush here and compare.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        const QString why = reasonOf(errno, file);
        file.cancelWriting(); // the partial file written aside goes with the device
        return fail(why, error);
    }
    errno = 0;
    if (!file.commit()) {
        return fail(reasonOf(errno, file), error);
    }
    return true;
}

} // namespace korvel

// Saving a file as a desktop tool should: written under a temporary name beside its target and
// renamed into place only when every byte went out, so a failure leaves no partial file and
// never replaces a good one; and a failure told in a message box that names the file and why.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>

class QSaveFile;
class QWidget;

// Writes through `write` and puts the file in place; otherwise `reason` says why, in words.
bool WriteFileAtomically(const QString& path, const std::function<bool(QSaveFile&)>& write,
                         QString& reason);
// Opens `file` (not yet open) without Qt's write buffer, so each write reaches the system at
// once and a failure shows at the write that met it; a folder at the name is refused.
bool OpenForWriting(QSaveFile& file, QString& reason);
// Puts a file opened by OpenForWriting in place once everything written is on disk. Otherwise
// the name keeps what it held and `reason` says why.
bool CommitWritten(QSaveFile& file, QString& reason);
// Writes all `length` bytes or says it could not.
bool WriteAll(QSaveFile& file, const void* data, size_t length);
// The bytes as the whole file.
bool SaveBytes(const QString& path, const void* data, size_t length, QString& reason);

// Tells the operator in a box owned by `owner` (and the log) that `what` ("The still") could
// not be saved as `path`, and why.
void ReportSaveFailure(QWidget* owner, const char* what, const QString& path,
                       const QString& reason);

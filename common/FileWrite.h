#pragma once
// Whole-file writes that either replace the file completely or leave it as
// it was: temporary file beside it, flush to disk, rename.
#include <QByteArray>
#include <QString>

// False when the file (or, for a new file, its folder) cannot be written.
// The owner-write bit counts even for a user (root) whom the system would
// let write anyway: a rename must never replace a read-only file.
bool CanWriteFile(const QString &fileName);

// True for an existing folder that can be written, by the same rule.
bool IsWritableFolder(const QString &folder);

// Writes `bytes` as the whole content of the file; false on any failure,
// with the old file untouched.  The file keeps its permissions.  A folder
// that takes no temporary file while the file can be written gets the file
// written in place instead (not atomic, but saved).  Temporary files that
// earlier saves of the same file left behind when they were killed are
// removed first.
bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes);

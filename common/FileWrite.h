#pragma once
// Whole-file writes that either replace the file completely or leave it as
// it was: temporary file, flush to disk, rename.
#include <QByteArray>
#include <QString>

// False when the file (or, for a new file, its folder) cannot be written.
// The owner-write bit counts even for a user (root) whom the system would
// let write anyway: a rename must never replace a read-only file.
bool CanWriteFile(const QString &fileName);

// True for an existing folder that can be written, by the same rule.
bool IsWritableFolder(const QString &folder);

// Writes `bytes` as the whole content of the file; false on any failure,
// with the old file untouched.
bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes);

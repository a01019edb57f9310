#pragma once
// Whole-file writes that either replace the file completely or leave it as
// it was: temporary file beside it, flush to disk, rename.
#include <QByteArray>
#include <QString>
#include <functional>

// False when the file (or, for a new file, its folder) cannot be written.
// The owner-write bit counts even for a user (root) whom the system would
// let write anyway: a rename must never replace a read-only file.
bool CanWriteFile(const QString &fileName);

// True for an existing folder that can be written, by the same rule.
bool IsWritableFolder(const QString &folder);

// Writes `bytes` as the whole content of the file; false on any failure,
// with the old file untouched.  The file keeps its permissions.  A folder
// that takes no temporary file while the file can be written gets the file
// written in place instead (not atomic, but whole on every failure that
// can be seen, and put back at the next start after a kill: see
// SaveBackup.h).  Temporary files that
// earlier saves of the same file left behind when they were killed are
// removed first.
bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes);

// The steps of a save, for tests: the temporary file beside the file, the
// copy of the old bytes kept during an in-place write, the room made for the
// new bytes, each piece written in place, the file written and synced, and
// the putting back of the old bytes after a failure.
enum class TWriteStep { Temporary, Backup, Reserve, Write, Written, Restore };
// Called before each step; a hook that returns false makes that step fail
// (Temporary as a folder that takes no new file, the others as a full
// disk).  An empty hook ends it.
void SetFileWriteHookForTest(std::function<bool(TWriteStep)> hook);

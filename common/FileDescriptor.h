#pragma once
// Small helpers on open file descriptors for the file writes.
#include <QByteArray>

namespace Fd {

// Writes every byte from the current offset, going on after EINTR.
bool WriteAll(int fd, const char *data, qsizetype size);
// Reads the whole file from its start.
bool ReadAll(int fd, QByteArray &bytes);
// Makes `bytes` the whole content of the file and syncs it.
bool ReplaceContent(int fd, const QByteArray &bytes);
// Syncs a folder, so that names made or removed in it are on the disk.
bool SyncFolder(const QByteArray &folder);

} // namespace Fd

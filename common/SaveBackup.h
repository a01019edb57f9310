#pragma once
// The copy of a file that is being written over in place (a save in a
// folder that takes no temporary file), kept in the per-user state folder
// until the new content is on the disk, so that a save killed halfway can
// be undone at the next start.
//
// A copy is "<id>.old" with the old bytes beside "<id>.manifest", which
// names the file and the size and SHA-256 of its old and new content.  The
// copy is written and synced first, then the manifest, atomically; the save
// holds a lock on the copy until it removes both.  A copy that nobody holds
// is what a killed save left.
#include <QByteArray>
#include <QString>
#include <QStringList>

class TSaveBackup
{
public:
    TSaveBackup() = default;
    TSaveBackup(const TSaveBackup &) = delete;
    TSaveBackup &operator=(const TSaveBackup &) = delete;
    // Lets the lock go; a copy not discarded stays for the next start.
    ~TSaveBackup();

    // Copies `oldBytes` of `target` before `newBytes` are written over
    // them; false when the copy cannot be made (nothing is left then).
    bool Begin(const QString &target, const QByteArray &oldBytes, const QByteArray &newBytes);
    // The file holds the whole of one of the two contents again, on the
    // disk: the copy goes.
    void Discard();

private:
    int m_fd = -1;
    QByteArray m_copy, m_manifest;
};

// "<per-user state folder>/in-place-saves": the folder of the copies, for
// the window and the runner alike.
QString Save_Backup_Folder();

// Puts back every file whose in-place save was killed halfway (it holds
// neither its old nor its new content) from its copy, removes the copies
// that are no longer needed, and returns the files put back.  Copies that
// a running save holds are left alone.
QStringList Restore_Interrupted_Saves();

// What the operator is told of the files put back ("" for none).
QString Restored_Saves_Text(const QStringList &files);

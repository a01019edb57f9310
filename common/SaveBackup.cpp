#include "SaveBackup.h"

#include "FileDescriptor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLatin1String kCopySuffix(".old");
const QLatin1String kManifestSuffix(".manifest");

QString Sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool Holds(const QJsonObject &manifest, const QString &which, const QByteArray &bytes)
{
    return manifest.value(which + QLatin1String("_size")).toInteger(-1) == bytes.size()
        && manifest.value(which + QLatin1String("_sha256")).toString() == Sha256(bytes);
}

// A new file of its own in the folder, created exclusively; -1 when none.
int CreateUnique(const QString &folder, const QString &suffix, QByteArray &path, QString &id)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        id.clear();
        for (int i = 0; i < 12; ++i)
            id += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
        path = QFile::encodeName(folder + QLatin1Char('/') + id + suffix);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes a small file whole and synced under a temporary name and renames
// it, so that it is there complete or not at all.
bool WriteSmallFileAtomically(const QByteArray &path, const QByteArray &bytes)
{
    const QByteArray temporary = path + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = Fd::WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), path.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

QByteArray FolderBytes()
{
    return QFile::encodeName(Save_Backup_Folder());
}

// What one left-over copy comes to: put back, done with, or kept.
enum class Outcome { Restored, Discarded, Kept };

// Puts the target back from the copy when it holds neither content.
Outcome Settle(const QJsonObject &manifest, const QByteArray &copy)
{
    const QString target = manifest.value(QLatin1String("file")).toString();
    if (target.isEmpty() || !Holds(manifest, QStringLiteral("old"), copy))
        return Outcome::Kept; // a copy that does not match its manifest: not ours to use
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Outcome::Discarded : Outcome::Kept; // removed since: nothing to mend
    QByteArray now;
    Outcome outcome = Outcome::Kept;
    if (Fd::ReadAll(fd, now)) {
        if (Holds(manifest, QStringLiteral("old"), now) || Holds(manifest, QStringLiteral("new"), now))
            outcome = Outcome::Discarded;
        else if (Fd::ReplaceContent(fd, copy))
            outcome = Outcome::Restored;
    }
    ::close(fd);
    return outcome;
}

} // namespace

TSaveBackup::~TSaveBackup()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TSaveBackup::Begin(const QString &target, const QByteArray &oldBytes, const QByteArray &newBytes)
{
    const QString folder = Save_Backup_Folder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QString id;
    for (;;) {
        m_fd = CreateUnique(folder, kCopySuffix, m_copy, id);
        if (m_fd < 0)
            return false;
        ::flock(m_fd, LOCK_EX);
        // A start that tidied the folder in between may have taken the
        // new, empty copy for a left-over: then take another.
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || st.st_nlink > 0)
            break;
        ::close(m_fd);
    }
    m_manifest = QFile::encodeName(folder + QLatin1Char('/') + id + kManifestSuffix);
    const QJsonObject manifest{
        {QLatin1String("file"), target},
        {QLatin1String("old_size"), oldBytes.size()},
        {QLatin1String("old_sha256"), Sha256(oldBytes)},
        {QLatin1String("new_size"), newBytes.size()},
        {QLatin1String("new_sha256"), Sha256(newBytes)},
    };
    const bool ok = Fd::WriteAll(m_fd, oldBytes.constData(), oldBytes.size()) && ::fsync(m_fd) == 0
        && WriteSmallFileAtomically(m_manifest, QJsonDocument(manifest).toJson())
        && Fd::SyncFolder(QFile::encodeName(folder));
    if (!ok)
        Discard();
    return ok;
}

void TSaveBackup::Discard()
{
    if (m_fd < 0)
        return;
    // The manifest first: a copy without one is never put back.
    ::unlink(m_manifest.constData());
    ::unlink(m_copy.constData());
    Fd::SyncFolder(FolderBytes());
    ::close(m_fd);
    m_fd = -1;
}

QString Save_Backup_Folder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/in-place-saves");
}

QStringList Restore_Interrupted_Saves()
{
    QStringList restored;
    const QDir folder(Save_Backup_Folder());
    if (Save_Backup_Folder().isEmpty() || !folder.exists())
        return restored;
    const QStringList copies = folder.entryList({QLatin1String("*") + kCopySuffix}, QDir::Files | QDir::Hidden);
    for (const QString &name : copies) {
        const QByteArray copyPath = QFile::encodeName(folder.filePath(name));
        const int fd = ::open(copyPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        QByteArray copy;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !Fd::ReadAll(fd, copy)) {
            ::close(fd); // a save that is still running
            continue;
        }
        const QString base = name.chopped(kCopySuffix.size());
        const QByteArray manifestPath = QFile::encodeName(folder.filePath(base + kManifestSuffix));
        QFile manifestFile(QFile::decodeName(manifestPath));
        Outcome outcome = Outcome::Discarded; // without a manifest the file was never touched
        if (manifestFile.open(QIODevice::ReadOnly)) {
            const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
            outcome = Settle(manifest, copy);
            if (outcome == Outcome::Restored)
                restored << QDir::toNativeSeparators(manifest.value(QLatin1String("file")).toString());
        }
        if (outcome != Outcome::Kept) {
            ::unlink(manifestPath.constData());
            ::unlink((manifestPath + ".new").constData());
            ::unlink(copyPath.constData());
        }
        ::close(fd);
    }
    Fd::SyncFolder(FolderBytes());
    return restored;
}

QString Restored_Saves_Text(const QStringList &files)
{
    if (files.isEmpty())
        return QString();
    return QStringLiteral("上次保存未完成，已恢复原文件：") + files.join(QStringLiteral("、"));
}

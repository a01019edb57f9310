#pragma once
// Helpers shared by the program's tests: the library journal, answered
// message boxes and a configuration file of the test's own.
#include "common/ui/Dialogs.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "kq_sim.h"

#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

namespace Fixtures {

inline QStringList Journal()
{
    QStringList entries;
    for (int i = 0; i < kqsim_journal_size(); ++i)
        entries << QString::fromLatin1(kqsim_journal_entry(i));
    return entries;
}

// The journal without the status poll's reads, for checking commands.
inline QStringList Commands()
{
    QStringList entries;
    for (const QString &e : Journal())
        if (!e.startsWith(QLatin1String("KQ_Get_")))
            entries << e;
    return entries;
}

// Answers every message box with `answer` and keeps the requests.
class MessageRecorder
{
public:
    explicit MessageRecorder(MsgResult answer = MsgResult::Ok) : MessageRecorder(QList<MsgResult>{answer}) {}
    // Runs `during` inside every box, before it is answered with `answer`.
    MessageRecorder(MsgResult answer, std::function<void()> during)
        : MessageRecorder(QList<MsgResult>{answer}, std::move(during)) {}
    // The boxes are answered in turn; the last answer stays for the rest.
    explicit MessageRecorder(const QList<MsgResult> &answers, std::function<void()> during = {})
    {
        SetMessageBoxHandler([this, answers, during](const MessageRequest &r) {
            requests.append(r);
            if (during)
                during();
            return answers.at(std::min(requests.size(), answers.size()) - 1);
        });
    }
    ~MessageRecorder() { SetMessageBoxHandler({}); }
    QStringList Texts() const
    {
        QStringList texts;
        for (const MessageRequest &r : requests)
            texts << r.text;
        return texts;
    }
    QList<MessageRequest> requests;
};

// Runs `prepare` on every dialog shown modally, then closes it with `result`
// the way its own buttons would (so its close handler runs).
class ModalAnswer
{
public:
    ModalAnswer(int result, std::function<void(QDialog *)> prepare = {})
    {
        SetModalHandler([this, result, prepare](QDialog *dialog) {
            ++shown;
            if (prepare)
                prepare(dialog);
            dialog->done(result);
            return dialog->result();
        });
    }
    ~ModalAnswer() { SetModalHandler({}); }
    int shown = 0;
};

// Points the configuration file into a fresh temporary folder.
class TempConfig
{
public:
    TempConfig() { SetConfigFileNameForTest(Path()); }
    ~TempConfig() { SetConfigFileNameForTest(QString()); }
    QString Path() const { return dir.filePath(QStringLiteral("Tavorin.ini")); }
    void Write(const QByteArray &content) const
    {
        QFile f(Path());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
    }
    QByteArray Read() const
    {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool Exists() const { return QFile::exists(Path()); }
    QTemporaryDir dir;
};

} // namespace Fixtures

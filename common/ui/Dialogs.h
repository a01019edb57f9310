#pragma once
// Message boxes, file dialogs and modal dialogs all pass through here, so
// that the exact title, icon and buttons live in one place and tests can
// answer them without a person.
#include <QString>
#include <functional>

class QDialog;
class QWidget;

enum class MsgIcon { Information, Question, Warning, Error };
enum class MsgButtons { Ok, OkCancel, SaveDiscardCancel };
enum class MsgResult { Ok, Cancel, Save, Discard };

struct MessageRequest
{
    QString title;
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
    MsgResult defaultButton;
};

MsgResult ShowMessageBox(const MessageRequest &request);

// "提示" with an information icon and OK.
void ShowInfo(const QString &text);
// "提示", question icon, OK and Cancel with Cancel the default; true on OK.
bool ConfirmDestructive(const QString &text);
// "提示", question icon, "保存", "不保存" and "取消" with "取消" the default:
// MsgResult::Save, MsgResult::Discard or MsgResult::Cancel.
MsgResult AskSaveChanges(const QString &text);
// The application's standard error box for a failed handler.
void ShowError(const QString &text);

// Once the main window has closed (a stop signal may close it while a
// dialog is open), a dialog that returns was ended by that close, and the
// handler that showed it must go no further: ShowModal, the questions and
// the file dialogs then throw EAbort, which the event guard ends silently.
// The window sets this when it closes and clears it when it is made.
void SetHandlersEnded(bool ended);
bool HandlersEnded();
// Throws EAbort once the handlers are ended.
void AbortIfHandlersEnded();

// File dialogs: return the chosen path, or an empty string when cancelled.
// They start in `folder` (the current folder when empty).
QString GetOpenFileName(const QString &caption, const QString &filter, const QString &folder = QString());
// The save dialog asks before overwriting; a name typed without an
// extension gets `defaultSuffix` (without its dot).
QString GetSaveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix = QString(),
                        const QString &folder = QString());

// Opens a folder in the desktop's file manager; false when none could.
bool OpenFolder(const QString &path);

// Shows a dialog modally and returns its result (QDialog::Accepted or
// QDialog::Rejected).
int ShowModal(QDialog *dialog);

// Test hooks.  A handler set here answers instead of a person; pass an empty
// function to restore the real dialogs.
enum class FileDialogKind { Open, Save };
void SetMessageBoxHandler(std::function<MsgResult(const MessageRequest &)> handler);
void SetFileDialogHandler(std::function<QString(FileDialogKind, const QString &caption)> handler);
// The folder the last file dialog started in (answered by a handler or not).
QString LastFileDialogFolder();
void SetModalHandler(std::function<int(QDialog *)> handler);
void SetOpenFolderHandler(std::function<bool(const QString &path)> handler);

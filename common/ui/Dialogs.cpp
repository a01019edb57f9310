#include "Dialogs.h"
#include "common/Guard.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

std::function<MsgResult(const MessageRequest &)> g_messageBoxHandler;
std::function<QString(FileDialogKind, const QString &)> g_fileDialogHandler;
std::function<int(QDialog *)> g_modalHandler;
std::function<bool(const QString &)> g_openFolderHandler;
bool g_handlersEnded = false;

QString HintTitle()
{
    return QStringLiteral("提示");
}

QMessageBox::Icon ToQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

MsgResult RunMessageBox(const MessageRequest &request)
{
    QMessageBox box(ToQtIcon(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Messages carry entry texts, names and paths from the file as they are.
    box.setTextFormat(Qt::PlainText);
    const bool saving = request.buttons == MsgButtons::SaveDiscardCancel;
    QPushButton *ok = box.addButton(saving ? QStringLiteral("保存") : QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton *discard = saving ? box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole) : nullptr;
    QPushButton *cancel = nullptr;
    if (request.buttons != MsgButtons::Ok)
        cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(request.defaultButton == MsgResult::Cancel && cancel ? cancel : ok);
    box.setEscapeButton(cancel ? cancel : ok);
    box.exec();
    if (box.clickedButton() == ok)
        return saving ? MsgResult::Save : MsgResult::Ok;
    return discard && box.clickedButton() == discard ? MsgResult::Discard : MsgResult::Cancel;
}

// The answer of a dialog that the window's close ended means nothing.
template <typename T>
T Answer(T answer)
{
    AbortIfHandlersEnded();
    return answer;
}

QString g_lastFileDialogFolder;

QString RunFileDialog(FileDialogKind kind, const QString &caption, const QString &filter,
                      const QString &defaultSuffix, const QString &folder)
{
    g_lastFileDialogFolder = folder;
    if (g_fileDialogHandler)
        return g_fileDialogHandler(kind, caption);
    QFileDialog dialog(QApplication::activeWindow(), caption, folder, filter);
    if (kind == FileDialogKind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

MsgResult ShowMessageBox(const MessageRequest &request)
{
    if (g_messageBoxHandler)
        return g_messageBoxHandler(request);
    return RunMessageBox(request);
}

void ShowInfo(const QString &text)
{
    ShowMessageBox({HintTitle(), text, MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
}

bool ConfirmDestructive(const QString &text)
{
    const MessageRequest request{HintTitle(), text, MsgIcon::Question, MsgButtons::OkCancel,
                                 MsgResult::Cancel};
    return Answer(ShowMessageBox(request)) == MsgResult::Ok;
}

MsgResult AskSaveChanges(const QString &text)
{
    return Answer(ShowMessageBox({HintTitle(), text, MsgIcon::Question, MsgButtons::SaveDiscardCancel,
                                  MsgResult::Cancel}));
}

void ShowError(const QString &text)
{
    ShowMessageBox({QStringLiteral("运动控制助手"), text, MsgIcon::Error, MsgButtons::Ok, MsgResult::Ok});
}

// Wherever the forms are linked, a failed handler shows the error box.
static const bool g_errorBoxReporter = (SetExceptionReporter(ShowError), true);

QString GetOpenFileName(const QString &caption, const QString &filter, const QString &folder)
{
    return Answer(RunFileDialog(FileDialogKind::Open, caption, filter, QString(), folder));
}

QString GetSaveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                        const QString &folder)
{
    return Answer(RunFileDialog(FileDialogKind::Save, caption, filter, defaultSuffix, folder));
}

QString LastFileDialogFolder()
{
    return g_lastFileDialogFolder;
}

bool OpenFolder(const QString &path)
{
    if (g_openFolderHandler)
        return g_openFolderHandler(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

int ShowModal(QDialog *dialog)
{
    return Answer(g_modalHandler ? g_modalHandler(dialog) : dialog->exec());
}

void SetHandlersEnded(bool ended)
{
    g_handlersEnded = ended;
}

bool HandlersEnded()
{
    return g_handlersEnded;
}

void AbortIfHandlersEnded()
{
    if (g_handlersEnded)
        throw EAbort();
}

void SetMessageBoxHandler(std::function<MsgResult(const MessageRequest &)> handler)
{
    g_messageBoxHandler = std::move(handler);
}

void SetFileDialogHandler(std::function<QString(FileDialogKind, const QString &caption)> handler)
{
    g_fileDialogHandler = std::move(handler);
}

void SetModalHandler(std::function<int(QDialog *)> handler)
{
    g_modalHandler = std::move(handler);
}

void SetOpenFolderHandler(std::function<bool(const QString &path)> handler)
{
    g_openFolderHandler = std::move(handler);
}

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
    QPushButton *ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton *cancel = nullptr;
    if (request.buttons == MsgButtons::OkCancel)
        cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(request.defaultButton == MsgResult::Cancel && cancel ? cancel : ok);
    box.setEscapeButton(cancel ? cancel : ok);
    box.exec();
    return box.clickedButton() == ok ? MsgResult::Ok : MsgResult::Cancel;
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
    return ShowMessageBox(request) == MsgResult::Ok;
}

void ShowError(const QString &text)
{
    ShowMessageBox({QStringLiteral("运动控制助手"), text, MsgIcon::Error, MsgButtons::Ok, MsgResult::Ok});
}

// Wherever the forms are linked, a failed handler shows the error box.
static const bool g_errorBoxReporter = (SetExceptionReporter(ShowError), true);

QString GetOpenFileName(const QString &caption, const QString &filter, const QString &folder)
{
    return RunFileDialog(FileDialogKind::Open, caption, filter, QString(), folder);
}

QString GetSaveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                        const QString &folder)
{
    return RunFileDialog(FileDialogKind::Save, caption, filter, defaultSuffix, folder);
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
    if (g_modalHandler)
        return g_modalHandler(dialog);
    return dialog->exec();
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

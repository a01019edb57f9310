#include "TUnsavedProgram.h"

#include "TAutoPage.h"
#include "common/Exceptions.h"
#include "common/ui/Dialogs.h"
#include "program/ProgramFile.h"
#include "program/TCodeModel.h"
#include "program/TProgramDocument.h"

#include <QDir>

bool TUnsavedProgram::Any() const
{
    // An empty table has nothing to lose, and "保存方案" writes no empty file.
    return m_page->Document->IsModified() && !m_page->mem_Code->IsEmpty();
}

bool TUnsavedProgram::Ask_Before_Close()
{
    if (!Any())
        return true;
    switch (AskSaveChanges(QStringLiteral("方案已修改，是否保存？"))) {
    case MsgResult::Save:
        return m_page->Save_Program_To_Its_File();
    case MsgResult::Discard:
        return true;
    default:
        return false;
    }
}

QString TUnsavedProgram::Autosave_Path(const QString &folder) const
{
    const QString path = m_page->Document->Path();
    if (path.isEmpty())
        return QDir(folder).filePath(QStringLiteral("未命名.autosave"));
    return path + QStringLiteral(".autosave");
}

QString TUnsavedProgram::Autosave(const QString &folder) const
{
    if (!Any())
        return QString();
    const QString path = Autosave_Path(folder);
    const QString shown = QDir::toNativeSeparators(path);
    try {
        WriteProgramFile(path, m_page->mem_Code->Rows(), m_page->Encoding());
    } catch (const Exception &e) {
        return QStringLiteral("未保存的方案没能存下（%1）：%2").arg(e.Message(), shown);
    } catch (const std::exception &e) {
        return QStringLiteral("未保存的方案没能存下（%1）：%2").arg(QString::fromLocal8Bit(e.what()), shown);
    }
    return QStringLiteral("未保存的方案已存到：") + shown;
}

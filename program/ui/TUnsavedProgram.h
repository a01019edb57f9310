#pragma once
// A program the operator has changed and not saved: the question before
// the window closes, and the copy kept when a stop signal closes the window
// without asking.
#include <QString>

class TAutoPage;

class TUnsavedProgram
{
public:
    explicit TUnsavedProgram(TAutoPage *page) : m_page(page) {}

    // The table holds rows that differ from what was last opened or saved.
    bool Any() const;

    // "方案已修改，是否保存？": "保存" writes the program (through the save
    // dialog when it has no file yet), "不保存" lets it go, "取消" keeps it.
    // True when the window may close: nothing unsaved, "不保存", or a save
    // that was written.  A save that fails throws.
    bool Ask_Before_Close();

    // "<file>.autosave", or "未命名.autosave" in `folder` for a program
    // without a file.
    QString Autosave_Path(const QString &folder) const;
    // Writes an unsaved program to its autosave path and returns the line
    // that says where (or why it could not be written); empty when nothing
    // was unsaved.  Never throws.
    QString Autosave(const QString &folder) const;

private:
    TAutoPage *m_page;
};

#include "PageFixture.h"
#include "ProgramRows.h"
#include "common/Exceptions.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TCodeEditor.h"
#include "program/ui/TCodeUndo.h"
#include "program/TCodeModel.h"
#include "program/ui/TXYFrm.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace ProgramRows;
using Fixtures::MessageRecorder;
using Fixtures::ModalAnswer;

// Editing existing rows of the automatic page: the edit panel, "修改",
// several selected rows, the clipboard and undo.
class CodeEditorTest : public PageTestCase
{
    Q_OBJECT


    TCodeModel &Code() { return *page->mem_Code; }
    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i)
            page->Add_Code(Row(i % 2, QStringLiteral("第%1轴").arg(i % 2 + 1), AutoAction::Rel, i, 100 * i, 2));
    }
    void Select(std::initializer_list<int> rows)
    {
        QItemSelectionModel *selection = page->grid_Code->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(Code().index(row, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QString PasteError(const QString &text)
    {
        try {
            page->Editor->Paste_Text(text);
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    }

private slots:
    void selectingLoadsThePanel()
    {
        AddRows(3);
        page->Add_Code(Row(-1, QString(), AutoAction::Pause, 0, 500, 1));
        Code().SetCurrentRow(1);
        QCOMPARE(page->cbb_Axis->currentIndex(), 1);
        QCOMPARE(page->cbb_Action->currentText(), AutoAction::Rel);
        QCOMPARE(page->edt_Param->text(), QStringLiteral("1"));
        QCOMPARE(page->edt_Delay->text(), QStringLiteral("100"));
        QCOMPARE(page->edt_Count->text(), QStringLiteral("2"));
        Code().SetCurrentRow(3); // a step on no axis
        QCOMPARE(page->cbb_Axis->currentIndex(), -1);
        // During a run the current row is the step executed: the panel stays.
        page->SetEditEnabled(false);
        Code().SetCurrentRow(0);
        QCOMPARE(page->edt_Delay->text(), QStringLiteral("500"));
        // At its end the panel shows the step the run left selected, so that
        // "修改" does not write the pause's values over it.
        page->SetEditEnabled(true);
        QCOMPARE(page->cbb_Action->currentText(), Code().Row(0).Action);
        QCOMPARE(page->edt_Delay->text(), QString::number(Code().Row(0).Delay));
    }

    void modifyReplacesTheSelectedRow()
    {
        AddRows(3);
        Code().SetCurrentRow(1);
        page->cbb_Action->setCurrentText(AutoAction::Home);
        page->edt_Param->setText(QStringLiteral("5"));
        page->edt_Delay->setText(QStringLiteral("250"));
        page->btn_ModifyCodeClick();
        // The forced values of "增加" apply.
        QCOMPARE(Lines(Code().Rows()).value(1), QStringLiteral("1,第2轴,归零,0,250,1"));
        QCOMPARE(Code().rowCount(), 3);
        // Enter in an entry does the same; a bad entry changes nothing.
        page->edt_Delay->setText(QStringLiteral("x"));
        MessageRecorder errors;
        QTest::keyClick(page->edt_Delay, Qt::Key_Return);
        QCOMPARE(Lines(Code().Rows()).value(1), QStringLiteral("1,第2轴,归零,0,250,1"));
        page->edt_Delay->setText(QStringLiteral("75"));
        QTest::keyClick(page->edt_Delay, Qt::Key_Return);
        QCOMPARE(Lines(Code().Rows()).value(1), QStringLiteral("1,第2轴,归零,0,75,1"));
        // Undo and redo on the selected row show its values again.
        page->Undo->undo();
        QCOMPARE(page->edt_Delay->text(), QStringLiteral("250"));
        page->Undo->undo();
        QCOMPARE(page->cbb_Action->currentText() + page->edt_Param->text() + page->edt_Delay->text(),
                 AutoAction::Rel + "1100");
        page->Undo->redo();
        QCOMPARE(page->cbb_Action->currentText() + page->edt_Delay->text(), AutoAction::Home + "250");
    }

    void doubleClickPutsTheKeyboardInThatColumnsEntry()
    {
        AddRows(4);
        page->show();
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        const QModelIndex cell = Code().index(2, TCodeModel::ColDelay);
        const QRect rect = page->grid_Code->visualRect(cell);
        QTest::mouseClick(page->grid_Code->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(page->grid_Code->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(QApplication::focusWidget(), page->edt_Delay);
        QCOMPARE(page->edt_Delay->selectedText(), QStringLiteral("200"));
        QTest::keyClicks(page->edt_Delay, QStringLiteral("55"));
        QTest::keyClick(page->edt_Delay, Qt::Key_Return);
        QCOMPARE(Code().Row(2).Delay, 55);
    }

    // Ctrl+click adds rows to the selection, Shift+click stretches the
    // last one into a block.
    void clicksSelectSeveralRows()
    {
        AddRows(8);
        page->resize(1000, 1000);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        const auto click = [this](int row, Qt::KeyboardModifiers keys) {
            const QRect rect = page->grid_Code->visualRect(Code().index(row, TCodeModel::ColAction));
            QTest::mouseClick(page->grid_Code->viewport(), Qt::LeftButton, keys, rect.center());
        };
        click(1, {});
        click(3, Qt::ControlModifier);
        click(6, Qt::ControlModifier);
        QCOMPARE(page->Editor->Selected_Ranges(), (std::vector<TRowRange>{{1, 1}, {3, 1}, {6, 1}}));
        click(7, Qt::ShiftModifier);
        QCOMPARE(page->Editor->Selected_Ranges(), (std::vector<TRowRange>{{1, 1}, {3, 1}, {6, 2}}));
        QCOMPARE(Code().CurrentRow(), 7);
    }

    void deleteRemovesEverySelectedRow()
    {
        AddRows(6);
        Select({1, 2, 4});
        MessageRecorder ok;
        page->btn_DelCodeClick();
        QCOMPARE(ok.Texts(), QStringList{QStringLiteral("确定删除选择的动作？")});
        QCOMPARE(Lines(Code().Rows()), (QStringList{"0,第1轴,相对定位,0,0,2", "1,第2轴,相对定位,3,300,2",
                                                    "1,第2轴,相对定位,5,500,2"}));
        page->Undo->undo();
        QCOMPARE(Code().rowCount(), 6);
    }

    // Rows copied, pasted back before the selection; a cut takes them out.
    void copyCutAndPaste()
    {
        AddRows(5);
        const std::vector<TAutoCode> all = Code().Rows();
        Select({0, 1});
        page->Editor->Copy();
        QCOMPARE(QApplication::clipboard()->text().count('\n'), 2);
        page->chk_Insert->setChecked(true);
        Code().SetCurrentRow(3);
        page->Editor->Paste();
        QCOMPARE(Code().rowCount(), 7);
        QCOMPARE(Lines({Code().Row(3), Code().Row(4)}), Lines({all[0], all[1]}));
        QCOMPARE(page->grid_Code->selectionModel()->selectedRows().size(), 2);
        page->Editor->Cut();
        QCOMPARE(Lines(Code().Rows()), Lines(all));
        // Unchecked: pasted at the end.
        page->chk_Insert->setChecked(false);
        Code().SetCurrentRow(0);
        page->Editor->Paste();
        QCOMPARE(Lines({Code().Row(5), Code().Row(6)}), Lines({all[0], all[1]}));
    }

    void aBadLineRefusesThePaste()
    {
        AddRows(2);
        const QString text = QStringLiteral("0\t第1轴\t归零\t0\t0\t1\n0\t第1轴\t归零\t0\t0\n");
        QCOMPARE(PasteError(text), QStringLiteral("第2行：应有 6 列（以制表符分隔），实有 5 列"));
        QCOMPARE(Code().rowCount(), 2);
        QCOMPARE(page->Undo->count(), 2);
    }

    // Each edit is one undo step, and undo then redo gives back each state.
    void undoAndRedoEveryEdit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Gb(QStringLiteral("1,X光栅,归零,0,0,1\r\n")));
        file.close();
        SetFileDialogHandler([path](FileDialogKind, const QString &) { return path; });
        MessageRecorder ok;
        QList<QStringList> states{Lines(Code().Rows())};
        const auto step = [&] { states << Lines(Code().Rows()); };
        for (int i = 0; i < 3; ++i) {
            AddRows(1);
            step();
        }
        Code().SetCurrentRow(0);
        page->btn_ModifyCodeClick(); // changes nothing, and is a step all the same
        step();
        page->edt_Param->setText(QStringLiteral("9"));
        page->btn_ModifyCodeClick();
        step();
        Select({0, 2});
        page->btn_DelCodeClick();
        step();
        page->Editor->Paste_Text(QStringLiteral("0\tA\t暂停\t0\t10\t1"));
        step();
        page->Editor->Cut();
        step();
        {
            ModalAnswer accepted(QDialog::Accepted);
            page->btn_ScanXYClick();
        }
        step();
        page->Open_Program();
        step();
        SetFileDialogHandler({});
        QCOMPARE(page->Undo->count(), states.size() - 1);
        for (qsizetype i = states.size() - 1; i > 0; --i) {
            QCOMPARE(Lines(Code().Rows()), states[i]);
            page->Undo->undo();
        }
        QCOMPARE(Lines(Code().Rows()), states[0]);
        while (page->Undo->canRedo())
            page->Undo->redo();
        QCOMPARE(Lines(Code().Rows()), states.last());
    }

    void theStackKeepsTheLastHundredEdits()
    {
        AddRows(TCodeUndo::kLimit + 20);
        QCOMPARE(page->Undo->count(), TCodeUndo::kLimit);
        while (page->Undo->canUndo())
            page->Undo->undo();
        QCOMPARE(Code().rowCount(), 20);
    }

    void nothingChangesWhileRunning()
    {
        AddRows(3);
        page->SetEditEnabled(false);
        page->Editor->Delete_Selected();
        page->Editor->Paste_Text(QStringLiteral("0\tA\t暂停\t0\t10\t1"));
        page->Editor->Undo();
        QCOMPARE(Code().rowCount(), 3);
    }
};

TAVORIN_TEST(CodeEditorTest)
#include "CodeEditorTest.moc"

#include "PageFixture.h"
#include "ProgramRows.h"
#include "common/Exceptions.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TStatusModel.h"
#include "program/ui/TXYFrm.h"
#include "support/Fifo.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace ProgramRows;
using Fixtures::MessageRecorder;
using Fixtures::ModalAnswer;

namespace {

// Answers every file dialog with `path` (empty: cancelled).
class FileAnswer
{
public:
    explicit FileAnswer(const QString &path)
    {
        SetFileDialogHandler([this, path](FileDialogKind kind, const QString &) {
            kinds.append(kind);
            return path;
        });
    }
    ~FileAnswer() { SetFileDialogHandler({}); }
    QList<FileDialogKind> kinds;
};

QString ConvertErrorOf(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return QString();
}

const QString kRowsLost = QStringLiteral("打开新方案将关闭当前方案，如果没有保存当前方案会丢失，确认继续？");

} // namespace

class AutoPageTest : public PageTestCase
{
    Q_OBJECT

    QTemporaryDir dir;

    QString WriteFile(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i)
            page->Add_Code(Row(0, QStringLiteral("第1轴"), AutoAction::Rel, i, 0, 1));
    }

private slots:
    void addCodeFromTheEntries()
    {
        page->cbb_Axis->setCurrentIndex(2);
        page->cbb_Action->setCurrentText(AutoAction::Rel);
        page->edt_Param->setText(QStringLiteral("5"));
        page->edt_Count->setText(QStringLiteral("3"));
        page->btn_AddCodeClick();
        QCOMPARE(Lines(page->mem_Code->Rows()), QStringList{"2,第3轴,相对定位,5,1000,3"});
        // The first entry that is not a number ends the click; no row is added.
        page->edt_Param->setText(QStringLiteral("x"));
        page->edt_Delay->setText(QStringLiteral("y"));
        QCOMPARE(ConvertErrorOf([this] { page->btn_AddCodeClick(); }),
                 QStringLiteral("'x' is not a valid floating point value"));
        QCOMPARE(page->mem_Code->rowCount(), 1);
    }

    void gridSelectionIsTheCurrentRow()
    {
        AddRows(3);
        QCOMPARE(page->grid_Code->selectionModel()->selectedRows().value(0).row(), 2);
        page->grid_Code->selectRow(0);
        QCOMPARE(page->mem_Code->CurrentRow(), 0);
        page->mem_Code->SetCurrentRow(1);
        QCOMPARE(page->grid_Code->currentIndex().row(), 1);
    }

    void deleteAsksFirst()
    {
        auto cancel = std::make_unique<MessageRecorder>(MsgResult::Cancel);
        page->btn_DelCodeClick(); // empty table: nothing asked
        QCOMPARE(cancel->requests.size(), 0);
        AddRows(3);
        page->mem_Code->SetCurrentRow(1);
        page->btn_DelCodeClick();
        QCOMPARE(cancel->Texts(), QStringList{QStringLiteral("确定删除选择的动作？")});
        QCOMPARE(page->mem_Code->rowCount(), 3);
        cancel.reset();
        MessageRecorder ok;
        page->btn_DelCodeClick();
        QCOMPARE(Lines(page->mem_Code->Rows()), (QStringList{"0,第1轴,相对定位,0,0,1", "0,第1轴,相对定位,2,0,1"}));
    }

    void saveThenOpen()
    {
        FileAnswer files(dir.filePath(QStringLiteral("p.txt")));
        page->Save_Program(); // empty table: no dialog
        QCOMPARE(files.kinds.size(), 0);
        AddRows(2);
        page->Add_Code(Row(-1, QString(), AutoAction::Pause, 0, 0, 1));
        page->mem_Code->SetCurrentRow(0);
        page->Save_Program();
        QCOMPARE(page->mem_Code->CurrentRow(), 2); // the last row is left selected
        const QStringList saved = Lines(page->mem_Code->Rows());

        MessageRecorder cancel(MsgResult::Cancel);
        page->mem_Code->SetRows({});
        page->Open_Program(); // an empty table is replaced without asking
        QCOMPARE(cancel.requests.size(), 0);
        QCOMPARE(Lines(page->mem_Code->Rows()), saved);
        page->Open_Program();
        QCOMPARE(cancel.Texts(), QStringList{kRowsLost});
        QCOMPARE(files.kinds, (QList<FileDialogKind>{FileDialogKind::Save, FileDialogKind::Open}));
    }

    void openStopsAtABadLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("error");
        const QByteArray good = Gb(QStringLiteral("0,第1轴,归零,0,0,1\r\n"));
        QTest::newRow("final empty line") << QByteArray(good + good + "\r\n") << 2 << QStringList() << QString();
        QTest::newRow("five fields") << QByteArray(good + good + good + "0,X,1,2,3\r\n" + good) << 3
                                     << QStringList{QStringLiteral("方案文件第 4 行格式不正确，已停止读取，共读入 3 行")}
                                     << QString();
        QTest::newRow("line too long") << QByteArray(good + "0," + QByteArray(4096, 'a') + Gb(QStringLiteral(",归零,0,0,1\r\n")) + good)
                                       << 1 << QStringList{QStringLiteral("方案文件第 2 行格式不正确，已停止读取，共读入 1 行")}
                                       << QString();
        QTest::newRow("bad number") << QByteArray(good + Gb(QStringLiteral("0,X,归零,0,0,z\r\n"))) << 1 << QStringList()
                                    << QStringLiteral("'z' is not a valid integer value");
    }
    void openStopsAtABadLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(QStringList, messages);
        QFETCH(QString, error);
        FileAnswer files(WriteFile(bytes));
        MessageRecorder recorder;
        QCOMPARE(ConvertErrorOf([this] { page->Open_Program(); }), error);
        QCOMPARE(page->mem_Code->rowCount(), rows);
        QCOMPARE(recorder.Texts(), messages);
    }

    // "打开方案" on a FIFO or a device: refused at once, the window never
    // waits for a writer nor reads without end.
    void openRefusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("fifo") << true;
        QTest::newRow("/dev/zero") << false;
    }
    void openRefusesWhatIsNotARegularFile()
    {
        QFETCH(bool, fifo);
        Fixtures::Fifo pipe;
        QVERIFY(pipe.Made());
        const QString path = fifo ? pipe.Path() : QStringLiteral("/dev/zero");
        FileAnswer files(path);
        QElapsedTimer took;
        took.start();
        QString error;
        try {
            page->Open_Program();
        } catch (const Exception &e) {
            error = e.Message();
        }
        QCOMPARE(error, QStringLiteral("不是普通文件：") + path);
        QVERIFY(took.elapsed() < 1000);
    }

    void openFailureLeavesTheTableEmpty()
    {
        AddRows(2);
        FileAnswer files(dir.filePath(QStringLiteral("missing.txt")));
        MessageRecorder ok;
        QVERIFY_THROWS_EXCEPTION(Exception, page->Open_Program());
        QCOMPARE(page->mem_Code->rowCount(), 0);
    }

    void scanReplacesTheProgram()
    {
        AddRows(2);
        {
            MessageRecorder cancel(MsgResult::Cancel);
            ModalAnswer shown(QDialog::Accepted);
            page->btn_ScanXYClick();
            QCOMPARE(cancel.Texts(), QStringList{QStringLiteral(
                                         "自动生成方案将关闭当前方案,如果没有保存当前方案会丢失，确认继续？")});
            QCOMPARE(shown.shown, 0);
        }
        MessageRecorder ok;
        {
            ModalAnswer rejected(QDialog::Rejected);
            page->btn_ScanXYClick();
        }
        QCOMPARE(page->mem_Code->rowCount(), 2);
        {
            ModalAnswer accepted(QDialog::Accepted);
            page->btn_ScanXYClick();
        }
        QCOMPARE(page->mem_Code->rowCount(), 103);
        QCOMPARE(page->mem_Code->CurrentRow(), 102);
        QCOMPARE(page->mem_Code->Row(0).Axis, QStringLiteral("第1轴"));
        QCOMPARE(page->mem_Code->Row(1).Axis, QStringLiteral("第2轴"));

        // An entry that is not a number: the table has been emptied already.
        xy->edt_YLen->setText(QStringLiteral("十"));
        ModalAnswer accepted(QDialog::Accepted);
        QCOMPARE(ConvertErrorOf([this] { page->btn_ScanXYClick(); }),
                 QStringLiteral("'十' is not a valid floating point value"));
        QCOMPARE(page->mem_Code->rowCount(), 0);
    }

    void scanDialogRefusals_data()
    {
        QTest::addColumn<QStringList>("axes");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("xCount");
        QTest::addColumn<QString>("message");
        const QStringList three = {"A", "B", "C"};
        QTest::newRow("equal axes") << three << 0 << "10" << QStringLiteral("扫描轴不得相同,请修改");
        QTest::newRow("single axis") << QStringList{"A"} << -1 << "10"
                                     << QStringLiteral("行列扫描需要两个运动轴，当前设备的轴数不足");
        QTest::newRow("too many rows") << three << 1 << "1000000001"
                                       << QStringLiteral("扫描将生成 10000000013 行方案，超过上限 10000000 行，请减少点数");
        QTest::newRow("accepted") << three << 2 << "10" << QString();
        // Not a number: passes, and the generation reports it.
        QTest::newRow("not a number") << three << 1 << "x" << QString();
    }
    void scanDialogRefusals()
    {
        QFETCH(QStringList, axes);
        QFETCH(int, y);
        QFETCH(QString, xCount);
        QFETCH(QString, message);
        xy->SetAxes(axes);
        xy->cbb_Y->setCurrentIndex(y);
        xy->edt_XCount->setText(xCount);
        MessageRecorder recorder;
        xy->setResult(QDialog::Rejected);
        xy->BitBtn1Click();
        QCOMPARE(recorder.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(xy->result(), message.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }

};
TAVORIN_TEST(AutoPageTest)

#include "AutoPageTest.moc"

#include "common/ui/Dialogs.h"
#include "common/Guard.h"
#include "common/Ticks.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <vector>

namespace {

// Runs check on the message box that the next modal loop shows, then
// presses the button with the given text.
void AnswerNextMessageBox(const QString &buttonText, std::function<void(QMessageBox *)> check)
{
    QTimer::singleShot(0, [buttonText, check] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        check(box);
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == buttonText)
                button->click();
        }
    });
}

QStringList ButtonTexts(const QMessageBox *box)
{
    QStringList texts;
    for (QAbstractButton *button : box->buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        SetMessageBoxHandler({});
        SetFileDialogHandler({});
        SetModalHandler({});
    }

    void confirmDestructiveAsksWithCancelAsDefault()
    {
        Fixtures::MessageRecorder recorder(MsgResult::Cancel);
        QVERIFY(!ConfirmDestructive(QStringLiteral("删除?")));
        QCOMPARE(recorder.requests.size(), 1);
        const MessageRequest &r = recorder.requests.front();
        QCOMPARE(r.title, QStringLiteral("提示"));
        QCOMPARE(r.text, QStringLiteral("删除?"));
        QCOMPARE(r.icon, MsgIcon::Question);
        QCOMPARE(r.buttons, MsgButtons::OkCancel);
        QCOMPARE(r.defaultButton, MsgResult::Cancel);
    }

    void confirmDestructiveGoesOnOnlyOnOk()
    {
        Fixtures::MessageRecorder recorder(MsgResult::Ok);
        QVERIFY(ConfirmDestructive(QStringLiteral("x")));
    }

    void infoAndErrorBoxes()
    {
        Fixtures::MessageRecorder recorder;
        ShowInfo(QStringLiteral("完成"));
        ShowError(QStringLiteral("坏了"));
        QCOMPARE(recorder.requests.size(), 2);
        const MessageRequest &info = recorder.requests[0];
        QCOMPARE(info.title, QStringLiteral("提示"));
        QCOMPARE(info.icon, MsgIcon::Information);
        QCOMPARE(info.buttons, MsgButtons::Ok);
        const MessageRequest &error = recorder.requests[1];
        QCOMPARE(error.title, QStringLiteral("运动控制助手"));
        QCOMPARE(error.text, QStringLiteral("坏了"));
        QCOMPARE(error.icon, MsgIcon::Error);
        QCOMPARE(error.buttons, MsgButtons::Ok);
    }

    void realConfirmationBox()
    {
        AnswerNextMessageBox(QStringLiteral("取消"), [](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
            QCOMPARE(box->text(), QStringLiteral("清除?"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(ButtonTexts(box), QStringList({QStringLiteral("取消"), QStringLiteral("确定")}));
            QVERIFY(box->defaultButton());
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("取消"));
        });
        QVERIFY(!ConfirmDestructive(QStringLiteral("清除?")));

        AnswerNextMessageBox(QStringLiteral("确定"), [](QMessageBox *) {});
        QVERIFY(ConfirmDestructive(QStringLiteral("清除?")));
    }

    void realErrorBox()
    {
        AnswerNextMessageBox(QStringLiteral("确定"), [](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("运动控制助手"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(ButtonTexts(box), QStringList({QStringLiteral("确定")}));
        });
        ShowError(QStringLiteral("坏了"));
    }

    void fileDialogsUseTheHandler()
    {
        std::vector<std::pair<FileDialogKind, QString>> calls;
        SetFileDialogHandler([&calls](FileDialogKind kind, const QString &caption) {
            calls.emplace_back(kind, caption);
            return kind == FileDialogKind::Open ? QStringLiteral("/a.txt") : QString();
        });
        QCOMPARE(GetOpenFileName(QStringLiteral("打开"), QStringLiteral("*.txt")), QStringLiteral("/a.txt"));
        QCOMPARE(GetSaveFileName(QStringLiteral("保存"), QStringLiteral("*.txt")), QString());
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].first, FileDialogKind::Open);
        QCOMPARE(calls[0].second, QStringLiteral("打开"));
        QCOMPARE(calls[1].first, FileDialogKind::Save);
    }

    void showModalUsesTheHandlerUntilCleared()
    {
        QDialog dialog;
        QDialog *seen = nullptr;
        SetModalHandler([&seen](QDialog *d) {
            seen = d;
            return int(QDialog::Accepted);
        });
        QCOMPARE(ShowModal(&dialog), int(QDialog::Accepted));
        QCOMPARE(seen, &dialog);

        SetModalHandler({});
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        QCOMPARE(ShowModal(&dialog), int(QDialog::Rejected));
    }
};

class GuardTest : public QObject
{
    Q_OBJECT

private slots:
    void successfulHandlerShowsNothing()
    {
        Fixtures::MessageRecorder recorder;
        bool ran = false;
        QVERIFY(Guard([&ran] { ran = true; }));
        QVERIFY(ran);
        QVERIFY(recorder.requests.empty());
    }

    void conversionErrorShowsOneErrorBox()
    {
        Fixtures::MessageRecorder recorder;
        bool reachedAfterThrow = false;
        const bool ok = Guard([&reachedAfterThrow] {
            throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
            reachedAfterThrow = true;
        });
        QVERIFY(!ok);
        QVERIFY(!reachedAfterThrow);
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].text, QStringLiteral("'x' is not a valid integer value"));
        QCOMPARE(recorder.requests[0].title, QStringLiteral("运动控制助手"));
        QCOMPARE(recorder.requests[0].icon, MsgIcon::Error);
    }

    void otherExceptionsAreShownToo()
    {
        Fixtures::MessageRecorder recorder;
        QVERIFY(!Guard([] { throw std::runtime_error("disk full"); }));
        QVERIFY(!Guard([] { throw 42; }));
        QCOMPARE(recorder.requests.size(), 2);
        QCOMPARE(recorder.requests[0].text, QStringLiteral("disk full"));
        QVERIFY(!recorder.requests[1].text.isEmpty());
    }
};

class TicksTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetTickOffsetForTest(0); }

    void offsetShiftsTheCounter()
    {
        const uint32_t before = GetTickCount32();
        SetTickOffsetForTest(1000000);
        const uint32_t after = GetTickCount32();
        // A few milliseconds may pass between the two readings.
        QVERIFY(uint32_t(after - before - 1000000) < 1000);
    }

    void counterWrapsAt32Bits()
    {
        // Put the counter 20 ms before the wrap and wait until it has passed.
        const uint32_t raw = GetTickCount32();
        SetTickOffsetForTest(0u - raw - 20);
        const uint32_t start = GetTickCount32();
        QVERIFY(start >= 0xFFFFFF00u);
        QTRY_VERIFY_WITH_TIMEOUT(GetTickCount32() < start, 2000);
        const uint32_t end = GetTickCount32();
        QVERIFY(end < 1000);
        // Elapsed time across the wrap is still the unsigned difference.
        QVERIFY(uint32_t(end - start) >= 1);
        QVERIFY(uint32_t(end - start) < 1500);
    }
};

TAVORIN_TEST(DialogsTest)
TAVORIN_TEST(GuardTest)
TAVORIN_TEST(TicksTest)

#include "DialogsTest.moc"

#include "ProgramRows.h"
#include "common/Exceptions.h"
#include "support/Fifo.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

using namespace ProgramRows;

Q_DECLARE_METATYPE(ProgramReadResult::Stop)

namespace {
const QByteArray kGood = Gb(QStringLiteral("0,第1轴,相对定位,10,1000,1\r\n"));

// A step whose line (without its end) is `bytes` long, by its caption.
QByteArray LineOf(int bytes)
{
    const QByteArray rest = Gb(QStringLiteral(",归零,0,0,1"));
    return "0," + QByteArray(bytes - 2 - rest.size(), 'a') + rest;
}
}

class ProgramFileTest : public QObject
{
    Q_OBJECT

private slots:
    void lineBytes()
    {
        QCOMPARE(WriteProgramText({Row(0, QStringLiteral("第1轴"), AutoAction::Rel, 10, 1000, 1)}), kGood);
    }

    void roundTrip_data()
    {
        QTest::addColumn<ProgramEncoding>("encoding");
        QTest::newRow("gb18030") << ProgramEncoding::Gb18030;
        QTest::newRow("utf-8 with mark") << ProgramEncoding::Utf8Bom;
    }
    void roundTrip()
    {
        QFETCH(ProgramEncoding, encoding);
        const std::vector<TAutoCode> rows = {
            Row(0, QStringLiteral("第1轴"), AutoAction::Home, 0, 0, 1),
            Row(1, QStringLiteral("Y 轴 ①"), AutoAction::Rel, -2.25, 500, 3),
            Row(2, QString::fromUcs4(U"\U00020000轴"), AutoAction::Abs, 1.5e20, -1, 1),
            Row(-1, QString(), AutoAction::Pause, 0, 0, 1),
            Row(3, QStringLiteral("Z"), AutoAction::Adjust, 1e-5, 2147483647, -2147483647 - 1),
            Row(1, QStringLiteral("Y"), AutoAction::Rel, 0.1 + 0.2, 0, 0),
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        WriteProgramFile(path, rows, encoding);
        const ProgramReadResult read = ReadProgramFile(path);
        QCOMPARE(read.StopReason, ProgramReadResult::AtEnd);
        QCOMPARE(read.Encoding, encoding);
        QCOMPARE(Lines(read.Rows), Lines(rows));
        QCOMPARE(read.Rows[5].Param, 0.3); // 15 significant digits
        QCOMPARE(read.Rows[2].Param, 1.5e20);
    }

    // A comma in a caption would split its line: it is written as "，".
    void commaInCaption()
    {
        const QByteArray text = WriteProgramText({Row(0, QStringLiteral("a,b"), AutoAction::Home, 0, 0, 1),
                                                  Row(1, QStringLiteral("c"), AutoAction::Home, 0, 0, 1)});
        const ProgramReadResult read = ReadProgramText(text);
        QCOMPARE(read.Rows.size(), size_t(2));
        QCOMPARE(read.Rows[0].Axis, QStringLiteral("a，b"));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<ProgramReadResult::Stop>("stop");
        QTest::addColumn<int>("stopLine");
        QTest::addColumn<bool>("onlyEmptyLeft");
        QTest::addColumn<QString>("error");
        const QByteArray g3 = kGood + kGood + kGood;
        QTest::newRow("empty file") << QByteArray() << 0 << ProgramReadResult::AtEnd << 0 << false << "";
        QTest::newRow("lf and mixed endings")
            << QByteArray(kGood + Gb("1,Y,归零,0,0,1\n2,Z,归零,0,0,1")) << 3 << ProgramReadResult::AtEnd << 0 << false
            << "";
        QTest::newRow("final empty line") << QByteArray(g3 + "\r\n") << 3 << ProgramReadResult::BadLine << 4 << true
                                          << "";
        QTest::newRow("five fields") << QByteArray(g3 + Gb("0,X,归零,0,0\r\n") + kGood) << 3
                                     << ProgramReadResult::BadLine << 4 << false << "";
        QTest::newRow("seven fields") << QByteArray(kGood + Gb("0,X,归零,0,0,1,1\r\n")) << 1
                                      << ProgramReadResult::BadLine << 2 << false << "";
        QTest::newRow("unknown action") << QByteArray(kGood + Gb("0,X,回家,0,0,1\r\n")) << 1
                                        << ProgramReadResult::BadLine << 2 << false << "";
        QTest::newRow("bad param") << QByteArray(kGood + Gb("0,X,归零,1.2.3,0,1\r\n") + kGood) << 1
                                   << ProgramReadResult::BadNumber << 2 << false
                                   << "'1.2.3' is not a valid floating point value";
        QTest::newRow("count beyond 32 bits") << QByteArray(kGood + Gb("0,X,归零,0,0,2147483648\r\n")) << 1
                                              << ProgramReadResult::BadNumber << 2 << false
                                              << "'2147483648' is not a valid integer value";
        QTest::newRow("non-ascii in a number") << QByteArray(Gb("0,X,归零,0,一,1\r\n")) << 0
                                               << ProgramReadResult::BadNumber << 1 << false
                                               << QStringLiteral("'一' is not a valid integer value");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe,\x81\r\x1a", 7) << 0 << ProgramReadResult::BadLine << 1
                                << false << "";
        QTest::newRow("row limit") << g3 << 2 << ProgramReadResult::TooManyRows << 3 << false << "";
        QTest::newRow("line of 4,096 bytes") << QByteArray(kGood + LineOf(4096) + "\r\n") << 2
                                             << ProgramReadResult::AtEnd << 0 << false << "";
        QTest::newRow("line of 4,097 bytes") << QByteArray(kGood + LineOf(4097) + "\r\n" + kGood) << 1
                                             << ProgramReadResult::BadLine << 2 << false << "";
    }
    void reading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(ProgramReadResult::Stop, stop);
        QFETCH(int, stopLine);
        QFETCH(bool, onlyEmptyLeft);
        QFETCH(QString, error);
        const ProgramReadResult read = ReadProgramText(bytes, QTest::currentDataTag() == QByteArray("row limit") ? 2 : kMaxProgramRows);
        QCOMPARE(int(read.Rows.size()), rows);
        QCOMPARE(read.StopReason, stop);
        QCOMPARE(read.StopLine, qint64(stopLine));
        QCOMPARE(read.OnlyEmptyLinesLeft, onlyEmptyLeft);
        QCOMPARE(read.Error, error);
    }

    // Cut into pieces read side by side, every text reads as in one piece.
    void readingInPieces_data() { reading_data(); }
    void readingInPieces()
    {
        QFETCH(QByteArray, bytes);
        const qint64 maxRows = QTest::currentDataTag() == QByteArray("row limit") ? 2 : kMaxProgramRows;
        const ProgramReadResult whole = ReadProgramTextInPieces(bytes, maxRows, 1);
        for (int pieces : {2, 3, 7}) {
            const ProgramReadResult read = ReadProgramTextInPieces(bytes, maxRows, pieces);
            QCOMPARE(Lines(read.Rows), Lines(whole.Rows));
            QCOMPARE(read.StopReason, whole.StopReason);
            QCOMPARE(read.StopLine, whole.StopLine);
            QCOMPARE(read.OnlyEmptyLinesLeft, whole.OnlyEmptyLinesLeft);
            QCOMPARE(read.Error, whole.Error);
        }
    }

    // Plain decimals read to the same double as the general conversion
    // (std::from_chars) gives, up to the last bit and the sign of zero.
    void decimalsReadExactly()
    {
        const QList<QByteArray> texts = {"0.1", "0.3", "-0", "-0.0", "2.675", "123456789012345", "0.000000000000001",
                                         "999999999999999.9", "1234567890123456", "9007199254740993",
                                         "0.1234567890123456789", "2.2250738585072014", "4503599627370497.5"};
        QByteArray file;
        for (const QByteArray &text : texts)
            file += Gb(QStringLiteral("0,X,绝对定位,")) + text + "," + "0,1\r\n";
        const ProgramReadResult read = ReadProgramText(file);
        QCOMPARE(read.Rows.size(), size_t(texts.size()));
        for (qsizetype i = 0; i < texts.size(); ++i) {
            double expected = 0;
            std::from_chars(texts[i].begin(), texts[i].end(), expected);
            uint64_t got = 0, want = 0;
            std::memcpy(&got, &read.Rows[size_t(i)].Param, sizeof got);
            std::memcpy(&want, &expected, sizeof want);
            QVERIFY2(got == want, texts[i].constData());
        }
    }

    // Rows are taken as they stand: any ID, numbers in every accepted form,
    // no forced values.
    void fieldsAsTheyStand()
    {
        const ProgramReadResult read = ReadProgramText(Gb("0x10,X,归零, 5 ,-0,$A\r\n-99999,,绝对定位,1E-5,0,7\r\n"));
        QCOMPARE(Lines(read.Rows), (QStringList{"16,X,归零,5,0,10", "-99999,,绝对定位,1E-5,0,7"}));
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ProgramEncoding>("encoding");
        const QString line = QStringLiteral("0,第1轴,归零,0,0,1\r\n");
        QTest::newRow("gb18030") << Gb(line) << ProgramEncoding::Gb18030;
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF" + line.toUtf8()) << ProgramEncoding::Utf8Bom;
        QTest::newRow("utf-8") << line.toUtf8() << ProgramEncoding::Utf8;
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ProgramEncoding, encoding);
        const ProgramReadResult read = ReadProgramText(bytes);
        QCOMPARE(read.Encoding, encoding);
        QCOMPARE(read.Rows.size(), size_t(1));
        QCOMPARE(read.Rows[0].Axis, QStringLiteral("第1轴"));
        QCOMPARE(WriteProgramText(read.Rows, read.Encoding), bytes);
    }

    // A file that another program shortens and lengthens again while it is
    // read: an input/output error or the rows of one of its states, never a
    // crash.
    void fileThatChangesWhileReadEndsTheReading()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        WriteProgramFile(path, std::vector<TAutoCode>(400000, Row(0, QStringLiteral("第1轴"), AutoAction::Rel, 1, 0, 1)));
        const QByteArray name = QFile::encodeName(path);
        const off_t size = off_t(QFileInfo(path).size());
        std::atomic<bool> done{false};
        std::thread other([&] {
            while (!done) {
                (void)::truncate(name.constData(), size / 2);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                (void)::truncate(name.constData(), size);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
        });
        QString error;
        size_t rows = 0;
        for (int i = 0; i < 3; ++i) {
            try {
                rows = ReadProgramFile(path).Rows.size();
            } catch (const Exception &e) {
                error = e.Message();
            }
        }
        done = true;
        other.join();
        QVERIFY(error.isEmpty() || error == QStringLiteral("无法读取方案文件：") + path);
        QVERIFY(rows <= 400000);
    }

    // What is not a regular file is refused at once, before anything is
    // read: a FIFO would hold the reader, /dev/zero never ends, a folder.
    void refusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<QString>("what");
        for (const char *what : {"fifo", "/dev/zero", "folder"})
            QTest::newRow(what) << QString::fromLatin1(what);
    }
    void refusesWhatIsNotARegularFile()
    {
        QFETCH(QString, what);
        Fixtures::Fifo fifo;
        QVERIFY(fifo.Made());
        QTemporaryDir dir;
        const QString path = what == QLatin1String("fifo") ? fifo.Path() : what == QLatin1String("folder") ? dir.path() : what;
        QElapsedTimer took;
        took.start();
        QString error;
        try {
            ReadProgramFile(path);
        } catch (const Exception &e) {
            error = e.Message();
        }
        QCOMPARE(error, QStringLiteral("不是普通文件：") + path);
        QVERIFY(took.elapsed() < 1000);
    }

    void failedSaveKeepsNothingHalfWritten()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dir.filePath(QStringLiteral("file/p.txt"));
        QVERIFY_THROWS_EXCEPTION(Exception, WriteProgramFile(path, {Row(0, "X", AutoAction::Home, 0, 0, 1)}));
        QVERIFY_THROWS_EXCEPTION(Exception, WriteProgramFile(dir.path(), {Row(0, "X", AutoAction::Home, 0, 0, 1)}));
        QVERIFY_THROWS_EXCEPTION(Exception, ReadProgramFile(dir.filePath(QStringLiteral("missing.txt"))));
    }
};
TAVORIN_TEST(ProgramFileTest)

#include "ProgramFileTest.moc"

#include "CodeText.h"

#include "common/Exceptions.h"
#include "common/NumberText.h"

#include <QStringList>

namespace {

const QChar kTab = QLatin1Char('\t');

QString FieldText(const QString &text)
{
    if (!text.contains(kTab))
        return text;
    QString copy = text;
    return copy.replace(kTab, QLatin1Char(' '));
}

QString Line_Error(qint64 line, const QString &what)
{
    return QStringLiteral("第%1行：").arg(line) + what;
}

// Empty when the line is a step; otherwise why not.
QString Read_Line(const QString &line, TAutoCode &code)
{
    const QStringList fields = line.split(kTab);
    if (fields.size() != 6)
        return QStringLiteral("应有 6 列（以制表符分隔），实有 %1 列").arg(fields.size());
    const QString &action = fields[2];
    if (!Is_Action_Name(action))
        return QStringLiteral("动作“%1”不是%2之一").arg(action, Action_Names().join(QStringLiteral("、")));
    try {
        code.ID = StrToInt(fields[0]);
        code.Axis = fields[1];
        code.Action = action;
        code.Param = StrToFloat(fields[3]);
        code.Delay = StrToInt(fields[4]);
        code.Count = StrToInt(fields[5]);
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

QString Code_Rows_Text(const std::vector<TAutoCode> &rows)
{
    QString text;
    for (const TAutoCode &code : rows) {
        text += QString::number(code.ID) + kTab + FieldText(code.Axis) + kTab + code.Action + kTab
                + FloatToStr(code.Param) + kTab + QString::number(code.Delay) + kTab + QString::number(code.Count)
                + QLatin1Char('\n');
    }
    return text;
}

TCodeTextResult Read_Code_Rows_Text(const QString &text, qint64 maxRows)
{
    TCodeTextResult result;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() > maxRows) {
        result.Error = QStringLiteral("粘贴的行数超过 %1 行").arg(maxRows);
        return result;
    }
    result.Rows.reserve(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        TAutoCode code;
        const QString error = Read_Line(lines[i], code);
        if (!error.isEmpty()) {
            result.Rows.clear();
            result.Error = Line_Error(i + 1, error);
            return result;
        }
        result.Rows.push_back(std::move(code));
    }
    return result;
}

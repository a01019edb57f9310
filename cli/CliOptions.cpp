#include "CliOptions.h"

#include "common/Exceptions.h"
#include "common/NumberText.h"

namespace {

const int kPortMin = 1024;
const int kPortMax = 65535;

bool Parse_Octets(const QString &host, std::array<uint8_t, 4> &octets)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts.at(i).toUInt(&ok, 10);
        if (!ok || value > 255 || parts.at(i).startsWith(QLatin1Char('+')))
            return false;
        octets[size_t(i)] = uint8_t(value);
    }
    return true;
}

TCliOptions::Command Parse_Command(const QString &word)
{
    if (word == QLatin1String("check"))
        return TCliOptions::Check;
    if (word == QLatin1String("estimate"))
        return TCliOptions::Estimate;
    if (word == QLatin1String("run"))
        return TCliOptions::Run;
    throw TUsageError(QStringLiteral("未知的命令：%1（可用 check、estimate、run，见 --help）").arg(word));
}

} // namespace

TLink_Choice Parse_Link(const QString &text)
{
    TLink_Choice link;
    if (text == QLatin1String("usb")) {
        link.Kind = TLink_Kind::USB;
        return link;
    }
    if (text.startsWith(QLatin1String("serial:")) && text.size() > 7) {
        link.Kind = TLink_Kind::UART;
        link.PortName = text.mid(7);
        return link;
    }
    if (text.startsWith(QLatin1String("net:"))) {
        const QString rest = text.mid(4);
        const int colon = rest.lastIndexOf(QLatin1Char(':'));
        link.Kind = TLink_Kind::Net;
        if (colon < 0 || !Parse_Octets(rest.left(colon), link.Octets))
            throw TUsageError(QStringLiteral("网络连接应写作 net:IP:端口，IP 为四段数字，例如 net:127.0.0.1:8080"));
        bool ok = false;
        const int port = rest.mid(colon + 1).toInt(&ok, 10);
        if (!ok || port < kPortMin || port > kPortMax)
            throw TUsageError(QStringLiteral("端口必须在 %1 到 %2 之间").arg(kPortMin).arg(kPortMax));
        link.Port = uint16_t(port);
        return link;
    }
    throw TUsageError(QStringLiteral("无法识别的连接：%1（可用 usb、net:IP:端口、serial:设备）").arg(text));
}

TCliOptions Parse_Cli_Options(const QStringList &args)
{
    TCliOptions options;
    QStringList positional;
    bool help = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw TUsageError(QStringLiteral("选项 %1 缺少取值").arg(arg));
            return args.at(++i);
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            help = true;
        } else if (arg == QLatin1String("--json")) {
            options.Json = true;
        } else if (arg == QLatin1String("--fast")) {
            options.Fast = true;
        } else if (arg == QLatin1String("--repeat")) {
            options.RepeatText = value();
        } else if (arg == QLatin1String("--config")) {
            options.Config = value();
        } else if (arg == QLatin1String("--link")) {
            options.Link = Parse_Link(value());
        } else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2) {
            throw TUsageError(QStringLiteral("未知的选项：%1").arg(arg));
        } else {
            positional << arg;
        }
    }
    if (help)
        return TCliOptions();
    if (positional.isEmpty())
        throw TUsageError(QStringLiteral("缺少命令（check、estimate 或 run），见 --help"));
    options.Cmd = Parse_Command(positional.at(0));
    if (positional.size() != 2)
        throw TUsageError(positional.size() < 2 ? QStringLiteral("缺少方案文件") : QStringLiteral("多余的参数：%1").arg(positional.at(2)));
    options.File = positional.at(1);
    // The number of runs is read as "方案执行次数" is; refused here, before
    // anything reaches the board.
    try {
        StrToInt(options.RepeatText);
    } catch (const EConvertError &e) {
        throw TUsageError(QStringLiteral("--repeat：") + e.Message());
    }
    return options;
}

QString Cli_Help_Text()
{
    return QStringLiteral(
        "用法：tavorin-run 命令 方案文件 [选项]\n"
        "\n"
        "命令：\n"
        "  check FILE       读入方案、连接设备、加载配置，做与“启动”相同的检查；\n"
        "                   逐行列出无法执行的行，不发出任何运动命令\n"
        "  estimate FILE    按各轴当前位置给出预计用时（与“预计用时”相同），另起一行给出秒数\n"
        "  run FILE         连接设备并按“启动”的方式执行方案，运行记录逐行输出\n"
        "\n"
        "选项：\n"
        "  --repeat N       方案执行次数（默认 1，小于 1 时执行一次）\n"
        "  --link LINK      usb（默认，进程内的模拟板）、net:IP:端口、serial:设备\n"
        "  --config PATH    使用这个配置文件，而不是程序使用的 Tavorin.ini\n"
        "  --json           每个事件输出一行 JSON（kind、time、row、run、text），最后是 result\n"
        "  --fast           快速执行：轴一停止就执行下一步（每 5 毫秒查询一次），\n"
        "                   不再每 50 毫秒只推进一步；estimate 按此估算\n"
        "  -h, --help       显示本说明\n"
        "\n"
        "运行中的暂停步骤：从标准输入读到一行后继续；标准输入结束则停止。\n"
        "Ctrl+C（SIGINT）、SIGTERM 或终端断开（SIGHUP）：立即急停所有轴，记录“停止”，\n"
        "退出状态 130 / 143 / 129；标准输出的管道关闭时同样急停，退出状态 141。\n"
        "\n"
        "退出状态：\n"
        "  0    完成（check：没有无法执行的行）\n"
        "  1    方案中有无法执行的行\n"
        "  2    命令行有误\n"
        "  3    方案文件或配置文件无法使用\n"
        "  4    没有发现设备、设备忙（已有其他程序连接）或串口被占用\n"
        "  5    运行中设备无响应\n"
        "  6    暂停步骤等待时标准输入已结束\n"
        "  129  终端断开（SIGHUP）\n"
        "  130  被 SIGINT 中断\n"
        "  141  标准输出已关闭\n"
        "  143  被 SIGTERM 终止\n");
}

#include "BoardLink.h"

#include "kq_api.h"

#include <QByteArray>
#include <cstring>

void Close_All_Links()
{
    KQ_Close_UART();
    KQ_Close_USB();
    KQ_Close_Net();
}

int32_t Open_Link(const TLink_Choice &link)
{
    switch (link.Kind) {
    case TLink_Kind::UART: {
        const QByteArray name = link.PortName.toLocal8Bit(); // zero-terminated
        return KQ_Open_UART(name.constData());
    }
    case TLink_Kind::USB:
        return KQ_Open_USB();
    case TLink_Kind::Net: {
        const auto &o = link.Octets;
        return KQ_Open_Net(o[0], o[1], o[2], o[3], link.Port);
    }
    }
    return 0;
}

QString No_Board_Text(int32_t opened, int32_t checked)
{
    // A serial line that another program holds, or a served board that
    // serves another program, is no missing board.
    if (opened == KQ_STATUS_PORT_BUSY)
        return QStringLiteral("串口被占用");
    if (checked == KQ_STATUS_BOARD_BUSY)
        return QStringLiteral("设备忙，已有其他程序连接");
    return QStringLiteral("没有发现设备");
}

bool Connect_Board(const TLink_Choice &link, const std::function<void(const QString &)> &noBoard)
{
    Close_All_Links();
    const int32_t opened = Open_Link(link);
    const int32_t checked = KQ_Check();
    if (checked == 0)
        return true;
    noBoard(No_Board_Text(opened, checked));
    Close_All_Links();
    return false;
}

QString Link_Name(const TLink_Choice &link)
{
    switch (link.Kind) {
    case TLink_Kind::UART:
        return QStringLiteral("串口 ") + link.PortName;
    case TLink_Kind::USB:
        return QStringLiteral("USB");
    case TLink_Kind::Net: {
        const auto &o = link.Octets;
        return QStringLiteral("网络 %1.%2.%3.%4:%5").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]).arg(link.Port);
    }
    }
    return QString();
}

void Read_Board_Identity(QString &productId, QString &serial, QString &version)
{
    char buffer[KQ_PRODUCT_ID_SIZE];
    std::memset(buffer, 0, sizeof buffer);
    if (KQ_Get_Product_ID(buffer) == 0)
        productId = QString::fromLocal8Bit(buffer, static_cast<int>(strnlen(buffer, sizeof buffer)));
    std::memset(buffer, 0, sizeof buffer);
    if (KQ_Get_Product_SN(reinterpret_cast<uint8_t *>(buffer)) == 0)
        serial = QByteArray(buffer, KQ_PRODUCT_SN_SIZE).toHex().toUpper();
    int32_t a = 0, b = 0, c = 0, d = 0;
    if (KQ_Get_Product_Version2(&a, &b, &c, &d) == 0)
        version = QStringLiteral("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d);
}

TBoard_Resources Read_Board_Resources()
{
    TBoard_Resources r;
    // Nothing is assumed about a board whose resources cannot be read.
    uint32_t resource = 0;
    KQ_Get_Product_Resource(&resource);
    if (resource & KQ_RESOURCE_ENCODER)
        KQ_Get_Encoder_Num(&r.Encoders);
    r.HasAxes = (resource & KQ_RESOURCE_AXIS) != 0;
    if (r.HasAxes)
        KQ_Get_Axis_Num(&r.Axes);
    return r;
}

QString Read_Board(QString &productId, QString &serial, QString &version, TBoard_Resources &resources)
{
    Read_Board_Identity(productId, serial, version);
    QString product = QStringLiteral("Model=") + productId + QStringLiteral("/SN=") + serial
        + QStringLiteral("/Ver=") + version;
    resources = Read_Board_Resources();
    if (resources.HasAxes && resources.Axes > 0)
        product += QStringLiteral("/Motor=") + QString::number(resources.Axes);
    return product;
}

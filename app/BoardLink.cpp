#include "BoardLink.h"

#include "TBoardPortFrm.h"
#include "kq_api.h"

#include <QByteArray>
#include <cstring>

void Close_All_Links()
{
    KQ_Close_UART();
    KQ_Close_USB();
    KQ_Close_Net();
}

void Open_Chosen_Link(const TBoardPortFrm &port)
{
    switch (port.ChosenLink()) {
    case TBoardPortFrm::Link::UART: {
        const QByteArray name = port.PortName().toLocal8Bit(); // zero-terminated
        KQ_Open_UART(name.constData());
        break;
    }
    case TBoardPortFrm::Link::USB:
        KQ_Open_USB();
        break;
    case TBoardPortFrm::Link::Net: {
        const auto o = port.Octets();
        KQ_Open_Net(o[0], o[1], o[2], o[3], static_cast<uint16_t>(port.PortNumber()));
        break;
    }
    }
}

QString Link_Name(const TBoardPortFrm &port)
{
    switch (port.ChosenLink()) {
    case TBoardPortFrm::Link::UART:
        return QStringLiteral("串口 ") + port.PortName();
    case TBoardPortFrm::Link::USB:
        return QStringLiteral("USB");
    case TBoardPortFrm::Link::Net:
        return QStringLiteral("网络 %1:%2").arg(port.AddressText()).arg(port.PortNumber());
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

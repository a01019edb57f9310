#pragma once
// "扫描设置": the settings of a generated raster scan.  Created once at
// start; keeps its entries from one use to the next.
#include "program/RasterScan.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class TXYFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TXYFrm(QWidget *parent = nullptr);

    QComboBox *cbb_X, *cbb_Y, *cbb_OnStop;
    QLineEdit *edt_XCount, *edt_YCount, *edt_XStart, *edt_YStart, *edt_XLen, *edt_YLen, *edt_XYDelay;
    QCheckBox *chk_Move_Rel, *chk_StartZero;
    QPushButton *BitBtn1, *BitBtn2;

    // Fills both axis lists (entry i = axis i) and selects axis 0 for X and
    // axis 1 for Y (none with a single axis).
    void SetAxes(const QStringList &captions);

    // The entries in the order the generator reads them; throws
    // EConvertError at the first one that is not a number.
    TScanSettings ReadSettings() const;

    // The check on OK: closes the dialog only for a scan that can be made.
    void BitBtn1Click();

    // Most rows a scan may generate.
    static qint64 MaxRows();

private:
    QString RefusalOf() const;
    void BuildLayout();
};

#pragma once
// Whole-file reads that never wait on what is not a file: the file is
// opened without blocking and refused unless it is a regular file, so that
// a FIFO, a device ("/dev/zero") or a folder given as a file is turned away
// at once instead of holding the caller or reading without end.
#include <QByteArray>
#include <QString>

struct TFileRead
{
    enum Status {
        Ok,
        Missing,     // no such file
        CannotOpen,  // there, but it cannot be opened
        NotRegular,  // a FIFO, a device, a socket or a folder
        ReadFailed,  // a read failed
        Changed      // its size or time changed while it was read
    };
    Status Result = Missing;
    QByteArray Bytes; // the whole content, when Ok
};

TFileRead ReadRegularFile(const QString &fileName);

// "不是普通文件：<path>", the refusal of anything ReadRegularFile turns away
// as NotRegular.
QString NotRegularFileText(const QString &fileName);

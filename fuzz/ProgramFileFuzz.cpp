// libFuzzer target for the program-file reader: any bytes must read without
// a crash, a hang or a sanitizer report, and the rows read must survive a
// write and a second read unchanged.
#include "program/ProgramFile.h"

#include <QByteArrayView>
#include <cstdint>
#include <cstdlib>

namespace {

bool SameRows(const std::vector<TAutoCode> &a, const std::vector<TAutoCode> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].ID != b[i].ID || a[i].Axis != b[i].Axis || a[i].Action != b[i].Action
            || a[i].Delay != b[i].Delay || a[i].Count != b[i].Count)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ProgramReadResult first = ReadProgramText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (first.Rows.size() > size / 11 + 1) // the shortest line: "0,,暂停,0,0,0" (11 bytes or more)
        std::abort();
    // UTF-8 with its mark keeps every decoded text exactly.
    const QByteArray text = WriteProgramText(first.Rows, ProgramEncoding::Utf8Bom);
    const ProgramReadResult second = ReadProgramText(text);
    if (second.StopReason != ProgramReadResult::AtEnd || !SameRows(first.Rows, second.Rows))
        std::abort();
    // The general number format reads back to the text it was written from.
    if (WriteProgramText(second.Rows, ProgramEncoding::Utf8Bom) != text)
        std::abort();
    return 0;
}

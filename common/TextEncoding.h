#pragma once
// Telling UTF-8 text from text in the ANSI code page (GB18030).
#include <QByteArrayView>

// True for well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF) holding at least one character of three bytes or more:
// text saved as UTF-8 with some Chinese in it (a CJK character takes three
// bytes).  GB18030 text of the common hanzi (GB2312 level 1: a byte
// 0xB0-0xD7, then 0xA1-0xFE) is often valid UTF-8 too, but only as two-byte
// sequences, so it never passes.  Pure ASCII reads the same either way.
bool IsUtf8Text(QByteArrayView bytes);

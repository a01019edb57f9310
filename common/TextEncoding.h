#pragma once
// Telling UTF-8 text from text in the ANSI code page (GB18030).
#include <QByteArrayView>

// True for well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF) holding at least one character outside ASCII: text an
// editor saved as UTF-8.  GBK text is practically never valid UTF-8, and
// pure ASCII reads the same either way.
bool IsUtf8Text(QByteArrayView bytes);

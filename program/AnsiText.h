#pragma once
// Text fields of the program and status tables hold at most a fixed number
// of bytes in the ANSI code page (GB18030), as the board-side tools expect.
#include <QString>

// The longest leading part of `text` whose GB18030 form fits in `maxBytes`,
// never splitting a character.
QString CutToAnsiBytes(const QString &text, int maxBytes);

// Byte limits of the table fields.
constexpr int kAxisFieldBytes = 50;
constexpr int kActionFieldBytes = 30;

#include "Guard.h"

#include "Dialogs.h"

void ShowException(const QString &message)
{
    ShowError(message);
}

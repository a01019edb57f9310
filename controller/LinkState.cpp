#include "LinkState.h"

#include "kq_api.h"

// The link state is an addition of our library; a library without it
// leaves the symbol unresolved.
#pragma weak KQ_Link_Lost

bool Board_Link_Lost()
{
    return KQ_Link_Lost && KQ_Link_Lost() != 0;
}

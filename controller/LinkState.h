#pragma once
// Whether the link to the board is lost: a network or serial board stopped
// answering or its connection dropped, and every board call now fails at
// once until a link is opened again.  Never blocks and makes no board call.
// Always false with a controller library that cannot tell.
bool Board_Link_Lost();

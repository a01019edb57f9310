// libFuzzer target: arbitrary bytes through the frame decoder, in chunks
// of the sizes the input chooses, every frame found parsed as a request
// (and run on a board, as the server would) and as a reply to each
// operation.  Built only with clang (scripts/fuzz).
#include "Calls.h"
#include "Wire.h"

#include <cstddef>
#include <cstdint>

using namespace kq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Board board(4, 4, 0x801, 0);
    wire::Decoder decoder;
    wire::Frame frame;
    size_t at = 0;
    while (at < size) {
        const size_t chunk = 1 + data[at] % 64;
        const size_t n = chunk < size - at ? chunk : size - at;
        decoder.feed(data + at, n);
        at += n;
        while (decoder.next(frame)) {
            if (frame.size > wire::kMaxPayload)
                __builtin_trap();
            Request request;
            if (wire::parseRequest(frame, request)) {
                Reply reply;
                execute(board, request, reply);
                board.advanceTo(request.value & 0xFFFF);
            }
            for (uint8_t op = 0; op < static_cast<uint8_t>(Op::End) + 1; ++op) {
                Reply reply;
                wire::parseReply(frame, static_cast<Op>(op), reply);
            }
        }
        if (decoder.buffered() >= wire::kMaxFrame + wire::Decoder::kMaxFeed)
            __builtin_trap();
    }
    return 0;
}

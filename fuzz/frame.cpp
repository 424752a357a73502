// Frames cut from bytes that arrive in pieces of any size, and the requests and answers in them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "protocol/protocol.h"

using namespace dyt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes give the sizes of the pieces in turn (1 to 16 bytes each); the frame
    // limit is small so that the refusal of long frames is reached too.
    const unsigned sizes = data[0] | (data[1] << 8);
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const size_t total = size - 2;
    proto::FrameReader reader(4096);
    size_t at = 0;
    for (unsigned turn = 0; at < total; ++turn) {
        const size_t piece = std::min<size_t>(total - at, 1 + ((sizes >> (turn % 4 * 4)) & 15));
        reader.append(QByteArray(bytes + at, static_cast<qsizetype>(piece)));
        at += piece;
        QCborValue value;
        while (reader.next(&value)) {
            try {
                const proto::Request r = proto::Request::fromCbor(value);
                const proto::Request again = proto::Request::fromCbor(r.toCbor());
                if (again.id != r.id || again.method != r.method || again.args != r.args)
                    std::abort();
            } catch (const DytError&) {
            }
            try {
                const proto::Response r = proto::Response::fromCbor(value);
                const proto::Response again = proto::Response::fromCbor(r.toCbor());
                if (again.id != r.id || again.error != r.error || again.outs != r.outs)
                    std::abort();
            } catch (const DytError&) {
            }
        }
    }
    return 0;
}

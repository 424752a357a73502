// Record-set packets from any CBOR value: what decodes must encode again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "protocol/protocol.h"

using namespace dyt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QCborValue value;
    try {
        value = proto::decodePayload(QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                             static_cast<qsizetype>(size)));
    } catch (const DytError&) {
        return 0;
    }
    // A packet may also come inside an argument list.
    const QCborValue inner = value.isArray() ? value.toArray().at(0) : value;
    if (!proto::isRecordSet(inner))
        return 0;
    RecordSet rs;
    try {
        rs = proto::recordSetFromCbor(inner);
    } catch (const DytError&) {
        return 0;
    }
    const QCborValue once = proto::recordSetToCbor(rs);
    try {
        const RecordSet back = proto::recordSetFromCbor(once);
        if (back.rowCount() != rs.rowCount() || back.fieldCount() != rs.fieldCount() ||
            proto::recordSetToCbor(back).toCbor() != once.toCbor()) {
            std::abort();
        }
    } catch (const DytError&) {
        std::abort();  // an encoded record set must always decode
    }
    return 0;
}

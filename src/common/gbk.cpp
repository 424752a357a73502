#include "common/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace dyt::gbk {
namespace {

// One conversion descriptor per thread and direction; iconv_open is too slow to call per text.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("GBK conversion is not available on this system");
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts input; on an unconvertible or invalid sequence calls onError, which appends its
    // replacement to out and returns how many input bytes to skip.
    template <typename OnError>
    QByteArray run(const QByteArray& input, OnError onError) {
        QByteArray out;
        out.reserve(input.size() * 2 + 16);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = static_cast<size_t>(input.size());
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t r = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
            if (r != static_cast<size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end): replace and skip.
            size_t skip = onError(reinterpret_cast<const unsigned char*>(in), inLeft, out);
            if (skip == 0 || skip > inLeft) {
                skip = 1;
            }
            in += skip;
            inLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        return out;
    }

private:
    iconv_t cd_;
};

Converter& encoder() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}

Converter& decoder() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

bool isPlainAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) return false;
    }
    return true;
}

}  // namespace

QByteArray encode(const QString& text, bool* ok) {
    if (ok) *ok = true;
    if (isPlainAscii(text)) {
        return text.toLatin1();
    }
    bool clean = true;
    QByteArray result = encoder().run(
        text.toUtf8(), [&clean](const unsigned char* p, size_t left, QByteArray& out) {
            clean = false;
            out.append('?');
            size_t n = utf8SequenceLength(*p);
            return n <= left ? n : left;
        });
    if (ok) *ok = clean;
    return result;
}

QString decode(const QByteArray& bytes, bool* ok) {
    if (ok) *ok = true;
    bool clean = true;
    QByteArray utf8 = decoder().run(bytes, [&clean](const unsigned char* p, size_t left,
                                                     QByteArray& out) {
        clean = false;
        out.append("\xEF\xBF\xBD");
        // A lead byte of a two-byte code takes its trail byte with it when that looks valid.
        if (*p >= 0x81 && *p <= 0xFE && left >= 2 && p[1] >= 0x40 && p[1] != 0x7F) {
            return size_t{2};
        }
        return size_t{1};
    });
    if (ok) *ok = clean;
    return QString::fromUtf8(utf8);
}

qsizetype byteLength(const QString& text) {
    if (isPlainAscii(text)) return text.size();
    return encode(text).size();
}

bool isEncodable(const QString& text) {
    bool ok = true;
    encode(text, &ok);
    return ok;
}

QString leftBytes(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        qsizetype width = byteLength(text.mid(i, step));
        if (bytes + width > maxBytes) break;
        bytes += width;
        i += step;
    }
    return text.left(i);
}

}  // namespace dyt::gbk

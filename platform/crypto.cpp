#include "crypto.h"

#include <QCryptographicHash>
#include <utility>

namespace platform {

Md5Digest Md5(const uint8_t* data, size_t size) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QByteArray r = hash.result();
    Md5Digest out{};
    std::copy(r.begin(), r.end(), out.begin());
    return out;
}

Rc4::Rc4(const uint8_t* key, size_t keySize) {
    for (int k = 0; k < 256; ++k)
        s_[k] = static_cast<uint8_t>(k);
    if (keySize == 0)
        return;
    uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
        j = static_cast<uint8_t>(j + s_[k] + key[k % keySize]);
        std::swap(s_[k], s_[j]);
    }
}

void Rc4::process(uint8_t* data, size_t size) {
    for (size_t n = 0; n < size; ++n) {
        i_ = static_cast<uint8_t>(i_ + 1);
        j_ = static_cast<uint8_t>(j_ + s_[i_]);
        std::swap(s_[i_], s_[j_]);
        data[n] ^= s_[static_cast<uint8_t>(s_[i_] + s_[j_])];
    }
}

Rc4 DeriveRc4KeyFromMd5(const std::vector<uint8_t>& passPhrase) {
    const Md5Digest digest = Md5(passPhrase.data(), passPhrase.size());
    return Rc4(digest.data(), digest.size());
}

} // namespace platform

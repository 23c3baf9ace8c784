// SHA-1 after FIPS 180-4: 512-bit chunks, 80 rounds, big-endian words.
#include "core/Sha1.h"

#include <cstring>

namespace dyskel {

namespace {

constexpr std::uint32_t Rotl(std::uint32_t x, int n) {
    return x << n | x >> (32 - n);
}

} // namespace

Sha1::Sha1() : h_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void Sha1::Compress(const std::uint8_t* chunk) {
    std::array<std::uint32_t, 80> w;
    for (std::size_t i = 0; i < 16; ++i)
        w[i] = std::uint32_t(chunk[4 * i]) << 24 | std::uint32_t(chunk[4 * i + 1]) << 16 |
               std::uint32_t(chunk[4 * i + 2]) << 8 | chunk[4 * i + 3];
    for (std::size_t i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
    for (std::size_t i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t t = Rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = t;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
}

void Sha1::Add(const std::uint8_t* data, std::size_t len) {
    length_ += len;
    while (len > 0) {
        const std::size_t take = std::min(len, buffer_.size() - buffered_);
        std::memcpy(buffer_.data() + buffered_, data, take);
        buffered_ += take;
        data += take;
        len -= take;
        if (buffered_ == buffer_.size()) {
            Compress(buffer_.data());
            buffered_ = 0;
        }
    }
}

Sha1Digest Sha1::Finish() {
    const std::uint64_t bits = length_ * 8;
    const std::uint8_t one = 0x80, zero = 0;
    Add(&one, 1);
    while (buffered_ != 56) Add(&zero, 1);
    std::uint8_t tail[8];
    for (int i = 0; i < 8; ++i) tail[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Add(tail, 8);
    Sha1Digest digest;
    for (std::size_t i = 0; i < 20; ++i)
        digest[i] = static_cast<std::uint8_t>(h_[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

Sha1Digest Sha1Of(const std::uint8_t* data, std::size_t len) {
    Sha1 sha;
    sha.Add(data, len);
    return sha.Finish();
}

std::string Sha1Hex(const Sha1Digest& digest) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : digest) {
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    return text;
}

} // namespace dyskel

// SHA-1 of a run of bytes: the content key of a file's data bytes, so that the
// same file is found again under any name and at any place on any disk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dyskel {

using Sha1Digest = std::array<std::uint8_t, 20>;

// Feeds bytes in pieces; Finish gives the digest of everything fed.
class Sha1 {
  public:
    Sha1();
    void Add(const std::uint8_t* data, std::size_t len);
    Sha1Digest Finish();

  private:
    void Compress(const std::uint8_t* chunk);
    std::array<std::uint32_t, 5> h_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

Sha1Digest Sha1Of(const std::uint8_t* data, std::size_t len);

// 40 lower-case hex digits.
std::string Sha1Hex(const Sha1Digest& digest);

} // namespace dyskel

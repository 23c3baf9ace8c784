// Names from the host for new directory entries: a host file name holds
// characters the C64 has no byte for (accented letters, ligatures, other
// scripts); the proposal keeps what can be kept and marks the rest.
#pragma once

#include <string>

namespace dyskel {

// The C64 bytes proposed for a host name (UTF-8): each character decomposed
// as Unicode's compatibility decomposition (NFKD) does for Latin letters,
// ligatures and the like ("é" to "e", "ﬁ" to "fi", "²" to "2"), combining
// marks dropped, letters in capitals; a character that still has no C64 byte
// (and a byte that is not UTF-8) becomes '-'.  As long as the name; not cut.
std::string C64NameFromHost(const std::string& utf8);

} // namespace dyskel

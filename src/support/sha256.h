// SHA-256, through the TLS library's digest: the answer store keys its
// answers by a digest of what shapes them, the credential among it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace trawl {

using sha256_digest = std::array<unsigned char, 32>;

// Digests the pieces as one message; throws std::bad_alloc when the library
// cannot make its context.
sha256_digest sha256(std::initializer_list<std::string_view> pieces);

// The digest in lower-case hexadecimal.
std::string sha256_hex(const sha256_digest& digest);

}  // namespace trawl

#include "support/sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <new>

namespace trawl {

namespace {

struct md_context_deleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

sha256_digest sha256(std::initializer_list<std::string_view> pieces) {
  std::unique_ptr<EVP_MD_CTX, md_context_deleter> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
  for (std::string_view piece : pieces)
    if (EVP_DigestUpdate(ctx.get(), piece.data(), piece.size()) != 1) throw std::bad_alloc();
  sha256_digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest.data(), &length) != 1 || length != digest.size())
    throw std::bad_alloc();
  return digest;
}

std::string sha256_hex(const sha256_digest& digest) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * digest.size());
  for (unsigned char b : digest) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}

}  // namespace trawl

#include "hall/credentials.h"

#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/gbk.h"

namespace korvel::server {

bool InitCrypto() {
  static const bool ok = sodium_init() >= 0;
  return ok;
}

std::string HashPassword(std::string_view password, HashCost cost) {
  if (!InitCrypto()) return {};
  char out[crypto_pwhash_STRBYTES];
  const bool minimal = cost == HashCost::Minimal;
  if (crypto_pwhash_str_alg(
          out, password.data(), password.size(),
          minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
          minimal ? 8192 : crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
    return {};
  return out;
}

bool VerifyPassword(std::string_view hash, std::string_view password) {
  if (!InitCrypto() || hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
  // The library wants a terminated string of its own size.
  char stored[crypto_pwhash_STRBYTES] = {};
  std::copy(hash.begin(), hash.end(), stored);
  return crypto_pwhash_str_verify(stored, password.data(), password.size()) == 0;
}

std::string RandomToken(size_t bytes) {
  InitCrypto();
  std::string raw(bytes, '\0');
  randombytes_buf(raw.data(), raw.size());
  std::string out(sodium_base64_ENCODED_LEN(bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING), '\0');
  sodium_bin2base64(out.data(), out.size(), reinterpret_cast<const unsigned char*>(raw.data()),
                    raw.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING);
  sodium_memzero(raw.data(), raw.size());
  out.resize(std::strlen(out.c_str()));
  return out;
}

uint32_t RandomKey32() {
  InitCrypto();
  uint32_t key = 0;
  while (key == 0) key = randombytes_random();
  return key;
}

uint64_t RandomSeed() {
  InitCrypto();
  uint64_t seed = 0;
  randombytes_buf(&seed, sizeof seed);
  return seed;
}

bool SameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string CheckAccountName(std::string_view name) {
  if (name.size() < 3 || name.size() > 16) return "a name has 3 to 16 characters";
  const auto allowed = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
  };
  if (!std::all_of(name.begin(), name.end(), allowed))
    return "a name holds only ASCII letters, digits, '_', '-' and '.'";
  if (name.front() == '_' || name.front() == '-' || name.front() == '.')
    return "a name starts with a letter or a digit";
  return {};
}

namespace {
bool HasControl(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x20 || c == 0x7F) return true;
    // C1 controls, U+0080..U+009F, are C2 80..C2 9F in UTF-8.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) < 0xA0) return true;
  }
  return false;
}
bool ValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<uint8_t>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}
}  // namespace

std::string CheckNickname(std::string_view nickname) {
  if (!ValidUtf8(nickname)) return "a nickname must be UTF-8 text";
  if (HasControl(nickname)) return "a nickname holds no control characters";
  const size_t length = Utf8Length(nickname);
  if (length < 1 || length > 15) return "a nickname has 1 to 15 characters";
  const std::string gbk = Utf8ToGbk(nickname);
  if (GbkToUtf8(gbk) != nickname) return "a nickname holds only characters GBK can write";
  if (gbk.size() > 31) return "a nickname takes at most 31 bytes in GBK";
  if (nickname.front() == ' ' || nickname.back() == ' ')
    return "a nickname neither starts nor ends with a space";
  return {};
}

std::string CheckPassword(std::string_view password) {
  if (password.size() < 8 || password.size() > 128) return "a password has 8 to 128 bytes";
  if (!ValidUtf8(password)) return "a password must be UTF-8 text";
  if (HasControl(password)) return "a password holds no control characters";
  return {};
}

}  // namespace korvel::server

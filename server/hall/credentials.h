// Passwords, tokens and keys: Argon2id hashes through libsodium, random strings from the
// operating system's secure source, and the rules for names, nicknames and passwords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::server {

// How much work one password hash costs. The interactive level is the default; tests use the
// least libsodium allows, so a test suite does not spend its minutes hashing.
enum class HashCost { Interactive, Minimal };

// Starts libsodium once; false if the library cannot run here.
bool InitCrypto();
// An Argon2id string (salt and parameters inside), or empty when out of memory.
std::string HashPassword(std::string_view password, HashCost cost = HashCost::Interactive);
bool VerifyPassword(std::string_view hash, std::string_view password);
// `bytes` random bytes as URL-safe base64 without padding (32 bytes give 43 characters).
std::string RandomToken(size_t bytes = 32);
// A nonzero random 32-bit number (the reconnection key's field holds 32 bits).
uint32_t RandomKey32();
uint64_t RandomSeed();
// Compares without leaking where two strings first differ.
bool SameSecret(std::string_view a, std::string_view b);

// Account names: 3..16 ASCII letters, digits, '_', '-' or '.', starting with a letter or digit
// (they travel one byte per character). Nicknames: 1..15 characters, at most 31 bytes in GBK,
// every character representable in GBK, no control characters. Passwords: 8..128 bytes of
// UTF-8 without control characters. Each returns an empty string when the value is good,
// otherwise what is wrong.
std::string CheckAccountName(std::string_view name);
std::string CheckNickname(std::string_view nickname);
std::string CheckPassword(std::string_view password);

}  // namespace korvel::server

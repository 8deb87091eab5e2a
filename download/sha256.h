#pragma once
// SHA-256 (FIPS 180-4), for the publisher pin of the setup package's signing key.
#include <cstddef>
#include <cstdint>
#include <string>

struct Sha256Context {
    uint32_t state[8];
    uint64_t byteCount;
    unsigned char block[64];
};

void Sha256Init(Sha256Context& ctx);
void Sha256Update(Sha256Context& ctx, const void* data, size_t length);
void Sha256Final(Sha256Context& ctx, unsigned char digest[32]);

// Digest of length bytes at data as 64 lowercase hexadecimal digits.
std::string GetStringSHA256(const void* data, size_t length);

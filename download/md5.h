#pragma once
// MD5 (RFC 1321) and the digests the installer needs as 32 lowercase hexadecimal digits.
#include <cstddef>
#include <cstdint>
#include <string>

struct Md5Context {
    uint32_t state[4];
    uint64_t byteCount;
    unsigned char block[64];
};

void Md5Init(Md5Context& ctx);
void Md5Update(Md5Context& ctx, const void* data, size_t length);
void Md5Final(Md5Context& ctx, unsigned char digest[16]);

// "%02x" per digest byte.
std::string Md5Hex(const unsigned char digest[16]);

// Digest of a file's contents; "" (and an E line tagged "MD5") when it cannot be opened.
// path is in the ANSI code page.
std::string GetFileMD5(const char* path);

// Digest of length bytes at data.
std::string GetStringMD5(const void* data, size_t length);

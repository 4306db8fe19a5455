#include <windows.h>
// wincrypt.h must come after windows.h.
#include <wincrypt.h>

#include <vector>

#include "platform/win/file_digest_win.h"
#include "platform/win/read_only_file_win.h"

// Windows XP SP3's CryptoAPI has it; the headers offer it from Server 2003 on.
#ifndef CALG_SHA_256
#define CALG_SHA_256 0x0000800C
#endif

namespace tarnweld::platform::win {
namespace {

constexpr DWORD kChunk = 64 * 1024;
constexpr DWORD kSha256Size = 32;

class Hash {
 public:
  explicit Hash(HCRYPTPROV provider) {
    if (!provider || !::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash_)) hash_ = 0;
  }
  ~Hash() {
    if (hash_) ::CryptDestroyHash(hash_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH get() const { return hash_; }

 private:
  HCRYPTHASH hash_ = 0;
};

}  // namespace

CryptoDigest::~CryptoDigest() {
  if (provider_) ::CryptReleaseContext(provider_, 0);
}

std::wstring CryptoDigest::Sha256(const std::wstring& path) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return {};
  // Acquired once: it costs several milliseconds each time. No provider
  // name, whose text differs on XP SP3, and no key container.
  if (!provider_ && !::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES,
                                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider_ = 0;
  }
  const Hash hash(provider_);
  if (!hash.get()) return {};
  std::vector<BYTE> chunk(kChunk);
  for (DWORD read = 0;;) {
    if (!file.Read(chunk.data(), kChunk, &read)) return {};
    if (read == 0) break;
    if (!::CryptHashData(hash.get(), chunk.data(), read, 0)) return {};
  }
  BYTE digest[kSha256Size];
  DWORD size = sizeof digest;
  if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != kSha256Size) {
    return {};
  }
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (const BYTE byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0xF];
  }
  return hex;
}

}  // namespace tarnweld::platform::win

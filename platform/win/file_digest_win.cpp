#include <windows.h>
// wincrypt.h must come after windows.h.
#include <wincrypt.h>

#include <type_traits>
#include <vector>

#include "platform/win/file_digest_win.h"
#include "platform/win/read_only_file_win.h"
#include "platform/win/system_library_win.h"

// Windows XP SP3's CryptoAPI has it; the headers offer it from Server 2003 on.
#ifndef CALG_SHA_256
#define CALG_SHA_256 0x0000800C
#endif

namespace tarnweld::platform::win {
namespace {

constexpr DWORD kChunk = 64 * 1024;
constexpr DWORD kSha256Size = 32;

// advapi32.dll's CryptoAPI, which it forwards to cryptsp.dll from Windows 7
// on: not imported, so that no cryptsp.dll beside the program can load.
struct CryptoApi {
  decltype(&::CryptAcquireContextW) acquire = nullptr;
  decltype(&::CryptReleaseContext) release = nullptr;
  decltype(&::CryptCreateHash) create_hash = nullptr;
  decltype(&::CryptHashData) hash_data = nullptr;
  decltype(&::CryptGetHashParam) get_hash_param = nullptr;
  decltype(&::CryptDestroyHash) destroy_hash = nullptr;
  bool loaded() const {
    return acquire && release && create_hash && hash_data && get_hash_param && destroy_hash;
  }
};

const CryptoApi& Crypto() {
  static const CryptoApi api = [] {
    const auto find = [](auto* function, const char* name) {
      *function = SystemProcedure<std::remove_reference_t<decltype(*function)>>(
          L"advapi32.dll", {L"cryptsp.dll"}, name);
    };
    CryptoApi found;
    find(&found.acquire, "CryptAcquireContextW");
    find(&found.release, "CryptReleaseContext");
    find(&found.create_hash, "CryptCreateHash");
    find(&found.hash_data, "CryptHashData");
    find(&found.get_hash_param, "CryptGetHashParam");
    find(&found.destroy_hash, "CryptDestroyHash");
    return found;
  }();
  return api;
}

class Hash {
 public:
  explicit Hash(HCRYPTPROV provider) {
    if (!provider || !Crypto().create_hash(provider, CALG_SHA_256, 0, 0, &hash_)) hash_ = 0;
  }
  ~Hash() {
    if (hash_) Crypto().destroy_hash(hash_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH get() const { return hash_; }

 private:
  HCRYPTHASH hash_ = 0;
};

}  // namespace

CryptoDigest::~CryptoDigest() {
  if (provider_) Crypto().release(provider_, 0);
}

std::wstring CryptoDigest::Sha256(const std::wstring& path) {
  if (!Crypto().loaded()) return {};
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return {};
  // Acquired once: it costs several milliseconds each time. No provider
  // name, whose text differs on XP SP3, and no key container.
  if (!provider_ && !Crypto().acquire(&provider_, nullptr, nullptr, PROV_RSA_AES,
                                      CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    provider_ = 0;
  }
  const Hash hash(provider_);
  if (!hash.get()) return {};
  std::vector<BYTE> chunk(kChunk);
  for (DWORD read = 0;;) {
    if (!file.Read(chunk.data(), kChunk, &read)) return {};
    if (read == 0) break;
    if (!Crypto().hash_data(hash.get(), chunk.data(), read, 0)) return {};
  }
  BYTE digest[kSha256Size];
  DWORD size = sizeof digest;
  if (!Crypto().get_hash_param(hash.get(), HP_HASHVAL, digest, &size, 0) || size != kSha256Size) {
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

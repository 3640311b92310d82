#include "core/cipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace core {

const char* const SCipherNotInitialized = "Cipher not initialized";
const char* const SInvalidKeySize = "Invalid key size";
const char* const SHashNotInitialized = "Hash not initialized";

namespace {

// Overwrites key material so that the compiler cannot drop the stores as
// dead writes before the memory is freed.
void SecureFill(void* buffer, uint8_t value, std::size_t size) {
  volatile uint8_t* p = static_cast<volatile uint8_t*>(buffer);
  while (size--) *p++ = value;
}

uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

// ===========================================================================
// THash, TSha1

void THash::CheckInitialized() const {
  if (!initialized_) throw EHash(SHashNotInitialized);
}

void TSha1::Init() {
  Burn();
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
  initialized_ = true;
}

void TSha1::Burn() {
  SecureFill(state_, 0, sizeof state_);
  SecureFill(block_, 0, sizeof block_);
  used_ = 0;
  length_ = 0;
  initialized_ = false;
}

void TSha1::Compress() {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t)
    w[t] = uint32_t(block_[4 * t]) << 24 | uint32_t(block_[4 * t + 1]) << 16 |
           uint32_t(block_[4 * t + 2]) << 8 | uint32_t(block_[4 * t + 3]);
  for (int t = 16; t < 80; ++t) w[t] = RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const uint32_t temp = RotateLeft(a, 5) + f + e + k + w[t];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = temp;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  SecureFill(w, 0, sizeof w);
}

void TSha1::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  length_ += size;
  while (size > 0) {
    const std::size_t take = std::min(size, sizeof block_ - used_);
    std::memcpy(block_ + used_, p, take);
    used_ += take;
    p += take;
    size -= take;
    if (used_ == sizeof block_) {
      Compress();
      used_ = 0;
    }
  }
}

void TSha1::Final(void* digest) {
  CheckInitialized();
  const uint64_t bits = length_ * 8;
  block_[used_++] = 0x80;
  if (used_ > 56) {
    std::memset(block_ + used_, 0, sizeof block_ - used_);
    Compress();
    used_ = 0;
  }
  std::memset(block_ + used_, 0, 56 - used_);
  for (int i = 0; i < 8; ++i) block_[56 + i] = uint8_t(bits >> (56 - 8 * i));
  Compress();
  uint8_t* out = static_cast<uint8_t*>(digest);
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(state_[i] >> (24 - 8 * j));
  Burn();
}

// ===========================================================================
// TCipher

void TCipher::CheckInitialized() const {
  if (!initialized_) throw ECipher(SCipherNotInitialized);
}

void TCipher::Init(const void* key, int sizeBits, const void* iv) {
  if (sizeBits <= 0 || sizeBits > MaxKeySize()) throw ECipher(SInvalidKeySize);
  Wipe();
  InitKey(key, sizeBits);
  initialized_ = true;
  InitIV(iv);
  Reset();
}

void TCipher::DeriveKeyFromPassphrase(std::string_view key, THashClass hash) {
  std::unique_ptr<THash> h = hash();
  const int hashBytes = h->HashSize() / 8;
  std::vector<uint8_t> digest(std::size_t(hashBytes), 0);
  h->Init();
  h->UpdateStr(key);
  h->Final(digest.data());
  Init(digest.data(), std::min(MaxKeySize(), h->HashSize()), nullptr);
  SecureFill(digest.data(), 0, digest.size());
}

// ===========================================================================
// TBlockCipher

void TBlockCipher::Encrypt(const void* in, void* out, std::size_t size) {
  switch (mode_) {
    case TCipherMode::cmCBC: EncryptCBC(in, out, size); break;
    case TCipherMode::cmCFB8bit: EncryptCFB8bit(in, out, size); break;
    case TCipherMode::cmCFBblock: EncryptCFBblock(in, out, size); break;
    case TCipherMode::cmOFB: EncryptOFB(in, out, size); break;
    case TCipherMode::cmCTR: EncryptCTR(in, out, size); break;
    case TCipherMode::cmECB: EncryptECBStream(in, out, size); break;
  }
}

void TBlockCipher::Decrypt(const void* in, void* out, std::size_t size) {
  switch (mode_) {
    case TCipherMode::cmCBC: DecryptCBC(in, out, size); break;
    case TCipherMode::cmCFB8bit: DecryptCFB8bit(in, out, size); break;
    case TCipherMode::cmCFBblock: DecryptCFBblock(in, out, size); break;
    case TCipherMode::cmOFB: DecryptOFB(in, out, size); break;
    case TCipherMode::cmCTR: DecryptCTR(in, out, size); break;
    case TCipherMode::cmECB: DecryptECBStream(in, out, size); break;
  }
}

std::string TBlockCipher::EncipherText(std::string_view text) {
  std::string bytes(text);
  EncryptCFB8bit(bytes.data(), bytes.data(), bytes.size());
  std::string result = EncodeBase64String(bytes);
  SecureFill(bytes.data(), 0, bytes.size());
  return result;
}

std::string TBlockCipher::DecipherText(std::string_view base64) {
  std::string bytes = DecodeBase64String(base64);
  DecryptCFB8bit(bytes.data(), bytes.data(), bytes.size());
  return bytes;
}

// ===========================================================================
// TBlockCipher64

void TBlockCipher64::InitIV(const void* iv) {
  if (iv) {
    std::memcpy(iv_, iv, 8);
  } else {
    const uint8_t zero[8] = {};
    EncryptECB(zero, iv_);
  }
}

void TBlockCipher64::Reset() {
  CheckInitialized();
  std::memcpy(cv_, iv_, 8);
}

void TBlockCipher64::Wipe() {
  SecureFill(iv_, 0xFF, 8);
  SecureFill(cv_, 0xFF, 8);
  TBlockCipher::Wipe();
}

void TBlockCipher64::SetIV(const void* iv) {
  CheckInitialized();
  std::memcpy(iv_, iv, 8);
  Reset();
}

void TBlockCipher64::GetIV(void* iv) const {
  CheckInitialized();
  std::memcpy(iv, cv_, 8);
}

// A trailing part block is combined with the encryption of the chaining
// value, as in block CFB; the chaining value is left as it is.
void TBlockCipher64::XorTail(const uint8_t* in, uint8_t* out, std::size_t size) {
  uint8_t key[8];
  EncryptECB(cv_, key);
  for (std::size_t i = 0; i < size; ++i) out[i] = in[i] ^ key[i];
}

void TBlockCipher64::EncryptECBStream(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (; size >= 8; size -= 8, src += 8, dst += 8) EncryptECB(src, dst);
  XorTail(src, dst, size);
}

void TBlockCipher64::DecryptECBStream(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (; size >= 8; size -= 8, src += 8, dst += 8) DecryptECB(src, dst);
  XorTail(src, dst, size);
}

void TBlockCipher64::EncryptCBC(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (; size >= 8; size -= 8, src += 8, dst += 8) {
    uint8_t block[8];
    for (int i = 0; i < 8; ++i) block[i] = src[i] ^ cv_[i];
    EncryptECB(block, dst);
    std::memcpy(cv_, dst, 8);
  }
  XorTail(src, dst, size);
}

void TBlockCipher64::DecryptCBC(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (; size >= 8; size -= 8, src += 8, dst += 8) {
    uint8_t cipher[8], block[8];
    std::memcpy(cipher, src, 8);   // src may be dst
    DecryptECB(cipher, block);
    for (int i = 0; i < 8; ++i) dst[i] = block[i] ^ cv_[i];
    std::memcpy(cv_, cipher, 8);
  }
  XorTail(src, dst, size);
}

void TBlockCipher64::CFB8(const uint8_t* in, uint8_t* out, std::size_t size, bool encrypt) {
  CheckInitialized();
  for (std::size_t n = 0; n < size; ++n) {
    uint8_t key[8];
    EncryptECB(cv_, key);
    const uint8_t b = in[n];
    const uint8_t result = b ^ key[0];
    out[n] = result;
    std::memmove(cv_, cv_ + 1, 7);
    cv_[7] = encrypt ? result : b;
  }
}

void TBlockCipher64::EncryptCFB8bit(const void* in, void* out, std::size_t size) {
  CFB8(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out), size, true);
}

void TBlockCipher64::DecryptCFB8bit(const void* in, void* out, std::size_t size) {
  CFB8(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out), size, false);
}

void TBlockCipher64::CFBBlock(const uint8_t* in, uint8_t* out, std::size_t size, bool encrypt) {
  CheckInitialized();
  while (size > 0) {
    uint8_t key[8], cipher[8];
    const std::size_t n = std::min<std::size_t>(size, 8);
    EncryptECB(cv_, key);
    for (std::size_t i = 0; i < n; ++i) {
      const uint8_t b = in[i];
      out[i] = b ^ key[i];
      cipher[i] = encrypt ? out[i] : b;
    }
    if (n == 8) std::memcpy(cv_, cipher, 8);
    in += n;
    out += n;
    size -= n;
  }
}

void TBlockCipher64::EncryptCFBblock(const void* in, void* out, std::size_t size) {
  CFBBlock(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out), size, true);
}

void TBlockCipher64::DecryptCFBblock(const void* in, void* out, std::size_t size) {
  CFBBlock(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out), size, false);
}

void TBlockCipher64::EncryptOFB(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  while (size > 0) {
    const std::size_t n = std::min<std::size_t>(size, 8);
    EncryptECB(cv_, cv_);
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i] ^ cv_[i];
    src += n;
    dst += n;
    size -= n;
  }
}

void TBlockCipher64::DecryptOFB(const void* in, void* out, std::size_t size) {
  EncryptOFB(in, out, size);
}

void TBlockCipher64::EncryptCTR(const void* in, void* out, std::size_t size) {
  CheckInitialized();
  const uint8_t* src = static_cast<const uint8_t*>(in);
  uint8_t* dst = static_cast<uint8_t*>(out);
  while (size > 0) {
    uint8_t key[8];
    const std::size_t n = std::min<std::size_t>(size, 8);
    EncryptECB(cv_, key);
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i] ^ key[i];
    // The counter is the chaining value read as a big-endian number.
    for (int i = 7; i >= 0 && ++cv_[i] == 0; --i) {
    }
    src += n;
    dst += n;
    size -= n;
  }
}

void TBlockCipher64::DecryptCTR(const void* in, void* out, std::size_t size) {
  EncryptCTR(in, out, size);
}

// ===========================================================================
// DES (FIPS 46-3). Bit positions in the tables count from 1 at the most
// significant bit, as the standard writes them.

namespace {

const uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                         62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                         57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                         61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

const uint8_t kFP[64] = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                         38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                         36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                         34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

const uint8_t kE[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                        12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                        22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

const uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                          23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                          41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                          44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

const uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

const uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Picks the bits named by table (counted from 1 at the top of an inBits-wide
// value) into a value as wide as the table.
template <std::size_t N>
uint64_t Permute(uint64_t value, int inBits, const uint8_t (&table)[N]) {
  uint64_t out = 0;
  for (uint8_t position : table) out = (out << 1) | ((value >> (inBits - position)) & 1);
  return out;
}

uint64_t LoadBlock(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
  return v;
}

void StoreBlock(uint64_t v, uint8_t* p) {
  for (int i = 7; i >= 0; --i, v >>= 8) p[i] = uint8_t(v);
}

uint32_t Feistel(uint32_t r, uint64_t subkey) {
  const uint64_t x = Permute(r, 32, kE) ^ subkey;
  uint32_t s = 0;
  for (int j = 0; j < 8; ++j) {
    const unsigned b = unsigned(x >> (42 - 6 * j)) & 0x3F;
    const unsigned row = ((b >> 4) & 2) | (b & 1);
    const unsigned column = (b >> 1) & 0xF;
    s = (s << 4) | kS[j][row * 16 + column];
  }
  return uint32_t(Permute(s, 32, kP));
}

}  // namespace

void TCustomDes::MakeKeySchedule(const uint8_t key[8], uint8_t schedule[128]) const {
  const uint64_t cd = Permute(LoadBlock(key), 64, kPC1);
  uint32_t c = uint32_t(cd >> 28) & 0x0FFFFFFF;
  uint32_t d = uint32_t(cd) & 0x0FFFFFFF;
  for (int round = 0; round < 16; ++round) {
    for (int s = 0; s < kShifts[round]; ++s) {
      c = ((c << 1) | (c >> 27)) & 0x0FFFFFFF;
      d = ((d << 1) | (d >> 27)) & 0x0FFFFFFF;
    }
    const uint64_t subkey = Permute((uint64_t(c) << 28) | d, 56, kPC2);
    for (int j = 0; j < 8; ++j) schedule[8 * round + j] = uint8_t(subkey >> (42 - 6 * j)) & 0x3F;
  }
}

void TCustomDes::Crypt(const uint8_t schedule[128], bool decrypt, const uint8_t in[8], uint8_t out[8]) {
  const uint64_t permuted = Permute(LoadBlock(in), 64, kIP);
  uint32_t l = uint32_t(permuted >> 32), r = uint32_t(permuted);
  for (int i = 0; i < 16; ++i) {
    const int round = decrypt ? 15 - i : i;
    uint64_t subkey = 0;
    for (int j = 0; j < 8; ++j) subkey = (subkey << 6) | schedule[8 * round + j];
    const uint32_t next = l ^ Feistel(r, subkey);
    l = r;
    r = next;
  }
  // The halves are not swapped after the last round.
  StoreBlock(Permute((uint64_t(r) << 32) | l, 64, kFP), out);
}

void TDes::InitKey(const void* key, int sizeBits) {
  // A shorter key is padded with zero bits.
  uint8_t full[8] = {};
  std::memcpy(full, key, std::size_t((sizeBits + 7) / 8));
  if (sizeBits % 8) full[sizeBits / 8] &= uint8_t(0xFF << (8 - sizeBits % 8));
  MakeKeySchedule(full, schedule_);
  SecureFill(full, 0, sizeof full);
}

void TDes::EncryptECB(const void* in, void* out) {
  CheckInitialized();
  Crypt(schedule_, false, static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out));
}

void TDes::DecryptECB(const void* in, void* out) {
  CheckInitialized();
  Crypt(schedule_, true, static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out));
}

void TDes::Wipe() {
  SecureFill(schedule_, 0, sizeof schedule_);
  TCustomDes::Wipe();
}

// ===========================================================================
// Base64

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return unsigned(c - 'A');
  if (c >= 'a' && c <= 'z') return unsigned(c - 'a' + 26);
  if (c >= '0' && c <= '9') return unsigned(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

}  // namespace

std::size_t EncodeBase64Buffer(const void* in, std::size_t size, char* out) {
  const uint8_t* p = static_cast<const uint8_t*>(in);
  char* start = out;
  for (; size >= 3; size -= 3, p += 3) {
    const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    *out++ = kBase64Alphabet[v >> 18];
    *out++ = kBase64Alphabet[(v >> 12) & 0x3F];
    *out++ = kBase64Alphabet[(v >> 6) & 0x3F];
    *out++ = kBase64Alphabet[v & 0x3F];
  }
  if (size > 0) {
    const uint32_t v = uint32_t(p[0]) << 16 | (size > 1 ? uint32_t(p[1]) << 8 : 0);
    *out++ = kBase64Alphabet[v >> 18];
    *out++ = kBase64Alphabet[(v >> 12) & 0x3F];
    *out++ = size > 1 ? kBase64Alphabet[(v >> 6) & 0x3F] : '=';
    *out++ = '=';
  }
  return std::size_t(out - start);
}

std::size_t DecodeBase64Buffer(const char* in, std::size_t size, void* out) {
  uint8_t* dst = static_cast<uint8_t*>(out);
  uint8_t* start = dst;
  for (; size >= 4; size -= 4, in += 4) {
    const uint32_t v = Base64Value(in[0]) << 18 | Base64Value(in[1]) << 12 |
                       Base64Value(in[2]) << 6 | Base64Value(in[3]);
    *dst++ = uint8_t(v >> 16);
    if (in[2] == '=') continue;
    *dst++ = uint8_t(v >> 8);
    if (in[3] == '=') continue;
    *dst++ = uint8_t(v);
  }
  return std::size_t(dst - start);
}

std::string EncodeBase64String(std::string_view bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3), '\0');
  text.resize(EncodeBase64Buffer(bytes.data(), bytes.size(), text.data()));
  return text;
}

std::string DecodeBase64String(std::string_view text) {
  std::string bytes(text.size() / 4 * 3, '\0');
  bytes.resize(DecodeBase64Buffer(text.data(), text.size(), bytes.data()));
  return bytes;
}

// ===========================================================================

std::string CryptStr(std::string_view text, std::string_view passPhrase, int encrypt) {
  // No cut to the old registry limit of 255 characters: it made any text
  // over 189 characters encipher to something that never deciphered back.
  // Shorter texts never reached the limit, so what they store is unchanged.
  TDes cipher;
  cipher.DeriveKeyFromPassphrase(passPhrase, &HashClass<TSha1>);
  std::string result = encrypt ? cipher.EncipherText(text) : cipher.DecipherText(text);
  cipher.Wipe();
  return result;
}

}  // namespace core

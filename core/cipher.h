#pragma once
// The small cipher and hash framework behind the enciphered settings: DES
// (FIPS 46-3) with the usual modes of operation, SHA-1 (FIPS 180), Base64
// (RFC 4648 alphabet) and CryptStr, the routine the settings store calls.
// The framework is written here on purpose: the settings must read back the
// same on every machine, whatever cryptography library it has.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/sysutils.h"

namespace core {

class ECipher : public platform::Exception { using Exception::Exception; };
class EBlockCipher : public ECipher { using ECipher::ECipher; };
class EHash : public platform::Exception { using Exception::Exception; };

extern const char* const SCipherNotInitialized;   // "Cipher not initialized"
extern const char* const SInvalidKeySize;         // "Invalid key size"
extern const char* const SHashNotInitialized;     // "Hash not initialized"

// Identification numbers of the algorithms (the Id property).
enum : int { DesCipherId = 1, Sha1HashId = 2 };

// ---------------------------------------------------------------------------
// Hashes

class THash {
 public:
  virtual ~THash() = default;
  THash(const THash&) = delete;
  THash& operator=(const THash&) = delete;

  virtual int Id() const = 0;
  virtual std::string Algorithm() const = 0;
  virtual int HashSize() const = 0;   // digest size in bits
  bool Initialized() const { return initialized_; }

  virtual void Init() = 0;
  // Raise EHash "Hash not initialized" before Init.
  virtual void Update(const void* buffer, std::size_t size) = 0;
  void UpdateStr(std::string_view text) { Update(text.data(), text.size()); }
  // Writes HashSize / 8 bytes and burns the state: a new Init is needed.
  virtual void Final(void* digest) = 0;
  // Overwrites the state with zeros and marks the hash uninitialised.
  virtual void Burn() = 0;

 protected:
  THash() = default;
  void CheckInitialized() const;
  bool initialized_ = false;
};

// A hash class: makes a fresh hash object of that algorithm.
using THashClass = std::unique_ptr<THash> (*)();
template <class H>
std::unique_ptr<THash> HashClass() { return std::make_unique<H>(); }

class TSha1 : public THash {
 public:
  TSha1() = default;
  ~TSha1() override { Burn(); }
  int Id() const override { return Sha1HashId; }
  std::string Algorithm() const override { return "SHA1"; }
  int HashSize() const override { return 160; }
  void Init() override;
  void Update(const void* buffer, std::size_t size) override;
  void Final(void* digest) override;
  void Burn() override;

 private:
  void Compress();
  uint32_t state_[5] = {};
  uint8_t block_[64] = {};
  std::size_t used_ = 0;      // bytes waiting in block_
  uint64_t length_ = 0;       // message length in bytes
};

// ---------------------------------------------------------------------------
// Ciphers

class TCipher {
 public:
  virtual ~TCipher() = default;
  TCipher(const TCipher&) = delete;
  TCipher& operator=(const TCipher&) = delete;

  virtual int Id() const = 0;
  virtual std::string Algorithm() const = 0;
  virtual int MaxKeySize() const = 0;   // bits
  bool Initialized() const { return initialized_; }

  // Keys the cipher with sizeBits bits of key (1 .. MaxKeySize, else ECipher
  // "Invalid key size"). Block ciphers take an initialisation vector of one
  // block; without one they use the encryption of a zero block.
  void Init(const void* key, int sizeBits, const void* iv = nullptr);
  // Keys the cipher with the first min(MaxKeySize, HashSize) bits of the
  // digest of the key text.
  void DeriveKeyFromPassphrase(std::string_view key, THashClass hash);
  // Back to the state right after Init (the chaining value of block ciphers).
  virtual void Reset() {}
  // Overwrites the key material and marks the cipher uninitialised.
  virtual void Wipe() { initialized_ = false; }

  // Stream over any number of bytes; in and out may be the same buffer.
  virtual void Encrypt(const void* in, void* out, std::size_t size) = 0;
  virtual void Decrypt(const void* in, void* out, std::size_t size) = 0;

 protected:
  TCipher() = default;
  void CheckInitialized() const;
  // The key schedule; the size is already checked.
  virtual void InitKey(const void* key, int sizeBits) = 0;
  virtual void InitIV(const void* iv) {}
  bool initialized_ = false;
};

enum class TCipherMode { cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR, cmECB };

class TBlockCipher : public TCipher {
 public:
  virtual int BlockSize() const = 0;   // bits
  TCipherMode CipherMode() const { return mode_; }
  void SetCipherMode(TCipherMode mode) { mode_ = mode; }

  // In the selected mode.
  void Encrypt(const void* in, void* out, std::size_t size) override;
  void Decrypt(const void* in, void* out, std::size_t size) override;

  // One block.
  virtual void EncryptECB(const void* in, void* out) = 0;
  virtual void DecryptECB(const void* in, void* out) = 0;
  // The modes. ECB and CBC work on whole blocks; a trailing part block is
  // combined with the encryption of the chaining value so that any length
  // can be processed and the size is kept.
  virtual void EncryptECBStream(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptECBStream(const void* in, void* out, std::size_t size) = 0;
  virtual void EncryptCBC(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptCBC(const void* in, void* out, std::size_t size) = 0;
  virtual void EncryptCFB8bit(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptCFB8bit(const void* in, void* out, std::size_t size) = 0;
  virtual void EncryptCFBblock(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptCFBblock(const void* in, void* out, std::size_t size) = 0;
  virtual void EncryptOFB(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptOFB(const void* in, void* out, std::size_t size) = 0;
  virtual void EncryptCTR(const void* in, void* out, std::size_t size) = 0;
  virtual void DecryptCTR(const void* in, void* out, std::size_t size) = 0;

  // Texts are enciphered byte by byte (8-bit CFB, whatever the mode) so that
  // the cipher text is as long as the text, then stored as Base64.
  std::string EncipherText(std::string_view text);
  std::string DecipherText(std::string_view base64);

 protected:
  TBlockCipher() = default;

 private:
  TCipherMode mode_ = TCipherMode::cmCBC;
};

class TBlockCipher64 : public TBlockCipher {
 public:
  int BlockSize() const override { return 64; }
  void Reset() override;
  // Overwrites the vector and the chaining value with bytes 255.
  void Wipe() override;
  void SetIV(const void* iv);          // 8 bytes; also resets
  void GetIV(void* iv) const;          // the current chaining value, 8 bytes

  void EncryptECBStream(const void* in, void* out, std::size_t size) override;
  void DecryptECBStream(const void* in, void* out, std::size_t size) override;
  void EncryptCBC(const void* in, void* out, std::size_t size) override;
  void DecryptCBC(const void* in, void* out, std::size_t size) override;
  void EncryptCFB8bit(const void* in, void* out, std::size_t size) override;
  void DecryptCFB8bit(const void* in, void* out, std::size_t size) override;
  void EncryptCFBblock(const void* in, void* out, std::size_t size) override;
  void DecryptCFBblock(const void* in, void* out, std::size_t size) override;
  void EncryptOFB(const void* in, void* out, std::size_t size) override;
  void DecryptOFB(const void* in, void* out, std::size_t size) override;
  void EncryptCTR(const void* in, void* out, std::size_t size) override;
  void DecryptCTR(const void* in, void* out, std::size_t size) override;

 protected:
  TBlockCipher64() = default;
  void InitIV(const void* iv) override;

 private:
  void CFB8(const uint8_t* in, uint8_t* out, std::size_t size, bool encrypt);
  void CFBBlock(const uint8_t* in, uint8_t* out, std::size_t size, bool encrypt);
  void XorTail(const uint8_t* in, uint8_t* out, std::size_t size);
  uint8_t iv_[8] = {};
  uint8_t cv_[8] = {};
};

// The DES primitives, shared by the ciphers built on DES.
class TCustomDes : public TBlockCipher64 {
 protected:
  TCustomDes() = default;
  // The 16 subkeys of 48 bits, 8 bytes each (6 bits a byte), in the order
  // of the encryption rounds.
  void MakeKeySchedule(const uint8_t key[8], uint8_t schedule[128]) const;
  static void Crypt(const uint8_t schedule[128], bool decrypt, const uint8_t in[8], uint8_t out[8]);
};

class TDes : public TCustomDes {
 public:
  TDes() = default;
  ~TDes() override { Wipe(); }
  int Id() const override { return DesCipherId; }
  std::string Algorithm() const override { return "DES"; }
  int MaxKeySize() const override { return 64; }
  void EncryptECB(const void* in, void* out) override;
  void DecryptECB(const void* in, void* out) override;
  // Zeros the key schedule.
  void Wipe() override;

 protected:
  void InitKey(const void* key, int sizeBits) override;

 private:
  uint8_t schedule_[128] = {};
};

// ---------------------------------------------------------------------------
// Base64 (RFC 4648: "A"-"Z", "a"-"z", "0"-"9", "+", "/", "=" padding)

// Writes 4 * ((size + 2) / 3) characters; returns their number.
std::size_t EncodeBase64Buffer(const void* in, std::size_t size, char* out);
// Reads whole groups of four characters (the rest is ignored) and writes at
// most 3 bytes per group; returns the number of bytes written. A character
// outside the alphabet counts as 0; "=" as third or fourth character ends the
// group early.
std::size_t DecodeBase64Buffer(const char* in, std::size_t size, void* out);
std::string EncodeBase64String(std::string_view bytes);
std::string DecodeBase64String(std::string_view text);

// ---------------------------------------------------------------------------

// Enciphers (encrypt != 0) or deciphers a setting with a pass phrase: DES in
// 8-bit CFB keyed from the SHA-1 of the pass phrase, the cipher text as
// Base64, of any length. Deciphering never fails: a damaged cipher text
// gives wrong text.
std::string CryptStr(std::string_view text, std::string_view passPhrase, int encrypt);

}  // namespace core

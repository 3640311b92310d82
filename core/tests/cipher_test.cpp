#include "core/cipher.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace core;

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

std::string Sha1Hex(std::string_view message) {
  TSha1 hash;
  hash.Init();
  hash.UpdateStr(message);
  std::string digest(20, '\0');
  hash.Final(digest.data());
  return ToHex(digest);
}

// The settings pass phrase of the workbench.
const char* const kPassPhrase = "k7wR4pe9";

// ---------------------------------------------------------------------------
// SHA-1

TEST(Sha1Test, StandardVectors) {
  struct Case { std::string message, digest; };
  const Case cases[] = {
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      // The 448-bit message of two blocks.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sha1Hex(c.message), c.digest) << c.message.substr(0, 60);
}

TEST(Sha1Test, PiecewiseUpdatesGiveTheSameDigest) {
  // Splits across the 64-byte block boundary and the 56-byte padding limit.
  const std::string message(150, 'x');
  for (std::size_t split : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 150u}) {
    TSha1 hash;
    hash.Init();
    hash.Update(message.data(), split);
    hash.Update(message.data() + split, message.size() - split);
    std::string digest(20, '\0');
    hash.Final(digest.data());
    EXPECT_EQ(ToHex(digest), Sha1Hex(message)) << split;
  }
  // Messages whose padding needs a second block.
  for (std::size_t n : {55u, 56u, 57u, 63u, 64u}) EXPECT_EQ(Sha1Hex(std::string(n, 'a')).size(), 40u);
  EXPECT_EQ(Sha1Hex(std::string(56, 'a')), Sha1Hex(std::string(56, 'a')));
  EXPECT_NE(Sha1Hex(std::string(55, 'a')), Sha1Hex(std::string(56, 'a')));
}

TEST(Sha1Test, IdentificationAndUninitialisedUse) {
  TSha1 hash;
  EXPECT_EQ(hash.Algorithm(), "SHA1");
  EXPECT_EQ(hash.HashSize(), 160);
  EXPECT_EQ(hash.Id(), Sha1HashId);
  EXPECT_FALSE(hash.Initialized());
  try {
    hash.UpdateStr("abc");
    FAIL() << "no error";
  } catch (const EHash& e) {
    EXPECT_STREQ(e.what(), "Hash not initialized");
  }
  char digest[20];
  EXPECT_THROW(hash.Final(digest), EHash);
  // Final burns the state: a second Final needs a new Init.
  hash.Init();
  hash.UpdateStr("abc");
  hash.Final(digest);
  EXPECT_FALSE(hash.Initialized());
  EXPECT_THROW(hash.UpdateStr("abc"), EHash);
}

// ---------------------------------------------------------------------------
// DES

std::string DesEcb(const std::string& keyHex, const std::string& plain, bool decrypt = false) {
  const std::string key = FromHex(keyHex);
  TDes des;
  des.Init(key.data(), 64);
  des.SetCipherMode(TCipherMode::cmECB);
  std::string out(plain.size(), '\0');
  if (decrypt)
    des.Decrypt(plain.data(), out.data(), plain.size());
  else
    des.Encrypt(plain.data(), out.data(), plain.size());
  return out;
}

TEST(DesTest, KnownAnswers) {
  struct Case { const char* key; std::string plain; const char* cipher; };
  const Case cases[] = {
      {"0123456789abcdef", "Now is the time for all ",
       "3fa40e8a984d48156a271787ab8883f9893d51ec4b563b53"},
      {"133457799bbcdff1", FromHex("0123456789abcdef"), "85e813540f0ab405"},
      // Variable plaintext test with the weak all-parity key.
      {"0101010101010101", FromHex("8000000000000000"), "95f8a5e5dd31d900"},
      // The first S-box test of the validation set.
      {"7ca110454a1a6e57", FromHex("01a1d6d039776742"), "690f5b0d9a26939b"},
  };
  for (const Case& c : cases) {
    const std::string cipher = DesEcb(c.key, c.plain);
    EXPECT_EQ(ToHex(cipher), c.cipher) << c.key;
    EXPECT_EQ(DesEcb(c.key, cipher, true), c.plain) << c.key;
  }
}

TEST(DesTest, AlternatingEncryptDecryptChainReachesTheKnownValue) {
  // Sixteen steps, each keyed by the value it works on, encrypting on even
  // and decrypting on odd steps: this exercises every S-box entry path far
  // more than a handful of vectors.
  std::string x = FromHex("9474b8e8c73bca7d");
  for (int i = 0; i < 16; ++i) {
    TDes des;
    des.Init(x.data(), 64);
    std::string next(8, '\0');
    if (i % 2 == 0)
      des.EncryptECB(x.data(), next.data());
    else
      des.DecryptECB(x.data(), next.data());
    x = next;
  }
  EXPECT_EQ(ToHex(x), "1b1a2ddb4c642438");
}

TEST(DesTest, ParityBitsOfTheKeyAreIgnored) {
  const std::string plain = "8 bytes!";
  EXPECT_EQ(DesEcb("0123456789abcdef", plain), DesEcb("0022446688aaccee", plain));
  EXPECT_NE(DesEcb("0123456789abcdef", plain), DesEcb("0223456789abcdef", plain));
}

TEST(DesTest, EightBitCfbOfTheModesStandard) {
  const std::string key = FromHex("0123456789abcdef");
  const std::string iv = FromHex("1234567890abcdef");
  const std::string plain = "Now is the";
  TDes des;
  des.Init(key.data(), 64, iv.data());
  des.SetCipherMode(TCipherMode::cmCFB8bit);
  std::string cipher(plain.size(), '\0');
  des.Encrypt(plain.data(), cipher.data(), plain.size());
  EXPECT_EQ(ToHex(cipher), "f31fda07011462ee187f");

  des.Reset();
  std::string back = cipher;
  des.Decrypt(back.data(), back.data(), back.size());   // in place
  EXPECT_EQ(back, plain);
}

TEST(DesTest, EveryModeRoundTripsAnyLengthInPlace) {
  const std::string key = FromHex("0123456789abcdef");
  const TCipherMode modes[] = {TCipherMode::cmCBC, TCipherMode::cmCFB8bit, TCipherMode::cmCFBblock,
                               TCipherMode::cmOFB, TCipherMode::cmCTR,     TCipherMode::cmECB};
  std::string plain;
  for (int i = 0; i < 37; ++i) plain += char('A' + i % 26);
  for (TCipherMode mode : modes) {
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 16u, 37u}) {
      TDes des;
      des.Init(key.data(), 64);
      des.SetCipherMode(mode);
      std::string data = plain.substr(0, n);
      des.Encrypt(data.data(), data.data(), n);
      if (n >= 8) {
        EXPECT_NE(data, plain.substr(0, n)) << int(mode) << " " << n;
      }
      des.Reset();
      des.Decrypt(data.data(), data.data(), n);
      EXPECT_EQ(data, plain.substr(0, n)) << int(mode) << " " << n;
    }
  }
}

TEST(DesTest, CbcChainsBlocks) {
  // Two equal plain blocks differ in CBC and are equal in ECB.
  const std::string key = FromHex("0123456789abcdef");
  const std::string plain = "SameBlokSameBlok";
  TDes des;
  des.Init(key.data(), 64);
  std::string cbc(16, '\0');
  des.Encrypt(plain.data(), cbc.data(), 16);   // CBC is the default mode
  EXPECT_EQ(des.CipherMode(), TCipherMode::cmCBC);
  EXPECT_NE(cbc.substr(0, 8), cbc.substr(8, 8));
  const std::string ecb = DesEcb("0123456789abcdef", plain);
  EXPECT_EQ(ecb.substr(0, 8), ecb.substr(8, 8));
}

TEST(DesTest, DefaultVectorIsTheEncryptedZeroBlock) {
  const std::string key = FromHex("0123456789abcdef");
  TDes des;
  des.Init(key.data(), 64);
  std::string iv(8, '\0'), expected(8, '\0');
  des.GetIV(iv.data());
  const char zero[8] = {};
  des.EncryptECB(zero, expected.data());
  EXPECT_EQ(iv, expected);
}

TEST(DesTest, IdentificationKeySizeAndWipe) {
  TDes des;
  EXPECT_EQ(des.Algorithm(), "DES");
  EXPECT_EQ(des.MaxKeySize(), 64);
  EXPECT_EQ(des.BlockSize(), 64);
  EXPECT_EQ(des.Id(), DesCipherId);
  EXPECT_FALSE(des.Initialized());

  char buffer[8] = {};
  try {
    des.Encrypt(buffer, buffer, 8);
    FAIL() << "no error";
  } catch (const ECipher& e) {
    EXPECT_STREQ(e.what(), "Cipher not initialized");
  }
  EXPECT_THROW(des.EncryptECB(buffer, buffer), ECipher);

  const char key[9] = "12345678";
  try {
    des.Init(key, 72);
    FAIL() << "no error";
  } catch (const ECipher& e) {
    EXPECT_STREQ(e.what(), "Invalid key size");
  }
  EXPECT_THROW(des.Init(key, 0), ECipher);
  EXPECT_FALSE(des.Initialized());

  des.Init(key, 64);
  EXPECT_TRUE(des.Initialized());
  des.Wipe();
  EXPECT_FALSE(des.Initialized());
  EXPECT_THROW(des.Encrypt(buffer, buffer, 8), ECipher);
  EXPECT_THROW(des.Reset(), ECipher);
}

TEST(DesTest, ShortKeysArePaddedWithZeroBits) {
  const char key[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  const char padded[8] = {'a', 'b', 'c', 'd', 0, 0, 0, 0};
  const char plain[8] = "block!!";
  TDes shortKey, fullKey;
  shortKey.Init(key, 32);
  fullKey.Init(padded, 64);
  char a[8], b[8];
  shortKey.EncryptECB(plain, a);
  fullKey.EncryptECB(plain, b);
  EXPECT_EQ(std::string(a, 8), std::string(b, 8));
}

// ---------------------------------------------------------------------------
// Base64

TEST(Base64Test, StandardExamples) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(EncodeBase64String(plain), encoded);
    EXPECT_EQ(DecodeBase64String(encoded), plain);
  }
}

TEST(Base64Test, AllByteValuesRoundTripThroughTheBufferForms) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += char(i);
  std::string text(4 * ((bytes.size() + 2) / 3), '\0');
  ASSERT_EQ(EncodeBase64Buffer(bytes.data(), bytes.size(), text.data()), text.size());
  EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  std::string back(text.size(), '\0');
  back.resize(DecodeBase64Buffer(text.data(), text.size(), back.data()));
  EXPECT_EQ(back, bytes);
}

TEST(Base64Test, DecodingOddInputNeverFails) {
  EXPECT_EQ(DecodeBase64String("Zm9vYg==Zg"), "foob");   // part group ignored
  EXPECT_EQ(DecodeBase64String("Zm9"), "");
  EXPECT_EQ(DecodeBase64String("QQ=A"), "A");             // third "=": one byte
  EXPECT_EQ(DecodeBase64String("Zg==Zm8="), "ffo");       // padding mid-text
  EXPECT_EQ(DecodeBase64String("!!!!").size(), 3u);       // outside the alphabet: 0
  EXPECT_EQ(DecodeBase64String("!!!!"), std::string(3, '\0'));
}

// ---------------------------------------------------------------------------
// CryptStr

TEST(CryptStrTest, RoundTripsEveryLengthUpTo189) {
  std::string plain;
  for (int n = 0; n <= 189; ++n) {
    const std::string cipher = CryptStr(plain, kPassPhrase, 1);
    EXPECT_EQ(cipher.size(), 4 * ((plain.size() + 2) / 3)) << n;
    EXPECT_LE(cipher.size(), 252u);
    EXPECT_EQ(CryptStr(cipher, kPassPhrase, 0), plain) << n;
    plain += char(32 + (n * 7) % 95);
  }
}

TEST(CryptStrTest, EmptyAndOneCharacterTexts) {
  EXPECT_EQ(CryptStr("", kPassPhrase, 1), "");
  EXPECT_EQ(CryptStr("", kPassPhrase, 0), "");
  const std::string one = CryptStr("x", kPassPhrase, 1);
  ASSERT_EQ(one.size(), 4u);
  EXPECT_EQ(one.substr(2), "==");
  EXPECT_EQ(CryptStr(one, kPassPhrase, 0), "x");
}

// The construction written out step by step: key, the first 8 bytes of the
// SHA-1 of the pass phrase; vector, the encryption of a zero block; 8-bit
// CFB; Base64. What CryptStr has always stored for a text of up to 189
// characters.
std::string EncipheredByConstruction(std::string data) {
  TSha1 sha;
  sha.Init();
  sha.UpdateStr(kPassPhrase);
  char digest[20];
  sha.Final(digest);
  TDes des;
  des.Init(digest, 64);
  char zero[8] = {}, iv[8];
  des.EncryptECB(zero, iv);
  des.SetIV(iv);
  des.SetCipherMode(TCipherMode::cmCFB8bit);
  des.Encrypt(data.data(), data.data(), data.size());
  return EncodeBase64String(data);
}

TEST(CryptStrTest, MatchesTheConstructionStepByStep) {
  EXPECT_EQ(CryptStr("smtp.example.com", kPassPhrase, 1), EncipheredByConstruction("smtp.example.com"));
}

// Texts of any length encipher and decipher whole; the short ones keep the
// enciphered text they always had, so stored settings read back both ways.
TEST(CryptStrTest, TextsOfEveryLengthRoundTripWhole) {
  struct Case {
    const char* name;
    std::string plain;
  };
  auto ascii = [](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += char(33 + (i * 11) % 94);
    return text;
  };
  // "é" is two bytes: n characters are 2n bytes.
  auto utf8 = [](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += i % 2 ? "\xC3\xA9" : "q";
    return text;
  };
  std::vector<Case> cases;
  for (std::size_t n : {0, 1, 189, 190, 255, 256, 1000}) {
    cases.push_back({"ascii", ascii(n)});
    cases.push_back({"utf-8", utf8(n)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.name << " " << c.plain.size() << " bytes");
    const std::string cipher = CryptStr(c.plain, kPassPhrase, 1);
    EXPECT_EQ(cipher.size(), 4 * ((c.plain.size() + 2) / 3));
    EXPECT_EQ(cipher, EncipheredByConstruction(c.plain));
    EXPECT_EQ(CryptStr(cipher, kPassPhrase, 0), c.plain);
  }
  // A stored setting enciphered before texts were no longer cut.
  EXPECT_EQ(CryptStr("smtp.example.com", kPassPhrase, 1), "nQpWplOJ2OaNk5uac0astg==");
  EXPECT_EQ(CryptStr("nQpWplOJ2OaNk5uac0astg==", kPassPhrase, 0), "smtp.example.com");
}

TEST(CryptStrTest, DifferentPassPhrasesGiveDifferentTexts) {
  std::set<std::string> seen;
  for (const char* phrase : {"k7wR4pe9", "k7wR4pe8", "", "K7WR4PE9", "another pass phrase"})
    EXPECT_TRUE(seen.insert(CryptStr("secret password", phrase, 1)).second) << phrase;
  const std::string cipher = CryptStr("secret password", "k7wR4pe9", 1);
  EXPECT_NE(CryptStr(cipher, "k7wR4pe8", 0), "secret password");
  // The same pass phrase always gives the same text: stored settings read back.
  EXPECT_EQ(CryptStr("secret password", "k7wR4pe9", 1), cipher);
}

TEST(CryptStrTest, DecipheringGarbageNeverFails) {
  const std::vector<std::string> garbage = {
      "x", "ab", "abc", "====", "!@#$%^&*()", "Zg", std::string("\xff\xfe\x00\x01" "abcd", 8),
      std::string(300, '='), "plain text, not Base64 at all", "ÄÖÜ€ unicode"};
  for (const std::string& text : garbage) {
    std::string result;
    EXPECT_NO_THROW(result = CryptStr(text, kPassPhrase, 0)) << text;
    EXPECT_EQ(result.size(), DecodeBase64String(text).size());
  }
}

TEST(CryptStrTest, EightBitTextRoundTrips) {
  std::string bytes;
  for (int i = 0; i < 189; ++i) bytes += char(255 - i);
  EXPECT_EQ(CryptStr(CryptStr(bytes, kPassPhrase, 1), kPassPhrase, 0), bytes);
}

}  // namespace

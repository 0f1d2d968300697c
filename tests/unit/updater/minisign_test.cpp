// Signatures made by the real minisign tool, verified here; each kind of tampering gives its
// own answer; our signatures pass minisign's own check.
#include "updater/core/minisign.h"

#include <sodium.h>

#include "tests/unit/updater/updater_test_support.h"

namespace lumora::update {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::RunProgram;
using test::ScratchDir;
using test::WriteFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

std::vector<unsigned char> FromBase64(const std::string& text) {
  std::vector<unsigned char> bytes(text.size());
  std::size_t size = 0;
  EXPECT_EQ(sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &size,
                              nullptr, sodium_base64_VARIANT_ORIGINAL),
            0);
  bytes.resize(size);
  return bytes;
}

std::string ToBase64(const std::vector<unsigned char>& bytes) {
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);
  return text;
}

// Flips one bit of byte `index` of the base64 line `line` of `text`.
std::string FlipByte(const std::string& text, std::size_t line, std::size_t index) {
  auto lines = Lines(text);
  auto bytes = FromBase64(lines[line]);
  bytes.at(index) ^= 0x01;
  lines[line] = ToBase64(bytes);
  return JoinLines(lines);
}

class MinisignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunProgram({"minisign", "-G", "-W", "-p", Path("k.pub"), "-s", Path("k.sec")}), 0)
        << "the minisign tool is needed (scripts/install-deps.sh)";
    ASSERT_EQ(
        RunProgram({"minisign", "-G", "-W", "-p", Path("other.pub"), "-s", Path("other.sec")}), 0);
    message_ = "{\"version\": \"1.0.1304.1\"}\n";
    WriteFile(dir_ / "m.json", message_);
    ASSERT_EQ(RunProgram({"minisign", "-S", "-s", Path("k.sec"), "-m", Path("m.json"), "-t",
                          "release 1.0.1304.1"}),
              0);
    ASSERT_EQ(RunProgram({"minisign", "-S", "-l", "-s", Path("k.sec"), "-m", Path("m.json"), "-x",
                          Path("legacy.minisig"), "-t", "legacy release"}),
              0);
    prehashed_ = ReadFile(dir_ / "m.json.minisig");
    legacy_ = ReadFile(dir_ / "legacy.minisig");
    auto key = ParsePublicKey(ReadFile(dir_ / "k.pub"));
    ASSERT_TRUE(key);
    key_ = *key;
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  ScratchDir dir_;
  std::string message_, prehashed_, legacy_;
  PublicKey key_;
};

TEST_F(MinisignTest, PublicKeyFileWithOrWithoutCommentLine) {
  const std::string file = ReadFile(dir_ / "k.pub");
  const std::string key_line = Lines(file).at(1);
  for (const std::string& text : {file, key_line, key_line + "\n", key_line + "\r\n",
                                  "untrusted comment: x\r\n" + key_line + "\r\n\r\n"}) {
    const auto key = ParsePublicKey(text);
    ASSERT_TRUE(key) << text;
    EXPECT_EQ(key->key, key_.key);
    EXPECT_EQ(key->key_id, key_.key_id);
  }
  // The comment line names the key id as minisign prints it.
  EXPECT_NE(file.find(KeyIdText(key_.key_id)), std::string::npos);
}

TEST_F(MinisignTest, PublicKeyRefusesWhatIsNotOne) {
  const std::string key_line = Lines(ReadFile(dir_ / "k.pub")).at(1);
  auto bytes = FromBase64(key_line);
  auto wrong_alg = bytes;
  wrong_alg[1] = 'D';
  auto longer = bytes;
  longer.push_back(0);
  for (const std::string& text :
       {std::string(), std::string("untrusted comment: only\n"), key_line.substr(1), key_line + "=",
        key_line + " ", "x" + key_line, key_line + "\n" + key_line, ToBase64(wrong_alg),
        ToBase64(longer), ToBase64({bytes.begin(), bytes.end() - 1}),
        "trusted comment: no\n" + key_line}) {
    EXPECT_FALSE(ParsePublicKey(text)) << text;
  }
}

TEST_F(MinisignTest, ToolSignaturesVerifyInBothAlgorithms) {
  std::string comment;
  EXPECT_EQ(Verify(key_, message_, prehashed_, &comment), VerifyError::kNone);
  EXPECT_EQ(comment, "release 1.0.1304.1");
  EXPECT_EQ(Verify(key_, message_, legacy_, &comment), VerifyError::kNone);
  EXPECT_EQ(comment, "legacy release");
  // Line ends written elsewhere.
  std::string crlf;
  for (const auto& line : Lines(prehashed_)) crlf += line + "\r\n";
  EXPECT_EQ(Verify(key_, message_, crlf), VerifyError::kNone);
}

TEST_F(MinisignTest, EachTamperingHasItsAnswer) {
  for (const std::string* sig : {&prehashed_, &legacy_}) {
    SCOPED_TRACE(sig == &legacy_ ? "legacy" : "prehashed");
    std::string comment = "untouched";
    EXPECT_EQ(Verify(key_, message_ + " ", *sig, &comment), VerifyError::kBadSignature);
    EXPECT_EQ(comment, "untouched");
    EXPECT_EQ(Verify(key_, "", *sig), VerifyError::kBadSignature);
    // Signature bytes (after algorithm and key id).
    EXPECT_EQ(Verify(key_, message_, FlipByte(*sig, 1, 10)), VerifyError::kBadSignature);
    EXPECT_EQ(Verify(key_, message_, FlipByte(*sig, 1, 73)), VerifyError::kBadSignature);
    // The key id inside the signature.
    EXPECT_EQ(Verify(key_, message_, FlipByte(*sig, 1, 2)), VerifyError::kWrongKey);
    // The trusted comment, and the signature over it.
    auto lines = Lines(*sig);
    lines[2] += "x";
    EXPECT_EQ(Verify(key_, message_, JoinLines(lines)), VerifyError::kBadGlobalSignature);
    EXPECT_EQ(Verify(key_, message_, FlipByte(*sig, 3, 0)), VerifyError::kBadGlobalSignature);
    // The untrusted comment is not signed, as its name says.
    lines = Lines(*sig);
    lines[0] = "untrusted comment: anything";
    EXPECT_EQ(Verify(key_, message_, JoinLines(lines)), VerifyError::kNone);
  }
  // The prehashed form turned legacy (and back) no longer matches the message.
  auto to_legacy = Lines(prehashed_);
  auto bytes = FromBase64(to_legacy[1]);
  bytes[1] = 'd';
  to_legacy[1] = ToBase64(bytes);
  EXPECT_EQ(Verify(key_, message_, JoinLines(to_legacy)), VerifyError::kBadSignature);
}

TEST_F(MinisignTest, AnotherKeyIsRefused) {
  const auto other = ParsePublicKey(ReadFile(dir_ / "other.pub"));
  ASSERT_TRUE(other);
  EXPECT_EQ(Verify(*other, message_, prehashed_), VerifyError::kWrongKey);
  // Another key that claims the same id still fails the signature itself.
  PublicKey impostor = *other;
  impostor.key_id = key_.key_id;
  EXPECT_EQ(Verify(impostor, message_, prehashed_), VerifyError::kBadSignature);
  EXPECT_EQ(Verify(impostor, message_, legacy_), VerifyError::kBadSignature);
}

TEST_F(MinisignTest, MalformedSignatureFiles) {
  const auto lines = Lines(prehashed_);
  auto with = [&](std::size_t index, const std::string& line) {
    auto changed = lines;
    changed[index] = line;
    return JoinLines(changed);
  };
  auto bytes = FromBase64(lines[1]);
  auto unknown_alg = bytes;
  unknown_alg[1] = 'x';
  const std::vector<std::string> malformed = {
      "",
      lines[0] + "\n" + lines[1] + "\n",
      JoinLines({lines[0], lines[1], lines[2]}),
      with(0, "comment: no prefix"),
      with(2, "untrusted comment: in the trusted place"),
      with(1, lines[1].substr(0, lines[1].size() - 4)),
      with(1, lines[1] + "AAAA"),
      with(1, "!" + lines[1].substr(1)),
      with(1, ToBase64(unknown_alg)),
      with(3, lines[3].substr(4)),
      with(3, ""),
      with(2, "trusted comment: " + std::string(9000, 'a')),
      prehashed_ + "extra line\n",
      with(0, "untrusted comment: " + std::string(2000, 'u')),
  };
  for (const auto& text : malformed) {
    EXPECT_EQ(Verify(key_, message_, text), VerifyError::kMalformed) << text;
  }
}

TEST_F(MinisignTest, OurSignaturesPassTheToolAndOurCheck) {
  std::string error;
  const std::string comment = "timestamp:1\tfile:m.json\thashed";
  const auto signature = Sign(ReadFile(dir_ / "k.sec"), message_, comment, &error);
  ASSERT_TRUE(signature) << error;
  std::string read_comment;
  EXPECT_EQ(Verify(key_, message_, *signature, &read_comment), VerifyError::kNone);
  EXPECT_EQ(read_comment, comment);
  WriteFile(dir_ / "ours.minisig", *signature);
  EXPECT_EQ(RunProgram({"minisign", "-V", "-H", "-p", Path("k.pub"), "-m", Path("m.json"), "-x",
                        Path("ours.minisig")}),
            0);
  WriteFile(dir_ / "m.json", message_ + "tampered");
  EXPECT_NE(RunProgram({"minisign", "-V", "-p", Path("k.pub"), "-m", Path("m.json"), "-x",
                        Path("ours.minisig")}),
            0);
}

TEST_F(MinisignTest, SigningRefusesUnusableKeys) {
  const std::string secret = ReadFile(dir_ / "k.sec");
  const auto lines = Lines(secret);
  std::string error;
  // A password-protected key (scrypt key derivation).
  auto bytes = FromBase64(lines[1]);
  bytes[2] = 'S';
  bytes[3] = 'c';
  EXPECT_FALSE(Sign(JoinLines({lines[0], ToBase64(bytes)}), message_, "c", &error));
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  // A damaged secret key: its public half no longer matches its seed.
  bytes = FromBase64(lines[1]);
  bytes[2 + 2 + 2 + 32 + 8 + 8 + 8 + 40] ^= 1;
  error.clear();
  EXPECT_FALSE(Sign(JoinLines({lines[0], ToBase64(bytes)}), message_, "c", &error));
  EXPECT_FALSE(error.empty());
  // Not a secret key at all, and a comment that would break the file's lines.
  EXPECT_FALSE(Sign(ReadFile(dir_ / "k.pub"), message_, "c", &error));
  EXPECT_FALSE(Sign("", message_, "c", &error));
  EXPECT_FALSE(Sign(secret, message_, "two\nlines", &error));
}

// The -W key of `text` sealed with `password` as minisign seals keys, at the cheapest scrypt
// cost, so wrong and right passwords can be tried quickly.
std::string SealCheaply(const std::string& text, const std::string& password) {
  auto lines = Lines(text);
  auto bytes = FromBase64(lines[1]);
  constexpr std::size_t kHead = 54, kSealed = 8 + 64 + 32;
  bytes[2] = 'S';
  bytes[3] = 'c';
  randombytes_buf(bytes.data() + 6, 32);
  const std::uint64_t ops = crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_MIN;
  const std::uint64_t memory = crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_MIN;
  for (int i = 0; i < 8; ++i) {
    bytes[38 + i] = static_cast<unsigned char>(ops >> (8 * i));
    bytes[46 + i] = static_cast<unsigned char>(memory >> (8 * i));
  }
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, 32);
  crypto_generichash_update(&state, bytes.data(), 2);
  crypto_generichash_update(&state, bytes.data() + kHead, 8 + 64);
  crypto_generichash_final(&state, bytes.data() + kHead + 72, 32);
  unsigned char stream[kSealed];
  EXPECT_EQ(crypto_pwhash_scryptsalsa208sha256(stream, sizeof stream, password.data(),
                                               password.size(), bytes.data() + 6, ops, memory),
            0);
  for (std::size_t i = 0; i < kSealed; ++i) bytes[kHead + i] ^= stream[i];
  lines[1] = ToBase64(bytes);
  return JoinLines(lines);
}

TEST_F(MinisignTest, PasswordProtectedKeys) {
  // A key sealed by the tool itself (its own, costly scrypt settings).
  ASSERT_EQ(RunProgram({"minisign", "-G", "-p", Path("e.pub"), "-s", Path("e.sec")},
                       "pass word\npass word\n"),
            0);
  const std::string sealed = ReadFile(dir_ / "e.sec");
  EXPECT_TRUE(SecretKeyIsEncrypted(sealed));
  EXPECT_FALSE(SecretKeyIsEncrypted(ReadFile(dir_ / "k.sec")));
  std::string error;
  EXPECT_FALSE(Sign(sealed, message_, "c", &error));
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  const auto signature = Sign(sealed, message_, "sealed key", &error, "pass word");
  ASSERT_TRUE(signature) << error;
  WriteFile(dir_ / "sealed.minisig", *signature);
  EXPECT_EQ(RunProgram({"minisign", "-V", "-p", Path("e.pub"), "-m", Path("m.json"), "-x",
                        Path("sealed.minisig")}),
            0);

  // Wrong passwords, on a cheaply sealed copy of the test key.
  const std::string cheap = SealCheaply(ReadFile(dir_ / "k.sec"), "right");
  EXPECT_TRUE(SecretKeyIsEncrypted(cheap));
  for (const std::string wrong : {"wrong", "righ", "right "}) {
    error.clear();
    EXPECT_FALSE(Sign(cheap, message_, "c", &error, wrong)) << wrong;
    EXPECT_NE(error.find("Wrong password"), std::string::npos) << error;
  }
  const auto cheap_signature = Sign(cheap, message_, "c", &error, "right");
  ASSERT_TRUE(cheap_signature) << error;
  EXPECT_EQ(Verify(key_, message_, *cheap_signature), VerifyError::kNone);
}

}  // namespace
}  // namespace lumora::update

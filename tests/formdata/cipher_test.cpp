#include "core/error.h"
#include "formdata/blowfish.h"
#include "formdata/crypt.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray blowfishBlock(const QByteArray& key, const QByteArray& block, bool decrypt)
{
    TBlowFish cipher;
    cipher.setupKey(reinterpret_cast<const quint8*>(key.constData()), int(key.size()));
    quint32 words[2];
    cipher.bytesToBlock(reinterpret_cast<const quint8*>(block.constData()), words);
    if (decrypt)
        cipher.decryptBlock(words);
    else
        cipher.encryptBlock(words);
    QByteArray out(8, '\0');
    cipher.blockToBytes(words, reinterpret_cast<quint8*>(out.data()));
    return out;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

class BlowFishVectors : public ::testing::TestWithParam<Vector> {};

}

// Published vectors for single blocks, including keys of 1, 8 and 24 bytes.
TEST_P(BlowFishVectors, EncryptsAndDecryptsOneBlock)
{
    const Vector v = GetParam();
    EXPECT_EQ(blowfishBlock(bytes(v.key), bytes(v.plain), false).toHex().toUpper(), QByteArray(v.cipher));
    EXPECT_EQ(blowfishBlock(bytes(v.key), bytes(v.cipher), true), bytes(v.plain));
}

INSTANTIATE_TEST_SUITE_P(Published, BlowFishVectors, ::testing::Values(
    Vector { "0000000000000000", "0000000000000000", "4EF997456198DD78" },
    Vector { "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A" },
    Vector { "3000000000000000", "1000000000000001", "7D856F9A613063F2" },
    Vector { "1111111111111111", "1111111111111111", "2466DD878B963C9D" },
    Vector { "0123456789ABCDEF", "1111111111111111", "61F9C3802281B096" },
    Vector { "FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D" },
    Vector { "F0", "FEDCBA9876543210", "F9AD597C49DB005E" },
    Vector { "F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82" },
    Vector { "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080" }));

TEST(BlowFish, KeysBeyond72BytesUseTheirFirst72)
{
    const QByteArray key72(72, 'k');
    const QByteArray plain = bytes("0123456789ABCDEF");
    EXPECT_EQ(blowfishBlock(key72 + "extra", plain, false), blowfishBlock(key72, plain, false));
    EXPECT_NE(blowfishBlock(key72.left(71) + "x", plain, false), blowfishBlock(key72, plain, false));
}

TEST(CryptCBC, PublishedChainingVectorWithZeroPadding)
{
    TCryptCBC crypt(bytes("0123456789ABCDEFF0E1D2C3B4A59687"), true, TCrypt::PaddingZeros,
                    bytes("FEDCBA9876543210"), new TBlowFish);
    const QByteArray plain = QByteArray("7654321 Now is the time for ", 29);
    const QByteArray cipherText = crypt.encrypt(plain);
    EXPECT_EQ(cipherText.toHex().toUpper(),
              QByteArray("6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC"));
    // Zero padding cannot tell the message's own trailing zero from the padding.
    EXPECT_EQ(crypt.decrypt(cipherText), plain.left(28));
    // Every message starts again from the IV.
    EXPECT_EQ(crypt.encrypt(plain), cipherText);
}

TEST(CryptCBC, PaddingModesRoundTripWithTheirLengths)
{
    const QByteArray iv = bytes("3C91E6A07B245D18");
    for (int mode = TCrypt::PaddingPkcs5; mode <= TCrypt::PaddingBlanks; ++mode) {
        TCryptCBC crypt("key", true, TCrypt::Padding(mode), iv, new TBlowFish);
        for (const QByteArray& plain : { QByteArray(), QByteArray("1234567"), QByteArray("12345678"), QByteArray("abcdefghijk") }) {
            SCOPED_TRACE(mode);
            SCOPED_TRACE(plain.constData());
            const QByteArray cipherText = crypt.encrypt(plain);
            EXPECT_EQ(cipherText.size(), (plain.size() / 8 + 1) * 8);
            EXPECT_EQ(crypt.decrypt(cipherText), plain);
        }
    }
    TCryptCBC none("key", true, TCrypt::PaddingNone, iv, new TBlowFish);
    EXPECT_EQ(none.decrypt(none.encrypt("12345678abcdefgh")), QByteArray("12345678abcdefgh"));
    EXPECT_THROW(none.encrypt("123"), TError);
}

TEST(CryptCBC, PaddingThatDoesNotCheckOutFails)
{
    const QByteArray iv = bytes("3C91E6A07B245D18");
    TCryptCBC right("right key", true, TCrypt::PaddingPkcs5, iv, new TBlowFish);
    TCryptCBC wrong("wrong key", true, TCrypt::PaddingPkcs5, iv, new TBlowFish);
    const QByteArray cipherText = right.encrypt("secret-123456");
    EXPECT_THROW(wrong.decrypt(cipherText), TError);
    EXPECT_THROW(right.decrypt(cipherText.left(12)), TError);

    // 0x80 padding without its marker byte.
    TCryptCBC bit("key", true, TCrypt::PaddingOneZeros, iv, new TBlowFish);
    TCryptCBC raw("key", true, TCrypt::PaddingNone, iv, new TBlowFish);
    EXPECT_THROW(bit.decrypt(raw.encrypt(QByteArray("abc\0\0\0\0\0", 8))), TError);
    try {
        bit.decrypt(raw.encrypt(QByteArray(8, '\0')));
        FAIL();
    } catch (const TError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Crypt Error"));
    }
}

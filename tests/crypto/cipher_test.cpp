#include "core/error.h"
#include "crypto/blowfish.h"
#include "crypto/crypt.h"

#include <gtest/gtest.h>

namespace {

QByteArray blowfishBlock(const QByteArray& key, const QByteArray& block, bool decrypt)
{
    TBlowFish cipher;
    cipher.setupKey(reinterpret_cast<const quint8*>(key.constData()), int(key.size()));
    quint32 words[2];
    cipher.bytesToBlock(reinterpret_cast<const quint8*>(block.constData()), words);
    decrypt ? cipher.decryptBlock(words) : cipher.encryptBlock(words);
    QByteArray out(8, '\0');
    cipher.blockToBytes(words, reinterpret_cast<quint8*>(out.data()));
    return out;
}

const QByteArray kIv = QByteArray::fromHex("3C91E6A07B245D18");

}

// Published vectors for single blocks, including keys of 1, 8 and 24 bytes.
TEST(BlowFish, PublishedVectorsEncryptAndDecrypt)
{
    const struct {
        const char *key, *plain, *cipher;
    } vectors[] = {
        { "0000000000000000", "0000000000000000", "4EF997456198DD78" },
        { "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A" },
        { "3000000000000000", "1000000000000001", "7D856F9A613063F2" },
        { "1111111111111111", "1111111111111111", "2466DD878B963C9D" },
        { "0123456789ABCDEF", "1111111111111111", "61F9C3802281B096" },
        { "FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D" },
        { "F0", "FEDCBA9876543210", "F9AD597C49DB005E" },
        { "F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82" },
        { "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080" },
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.key);
        const QByteArray key = QByteArray::fromHex(v.key);
        EXPECT_EQ(blowfishBlock(key, QByteArray::fromHex(v.plain), false).toHex().toUpper(), QByteArray(v.cipher));
        EXPECT_EQ(blowfishBlock(key, QByteArray::fromHex(v.cipher), true), QByteArray::fromHex(v.plain));
    }
    // Keys beyond 72 bytes use their first 72.
    const QByteArray key72(72, 'k'), plain = QByteArray::fromHex("0123456789ABCDEF");
    EXPECT_EQ(blowfishBlock(key72 + "extra", plain, false), blowfishBlock(key72, plain, false));
    EXPECT_NE(blowfishBlock(key72.left(71) + "x", plain, false), blowfishBlock(key72, plain, false));
}

TEST(CryptCBC, PublishedChainingVectorWithZeroPadding)
{
    TCryptCBC crypt(QByteArray::fromHex("0123456789ABCDEFF0E1D2C3B4A59687"), true, TCrypt::PaddingZeros,
                    QByteArray::fromHex("FEDCBA9876543210"), new TBlowFish);
    const QByteArray plain = QByteArray("7654321 Now is the time for ", 29);
    const QByteArray cipherText = crypt.encrypt(plain);
    EXPECT_EQ(cipherText.toHex().toUpper(),
              QByteArray("6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC"));
    // Zero padding cannot tell the message's own trailing zero from the padding.
    EXPECT_EQ(crypt.decrypt(cipherText), plain.left(28));
    EXPECT_EQ(crypt.encrypt(plain), cipherText) << "every message starts again from the IV";
}

TEST(CryptCBC, PaddingModesRoundTripWithTheirLengths)
{
    for (int mode = TCrypt::PaddingPkcs5; mode <= TCrypt::PaddingBlanks; ++mode) {
        TCryptCBC crypt("key", true, TCrypt::Padding(mode), kIv, new TBlowFish);
        for (const QByteArray& plain : { QByteArray(), QByteArray("1234567"), QByteArray("12345678"), QByteArray("abcdefghijk") }) {
            SCOPED_TRACE(testing::Message() << mode << " " << plain.constData());
            const QByteArray cipherText = crypt.encrypt(plain);
            EXPECT_EQ(cipherText.size(), (plain.size() / 8 + 1) * 8);
            EXPECT_EQ(crypt.decrypt(cipherText), plain);
        }
    }
    TCryptCBC none("key", true, TCrypt::PaddingNone, kIv, new TBlowFish);
    EXPECT_EQ(none.decrypt(none.encrypt("12345678abcdefgh")), QByteArray("12345678abcdefgh"));
    EXPECT_THROW(none.encrypt("123"), TError);
}

TEST(CryptCBC, PaddingThatDoesNotCheckOutFails)
{
    TCryptCBC right("right key", true, TCrypt::PaddingPkcs5, kIv, new TBlowFish);
    TCryptCBC wrong("wrong key", true, TCrypt::PaddingPkcs5, kIv, new TBlowFish);
    const QByteArray cipherText = right.encrypt("secret-123456");
    EXPECT_THROW(wrong.decrypt(cipherText), TError);
    EXPECT_THROW(right.decrypt(cipherText.left(12)), TError);

    // 0x80 padding without its marker byte.
    TCryptCBC bit("key", true, TCrypt::PaddingOneZeros, kIv, new TBlowFish);
    TCryptCBC raw("key", true, TCrypt::PaddingNone, kIv, new TBlowFish);
    EXPECT_THROW(bit.decrypt(raw.encrypt(QByteArray("abc\0\0\0\0\0", 8))), TError);
    try {
        bit.decrypt(raw.encrypt(QByteArray(8, '\0')));
        FAIL();
    } catch (const TError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Crypt Error"));
    }
}

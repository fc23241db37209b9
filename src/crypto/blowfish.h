#pragma once

#include "crypto/cipher.h"

#include <array>

// Blowfish: 64-bit blocks, keys of 1 to 72 bytes (longer keys use their first 72 bytes).
class TBlowFish final : public TCipher {
public:
    TBlowFish();

    QString algorithmName() const override { return QStringLiteral("BlowFish"); }
    int blockSize() const override { return 8; }
    void setupKey(const quint8* key, int length) override;
    // words[0] is the left half, words[1] the right half of the block.
    void encryptBlock(quint32* words) const override;
    void decryptBlock(quint32* words) const override;
    // Each half in big-endian byte order, left half first.
    void blockToBytes(const quint32* words, quint8* bytes) const override;
    void bytesToBlock(const quint8* bytes, quint32* words) const override;

private:
    quint32 f(quint32 x) const;
    void encryptHalves(quint32& left, quint32& right) const;

    std::array<quint32, 18> m_p {};
    std::array<std::array<quint32, 256>, 4> m_s {};
};

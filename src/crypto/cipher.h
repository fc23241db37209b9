#pragma once

#include <QString>
#include <QtGlobal>

// A block cipher that a mode object (TCrypt) drives one block at a time. Blocks travel as
// 32-bit words inside the cipher and as bytes outside it.
class TCipher {
public:
    TCipher() = default;
    virtual ~TCipher() = default;
    TCipher(const TCipher&) = delete;
    TCipher& operator=(const TCipher&) = delete;

    virtual QString algorithmName() const = 0;
    virtual int blockSize() const = 0;
    virtual void setupKey(const quint8* key, int length);
    virtual void encryptBlock(quint32* words) const = 0;
    virtual void decryptBlock(quint32* words) const = 0;
    // The byte form of a block and back; the base class copies the block unchanged.
    virtual void blockToBytes(const quint32* words, quint8* bytes) const;
    virtual void bytesToBlock(const quint8* bytes, quint32* words) const;
};

#include "crypto/cipher.h"

#include <cstring>

void TCipher::setupKey(const quint8*, int)
{
}

void TCipher::blockToBytes(const quint32* words, quint8* bytes) const
{
    std::memcpy(bytes, words, size_t(blockSize()));
}

void TCipher::bytesToBlock(const quint8* bytes, quint32* words) const
{
    std::memcpy(words, bytes, size_t(blockSize()));
}

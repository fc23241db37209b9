#pragma once

#include "crypto/cipher.h"

#include <QByteArray>

#include <memory>
#include <vector>

// A mode of operation around a block cipher, with the padding of the last block.
// Failures (bad padding, a length the mode cannot take) raise TError("Crypt Error").
class TCrypt {
public:
    enum Padding : quint8 {
        PaddingPkcs5 = 0, // b - r bytes of value b - r (a whole block when r = 0)
        PaddingOneZeros = 1, // 0x80, then zeros
        PaddingZeros = 2,
        PaddingBlanks = 3,
        PaddingNone = 4, // the length must be a multiple of the block size
    };

    // Runs the cipher's key setup and keeps at most one block of the IV (zeros after a
    // shorter one). With ownsCipher the mode object destroys the cipher with itself.
    TCrypt(const QByteArray& key, bool ownsCipher, Padding padding, const QByteArray& iv, TCipher* cipher);
    virtual ~TCrypt();
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    // One block each, with the mode's feedback; in and out may be the same buffer.
    virtual void encryptBlock(const quint8* in, quint8* out) = 0;
    virtual void decryptBlock(const quint8* in, quint8* out) = 0;
    // Feedback := IV.
    virtual void reset();

    // The last, partial block padded to whole blocks (empty for PaddingNone).
    QByteArray pad(const QByteArray& tail) const;
    // Removes the padding from decrypted bytes.
    void unpad(QByteArray& plain) const;

    // A whole message from the IV on: reset, pad, every block.
    QByteArray encrypt(const QByteArray& plain);
    QByteArray decrypt(const QByteArray& cipherText);

    int blockSize() const { return m_cipher->blockSize(); }
    Padding padding() const { return m_padding; }
    TCipher& cipher() const { return *m_cipher; }

protected:
    void cipherEncrypt(quint8* block);
    void cipherDecrypt(quint8* block);

    Padding m_padding;
    TCipher* m_cipher;
    QByteArray m_iv;
    QByteArray m_feedback;
    QByteArray m_work;
    int m_bufferSize = 8192;

private:
    std::unique_ptr<TCipher> m_ownedCipher;
    std::vector<quint32> m_words;
};

// Cipher block chaining.
class TCryptCBC final : public TCrypt {
public:
    using TCrypt::TCrypt;

    void encryptBlock(const quint8* in, quint8* out) override;
    void decryptBlock(const quint8* in, quint8* out) override;
};

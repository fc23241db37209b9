#include "crypto/crypt.h"

#include "core/error.h"

#include <algorithm>
#include <cstring>

namespace {
[[noreturn]] void cryptError()
{
    throw TError(QStringLiteral("Crypt Error"));
}
}

TCrypt::TCrypt(const QByteArray& key, bool ownsCipher, Padding padding, const QByteArray& iv, TCipher* cipher)
    : m_padding(padding)
    , m_cipher(cipher)
{
    if (ownsCipher)
        m_ownedCipher.reset(cipher);
    m_cipher->setupKey(reinterpret_cast<const quint8*>(key.constData()), int(key.size()));
    const int size = m_cipher->blockSize();
    m_iv = QByteArray(size, '\0');
    m_feedback = QByteArray(size, '\0');
    m_work = QByteArray(size, '\0');
    std::memcpy(m_iv.data(), iv.constData(), size_t(std::min<qsizetype>(iv.size(), size)));
    m_words.resize(size_t((size + 3) / 4));
    reset();
}

TCrypt::~TCrypt() = default;

void TCrypt::reset()
{
    m_feedback = m_iv;
}

void TCrypt::cipherEncrypt(quint8* block)
{
    m_cipher->bytesToBlock(block, m_words.data());
    m_cipher->encryptBlock(m_words.data());
    m_cipher->blockToBytes(m_words.data(), block);
}

void TCrypt::cipherDecrypt(quint8* block)
{
    m_cipher->bytesToBlock(block, m_words.data());
    m_cipher->decryptBlock(m_words.data());
    m_cipher->blockToBytes(m_words.data(), block);
}

QByteArray TCrypt::pad(const QByteArray& tail) const
{
    const int b = blockSize();
    const int r = int(tail.size());
    if (m_padding == PaddingNone) {
        if (r != 0)
            cryptError();
        return {};
    }
    QByteArray block = tail;
    switch (m_padding) {
    case PaddingPkcs5:
        block.append(QByteArray(b - r, char(b - r)));
        break;
    case PaddingOneZeros:
        block.append(char(0x80));
        block.append(QByteArray(b - r - 1, '\0'));
        break;
    case PaddingZeros:
        block.append(QByteArray(b - r, '\0'));
        break;
    case PaddingBlanks:
        block.append(QByteArray(b - r, ' '));
        break;
    case PaddingNone:
        break;
    }
    return block;
}

void TCrypt::unpad(QByteArray& plain) const
{
    switch (m_padding) {
    case PaddingPkcs5: {
        if (plain.isEmpty())
            return;
        // A wrong key leaves a last byte that does not describe a valid padding; taking it
        // anyway would hand back arbitrary bytes as the clear text.
        const int n = quint8(plain.back());
        if (n < 1 || n > blockSize() || n > plain.size())
            cryptError();
        for (qsizetype i = plain.size() - n; i < plain.size(); ++i) {
            if (quint8(plain[i]) != n)
                cryptError();
        }
        plain.chop(n);
        return;
    }
    case PaddingOneZeros: {
        qsizetype end = plain.size();
        while (end > 0 && plain[end - 1] == '\0')
            --end;
        if (end == 0 || quint8(plain[end - 1]) != 0x80)
            cryptError();
        plain.truncate(end - 1);
        return;
    }
    case PaddingZeros:
    case PaddingBlanks: {
        const char fill = m_padding == PaddingZeros ? '\0' : ' ';
        qsizetype end = plain.size();
        while (end > 0 && plain[end - 1] == fill)
            --end;
        plain.truncate(end);
        return;
    }
    case PaddingNone:
        return;
    }
}

QByteArray TCrypt::encrypt(const QByteArray& plain)
{
    reset();
    const int b = blockSize();
    const qsizetype whole = plain.size() - plain.size() % b;
    QByteArray data = plain.left(whole) + pad(plain.mid(whole));
    auto* bytes = reinterpret_cast<quint8*>(data.data());
    for (qsizetype at = 0; at < data.size(); at += b)
        encryptBlock(bytes + at, bytes + at);
    return data;
}

QByteArray TCrypt::decrypt(const QByteArray& cipherText)
{
    reset();
    const int b = blockSize();
    if (cipherText.size() % b != 0)
        cryptError();
    QByteArray data = cipherText;
    auto* bytes = reinterpret_cast<quint8*>(data.data());
    for (qsizetype at = 0; at < data.size(); at += b)
        decryptBlock(bytes + at, bytes + at);
    unpad(data);
    return data;
}

void TCryptCBC::encryptBlock(const quint8* in, quint8* out)
{
    const int b = blockSize();
    auto* feedback = reinterpret_cast<quint8*>(m_feedback.data());
    for (int i = 0; i < b; ++i)
        feedback[i] ^= in[i];
    cipherEncrypt(feedback);
    std::memcpy(out, feedback, size_t(b));
}

void TCryptCBC::decryptBlock(const quint8* in, quint8* out)
{
    const int b = blockSize();
    auto* kept = reinterpret_cast<quint8*>(m_work.data());
    std::memcpy(kept, in, size_t(b));
    std::memmove(out, in, size_t(b));
    cipherDecrypt(out);
    const auto* feedback = reinterpret_cast<const quint8*>(m_feedback.constData());
    for (int i = 0; i < b; ++i)
        out[i] ^= feedback[i];
    std::memcpy(m_feedback.data(), kept, size_t(b));
}

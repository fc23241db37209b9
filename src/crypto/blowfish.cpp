#include "crypto/blowfish.h"

#include "crypto/blowfishtables.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int kMaxKeyBytes = 72;
}

TBlowFish::TBlowFish()
{
    std::copy(std::begin(Internal::kBlowFishInitialP), std::end(Internal::kBlowFishInitialP), m_p.begin());
    for (int i = 0; i < 4; ++i)
        std::copy(std::begin(Internal::kBlowFishInitialS[i]), std::end(Internal::kBlowFishInitialS[i]), m_s[i].begin());
}

quint32 TBlowFish::f(quint32 x) const
{
    return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xff]) ^ m_s[2][(x >> 8) & 0xff]) + m_s[3][x & 0xff];
}

void TBlowFish::encryptHalves(quint32& left, quint32& right) const
{
    quint32 l = left;
    quint32 r = right;
    for (int i = 0; i < 16; ++i) {
        l ^= m_p[i];
        r ^= f(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= m_p[16];
    l ^= m_p[17];
    left = l;
    right = r;
}

void TBlowFish::setupKey(const quint8* key, int length)
{
    std::copy(std::begin(Internal::kBlowFishInitialP), std::end(Internal::kBlowFishInitialP), m_p.begin());
    for (int i = 0; i < 4; ++i)
        std::copy(std::begin(Internal::kBlowFishInitialS[i]), std::end(Internal::kBlowFishInitialS[i]), m_s[i].begin());

    length = std::min(length, kMaxKeyBytes);
    if (length > 0) {
        int j = 0;
        for (quint32& p : m_p) {
            quint32 data = 0;
            for (int k = 0; k < 4; ++k) {
                data = (data << 8) | key[j];
                j = (j + 1) % length;
            }
            p ^= data;
        }
    }

    quint32 l = 0;
    quint32 r = 0;
    for (size_t i = 0; i < m_p.size(); i += 2) {
        encryptHalves(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (auto& box : m_s) {
        for (size_t i = 0; i < box.size(); i += 2) {
            encryptHalves(l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void TBlowFish::encryptBlock(quint32* words) const
{
    encryptHalves(words[0], words[1]);
}

void TBlowFish::decryptBlock(quint32* words) const
{
    quint32 l = words[0];
    quint32 r = words[1];
    for (int i = 17; i > 1; --i) {
        l ^= m_p[i];
        r ^= f(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= m_p[1];
    l ^= m_p[0];
    words[0] = l;
    words[1] = r;
}

void TBlowFish::blockToBytes(const quint32* words, quint8* bytes) const
{
    for (int half = 0; half < 2; ++half) {
        const quint32 w = words[half];
        quint8* out = bytes + 4 * half;
        out[0] = quint8(w >> 24);
        out[1] = quint8(w >> 16);
        out[2] = quint8(w >> 8);
        out[3] = quint8(w);
    }
}

void TBlowFish::bytesToBlock(const quint8* bytes, quint32* words) const
{
    for (int half = 0; half < 2; ++half) {
        const quint8* in = bytes + 4 * half;
        words[half] = (quint32(in[0]) << 24) | (quint32(in[1]) << 16) | (quint32(in[2]) << 8) | quint32(in[3]);
    }
}

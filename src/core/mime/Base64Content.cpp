#include "core/mime/Base64Content.h"

#include <QtEndian>

#include <array>
#include <cstdint>
#include <cstring>

namespace ricorne {

namespace {

constexpr uint8_t kSkip = 0xff;

constexpr std::array<uint8_t, 256> MakeRanks() {
    std::array<uint8_t, 256> ranks{};
    for (uint8_t& r : ranks)
        r = kSkip;
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        ranks[uint8_t(digits[i])] = uint8_t(i);
    return ranks;
}

constexpr std::array<uint8_t, 256> kRank = MakeRanks();

// A digit's bits in each place of a quartet (kBad for anything else), so a quartet is four
// lookups and three ORs.
constexpr uint32_t kBad = 0x80000000u;
struct Places {
    uint32_t at[4][256];
};
constexpr Places MakePlaces() {
    Places places{};
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 256; ++c)
            places.at[k][c] = kRank[c] == kSkip ? kBad : uint32_t(kRank[c]) << (18 - 6 * k);
    }
    return places;
}
constexpr Places kPlaces = MakePlaces();

} // namespace

QByteArray DecodeBase64Content(QByteArrayView encoded) {
    // Room for every quartet's four-byte store.
    QByteArray out(encoded.size() / 4 * 3 + 4, Qt::Uninitialized);
    auto* const first = reinterpret_cast<uint8_t*>(out.data());
    uint8_t* o = first;
    const auto* p = reinterpret_cast<const uint8_t*>(encoded.data());
    const uint8_t* const end = p + encoded.size();
    uint32_t saved = 0;
    int n = 0; // digits of the quartet under way
    while (p < end) {
        if (n == 0) {
            // Whole quartets of digits and the line ends between them: the bulk of any content.
            for (;;) {
                while (end - p >= 4) {
                    const uint32_t v =
                        kPlaces.at[0][p[0]] | kPlaces.at[1][p[1]] | kPlaces.at[2][p[2]] | kPlaces.at[3][p[3]];
                    if (v & kBad)
                        break;
                    const uint32_t bigEndian = qToBigEndian(v << 8); // the fourth byte is overwritten
                    std::memcpy(o, &bigEndian, 4);
                    o += 3;
                    p += 4;
                }
                if (end - p >= 2 && p[0] == '\r' && p[1] == '\n')
                    p += 2;
                else if (p < end && p[0] == '\n')
                    ++p;
                else
                    break;
            }
            if (p == end)
                break;
        }
        const uint8_t ch = *p++;
        const uint8_t c = kRank[ch];
        if (c != kSkip) {
            saved = saved << 6 | c;
            if (++n == 4) {
                o[0] = uint8_t(saved >> 16);
                o[1] = uint8_t(saved >> 8);
                o[2] = uint8_t(saved);
                o += 3;
                saved = 0;
                n = 0;
            }
        } else if (ch == '=') {
            if (n > 1) {
                saved <<= 6 * (4 - n);
                *o++ = uint8_t(saved >> 16);
                if (n > 2)
                    *o++ = uint8_t(saved >> 8);
            }
            break;
        }
    }
    out.truncate(o - first);
    return out;
}

} // namespace ricorne

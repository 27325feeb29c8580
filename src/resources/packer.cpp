// Compressor for the library's bit-stream format and the library writer.
//
// Codes and their sizes in bits (gamma(v) takes 2 * floor(log2 v) bits):
//   literal            0 + byte                                   9
//   long match         10 + gamma(off/256 + 3) + byte + gamma(L)  12 + gamma + gamma
//                      (for off <= 127 the length is coded as L - 2, so L >= 4)
//   repeat last offset 10 + gamma(2) + gamma(L), L >= 2           4 + gamma(L)
//   short match        110 + byte (off 1..127, L 2 or 3)          11
//   near byte          111 + 4 bits D (byte D back, or 0 if D=0)  7
//   end                110 + byte 0                               11
//
// The parser is a forward dynamic program over "arrivals": for each position
// it keeps the cheapest few ways found to reach it, each with a different
// last-offset state, since that state decides what the repeat code can do
// later. Every arrival is extended by a literal, the near-byte code, short
// matches and repeat matches (all of which keep its last offset); long
// matches set the last offset to their own, so they only need to start from
// the cheapest arrival. Long-match candidates come from binary trees over a
// 2 MB window. The input is parsed in blocks so the table stays small; the
// last offset carries over from one block to the next.
//
// The format has no entropy coding, so a literal always costs 9 bits: it
// gains over deflate on long exact repeats (cheap repeat and short codes,
// large window) and loses on data with many fresh bytes.
#include "resources/packer.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "resources/library.h"

namespace {

constexpr uint32_t kWindowBytes = 1u << 21;
// Tree nodes visited per position at most.
constexpr int kSearchDepth = 64;
// Bytes the match-finder trees order positions by.
constexpr uint32_t kTreeLength = 256;
// Matches at least this long are taken without looking at the positions
// they cover; keeps long runs linear in time.
constexpr uint32_t kNiceLength = 192;
constexpr int kArrivalsPerPosition = 8;
constexpr size_t kBlockBytes = 1u << 17;
constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr int kMaxCandidates = 64;

int GammaBits(uint32_t value) { return 2 * (std::bit_width(value) - 1); }

uint32_t LongMatchCost(uint32_t offset, uint32_t length) {
    return 12 + GammaBits((offset >> 8) + 3) + GammaBits(offset <= 127 ? length - 2 : length);
}

uint32_t RepeatCost(uint32_t length) { return 4 + GammaBits(length); }

constexpr uint32_t kLiteralCost = 9;
constexpr uint32_t kNearByteCost = 7;
constexpr uint32_t kShortMatchCost = 11;

// Length of the common prefix of data[a..] and data[b..], at most `limit`.
uint32_t MatchLength(const uint8_t* data, size_t a, size_t b, uint32_t limit) {
    uint32_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, data + a + n, 8);
        std::memcpy(&y, data + b + n, 8);
        if (uint64_t diff = x ^ y) return n + static_cast<uint32_t>(std::countr_zero(diff) >> 3);
        n += 8;
    }
    while (n < limit && data[a + n] == data[b + n]) ++n;
    return n;
}

struct sMatch {
    uint32_t offset;
    uint32_t length;
};

struct sMatches {
    // Long-match candidates by increasing offset, each longer than the one
    // before: for any length, the first candidate reaching it has the
    // smallest (cheapest) offset the search found.
    sMatch candidates[kMaxCandidates];
    int count = 0;
    // Further matches no longer than an earlier (nearer) one; they cost
    // more or the same, but leave a different last offset behind.
    sMatch others[kMaxCandidates];
    int otherCount = 0;
    uint32_t nearest2 = 0;  // offset of the nearest earlier copy of the next 2 bytes, 0 if none
};

// Match finder: binary search trees of earlier positions, one tree per
// 3-byte hash, ordered by the bytes that follow each position. Every search
// also inserts the position as the new root, so nodes nearer the root are
// more recent; walking down towards the new position's place meets, for
// each match length, the nearest earlier position that reaches it. The trees
// only order the first kTreeLength bytes; a node matching that far is
// replaced by the new position, which keeps searches in long runs short.
class MatchFinder {
public:
    MatchFinder(const uint8_t* data, size_t size) : data_(data), size_(size) {
        size_t window = std::min<size_t>(kWindowBytes, std::bit_ceil(std::max<size_t>(size, 1)));
        windowMask_ = static_cast<uint32_t>(window - 1);
        maxOffset_ = windowMask_;
        hashBits_ = std::clamp(static_cast<int>(std::bit_width(size)), 10, 18);
        head_.assign(size_t{1} << hashBits_, kNone);
        tree_.assign(2 * window, kNone);
        last2_.assign(65536, kNone);
    }

    // Enters position `pos`; positions must be entered in order, each once,
    // through Find or Skip.
    void Skip(size_t pos) {
        if (pos + 1 < size_) last2_[Pair(pos)] = static_cast<uint32_t>(pos);
        if (pos + 2 < size_) Search(pos, nullptr, 0);
    }

    // Enters `pos` and lists the matches starting there, none longer than
    // `limit`; a match reaching kTreeLength is extended as far as it goes.
    void Find(size_t pos, uint32_t limit, sMatches& matches) {
        matches.count = 0;
        matches.otherCount = 0;
        matches.nearest2 = 0;
        if (pos + 1 < size_) {
            uint32_t& last = last2_[Pair(pos)];
            if (last != kNone && pos - last <= maxOffset_ && limit >= 2)
                matches.nearest2 = static_cast<uint32_t>(pos - last);
            last = static_cast<uint32_t>(pos);
        }
        if (pos + 2 >= size_) return;
        Search(pos, &matches, limit);
        if (matches.count > 0) {
            sMatch& longest = matches.candidates[matches.count - 1];
            if (longest.length >= kTreeLength && longest.length < limit)
                longest.length = MatchLength(data_, pos - longest.offset, pos, limit);
        }
    }

private:
    void Search(size_t pos, sMatches* matches, uint32_t limit) {
        const uint32_t treeLimit =
            static_cast<uint32_t>(std::min<size_t>(kTreeLength, size_ - pos));
        uint32_t h = Hash3(pos);
        uint32_t candidate = head_[h];
        head_[h] = static_cast<uint32_t>(pos);

        // Links still to be filled: the new node's subtree of smaller
        // suffixes (left) and of larger ones (right).
        uint32_t* left = &tree_[2 * (pos & windowMask_)];
        uint32_t* right = left + 1;
        uint32_t leftLength = 0, rightLength = 0;  // common prefix known on each side
        uint32_t best = 2;
        for (int depth = kSearchDepth;; --depth) {
            if (candidate == kNone || pos - candidate > maxOffset_ || depth == 0) {
                *left = *right = kNone;
                return;
            }
            uint32_t* node = &tree_[2 * (candidate & windowMask_)];
            uint32_t length = std::min(leftLength, rightLength);
            if (data_[candidate + length] == data_[pos + length]) {
                length += MatchLength(data_, candidate + length + 1, pos + length + 1,
                                      treeLimit - length - 1) + 1;
                if (matches && length > best && best < limit) {
                    best = length;
                    matches->candidates[matches->count++] = {
                        static_cast<uint32_t>(pos - candidate), std::min(length, limit)};
                    if (matches->count == kMaxCandidates) matches = nullptr;
                } else if (matches && length >= 3 && matches->otherCount < kMaxCandidates) {
                    matches->others[matches->otherCount++] = {
                        static_cast<uint32_t>(pos - candidate), std::min(length, limit)};
                }
                if (length == treeLimit) {
                    // Equal as far as the tree looks: the new node takes over
                    // the old one's children and the old one drops out.
                    *left = node[0];
                    *right = node[1];
                    return;
                }
            }
            if (data_[candidate + length] < data_[pos + length]) {
                *left = candidate;
                left = &node[1];
                candidate = *left;
                leftLength = length;
            } else {
                *right = candidate;
                right = &node[0];
                candidate = *right;
                rightLength = length;
            }
        }
    }

    uint32_t Pair(size_t pos) const { return data_[pos] | data_[pos + 1] << 8; }
    uint32_t Hash3(size_t pos) const {
        uint32_t v = data_[pos] | data_[pos + 1] << 8 | data_[pos + 2] << 16;
        return (v * 2654435761u) >> (32 - hashBits_);
    }

    const uint8_t* data_;
    size_t size_;
    uint32_t windowMask_;
    uint32_t maxOffset_;
    int hashBits_;
    std::vector<uint32_t> head_;   // root of each hash's tree
    std::vector<uint32_t> tree_;   // two children per position, by position mod window
    std::vector<uint32_t> last2_;  // last position of each 2-byte pair
};

enum : uint8_t { kLiteral, kNearByte, kShortMatch, kLongMatch, kRepeat };

// How an arrival got to its position: the token and the arrival it
// extends.
struct sStep {
    uint32_t from;    // index (position * K + slot) of the previous arrival in the block
    uint32_t offset;  // match offset, or D of the near-byte code
    uint32_t length;  // bytes the token covers
    uint8_t kind;
};

// The arrivals of each position of a block: up to K, cheapest first, each
// with its own last offset ("rep"). Costs and reps of a position share one
// cache line, since every offer scans them; the steps are only touched when
// an offer is taken. `worst_` mirrors each position's last cost (kNone while
// a slot is free), densely, so most offers are turned down cheaply.
class ArrivalTable {
public:
    static constexpr int K = kArrivalsPerPosition;

    void Reset(size_t positions) {
        if (keys_.size() < positions) {
            keys_.resize(positions);
            steps_.resize(positions * K);
            worst_.resize(positions);
        }
        for (size_t i = 0; i < positions; ++i) std::fill_n(keys_[i].cost, K, kNone);
        std::fill_n(worst_.begin(), positions, kNone);
    }

    uint32_t Cost(size_t position, int slot) const { return keys_[position].cost[slot]; }
    uint32_t Rep(size_t position, int slot) const { return keys_[position].rep[slot]; }
    const sStep& Step(uint32_t index) const { return steps_[index]; }
    uint32_t RepAt(uint32_t index) const { return keys_[index / K].rep[index % K]; }

    // An offer no cheaper than the worst kept arrival replaces nothing,
    // whatever its rep.
    bool Worth(size_t position, uint32_t cost) const { return cost < worst_[position]; }

    void Offer(size_t position, uint32_t cost, uint32_t rep, const sStep& step) {
        if (!Worth(position, cost)) return;
        sKeys& keys = keys_[position];
        // Among the slots no dearer than the offer, one with the same rep
        // makes it useless; otherwise it goes in after them.
        int at = 0;
        for (; at < K && keys.cost[at] <= cost; ++at) {
            if (keys.rep[at] == rep) return;
        }
        // The slot it displaces: the dearer one with the same rep, else the
        // first free one, else the last.
        int gone = at;
        while (gone < K - 1 && keys.cost[gone] != kNone && keys.rep[gone] != rep) ++gone;
        sStep* steps = &steps_[position * K];
        for (int s = gone; s > at; --s) {
            keys.cost[s] = keys.cost[s - 1];
            keys.rep[s] = keys.rep[s - 1];
            steps[s] = steps[s - 1];
        }
        keys.cost[at] = cost;
        keys.rep[at] = rep;
        steps[at] = step;
        worst_[position] = keys.cost[K - 1];
    }

private:
    struct alignas(64) sKeys {
        uint32_t cost[K];  // bits since the block start; kNone if unused
        uint32_t rep[K];   // 0: no long match yet
    };
    std::vector<sKeys> keys_;
    std::vector<sStep> steps_;
    std::vector<uint32_t> worst_;
};

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

    void Bit(uint32_t bit) {
        if (bitsLeft_ == 0) {
            tagPosition_ = out_.size();
            out_.push_back(0);
            bitsLeft_ = 8;
        }
        --bitsLeft_;
        if (bit) out_[tagPosition_] |= static_cast<uint8_t>(1u << bitsLeft_);
    }
    void Byte(uint32_t value) { out_.push_back(static_cast<uint8_t>(value)); }
    // value >= 2: the bits below the leading one, each but the last
    // preceded by a 1 ("more follows"), the last preceded by a 0.
    void Gamma(uint32_t value) {
        int top = std::bit_width(value) - 1;
        for (int i = top - 1; i >= 1; --i) {
            Bit(1);
            Bit((value >> i) & 1);
        }
        Bit(0);
        Bit(value & 1);
    }

private:
    std::vector<uint8_t>& out_;
    size_t tagPosition_ = 0;
    int bitsLeft_ = 0;
};

void EmitToken(BitWriter& writer, const sStep& token, uint8_t literal) {
    switch (token.kind) {
    case kLiteral:
        writer.Bit(0);
        writer.Byte(literal);
        break;
    case kNearByte:
        writer.Bit(1);
        writer.Bit(1);
        writer.Bit(1);
        for (int i = 3; i >= 0; --i) writer.Bit((token.offset >> i) & 1);
        break;
    case kShortMatch:
        writer.Bit(1);
        writer.Bit(1);
        writer.Bit(0);
        writer.Byte(token.offset << 1 | (token.length - 2));
        break;
    case kLongMatch:
        writer.Bit(1);
        writer.Bit(0);
        writer.Gamma((token.offset >> 8) + 3);
        writer.Byte(token.offset & 255);
        writer.Gamma(token.offset <= 127 ? token.length - 2 : token.length);
        break;
    case kRepeat:
        writer.Bit(1);
        writer.Bit(0);
        writer.Gamma(2);
        writer.Gamma(token.length);
        break;
    }
}

// Parses data[begin, end) starting in last-offset state `rep`, writes the
// tokens and returns the last-offset state at the end.
uint32_t PackBlock(const uint8_t* data, size_t begin, size_t end, uint32_t rep,
                   MatchFinder& finder, ArrivalTable& table, BitWriter& writer) {
    constexpr int K = ArrivalTable::K;
    const size_t span = end - begin;
    table.Reset(span + 1);
    table.Offer(0, 0, rep, {0, 0, 0, kLiteral});

    sMatches matches;
    size_t pos = begin;
    while (pos < end) {
        const size_t here = pos - begin;
        const uint32_t index = static_cast<uint32_t>(here * K);
        const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(end - pos, UINT32_MAX));
        finder.Find(pos, limit, matches);

        // The near-byte code: a zero byte, or a copy of one of the 15 bytes before.
        uint8_t byte = data[pos];
        uint32_t nearDistance = kNone;
        if (byte == 0) {
            nearDistance = 0;
        } else {
            for (uint32_t d = 1; d <= 15 && d <= pos; ++d) {
                if (data[pos - d] == byte) {
                    nearDistance = d;
                    break;
                }
            }
        }
        // A short match may use any offset up to 127; a 3-byte one exists
        // when the nearest 3-byte match is that close.
        uint32_t short2 = matches.nearest2 != 0 && matches.nearest2 <= 127 ? matches.nearest2 : 0;
        uint32_t short3 = matches.count > 0 && matches.candidates[0].offset <= 127
                              ? matches.candidates[0].offset
                              : 0;
        uint32_t longest = matches.count > 0 ? matches.candidates[matches.count - 1].length : 0;

        // Codes that keep the last offset, from every arrival.
        for (int s = 0; s < K && table.Cost(here, s) != kNone; ++s) {
            const uint32_t cost = table.Cost(here, s);
            const uint32_t r = table.Rep(here, s);
            const uint32_t from = index + static_cast<uint32_t>(s);
            table.Offer(here + 1, cost + kLiteralCost, r, {from, 0, 1, kLiteral});
            if (nearDistance != kNone)
                table.Offer(here + 1, cost + kNearByteCost, r, {from, nearDistance, 1, kNearByte});
            if (short2) table.Offer(here + 2, cost + kShortMatchCost, r, {from, short2, 2, kShortMatch});
            if (short3) table.Offer(here + 3, cost + kShortMatchCost, r, {from, short3, 3, kShortMatch});
            if (r != 0 && limit >= 2) {
                uint32_t length = MatchLength(data, pos - r, pos, limit);
                longest = std::max(longest, length);
                uint32_t top = std::min(length, kNiceLength);
                for (uint32_t l = 2; l <= top; ++l) {
                    uint32_t c = cost + RepeatCost(l);
                    if (table.Worth(here + l, c)) table.Offer(here + l, c, r, {from, r, l, kRepeat});
                }
                if (length > top)
                    table.Offer(here + length, cost + RepeatCost(length), r, {from, r, length, kRepeat});
            }
        }

        // Long matches set the last offset to their own, so whichever
        // arrival they start from, only the cheapest one matters.
        const uint32_t base = table.Cost(here, 0);
        auto offerLong = [&](uint32_t offset, uint32_t length) {
            uint32_t c = base + LongMatchCost(offset, length);
            if (table.Worth(here + length, c))
                table.Offer(here + length, c, offset, {index, offset, length, kLongMatch});
        };
        uint32_t covered = 1;
        if (matches.nearest2 > 127) offerLong(matches.nearest2, 2);
        if (matches.nearest2 != 0) covered = 2;
        for (int c = 0; c < matches.count; ++c) {
            const sMatch m = matches.candidates[c];
            uint32_t first = std::max(covered + 1, m.offset <= 127 ? 4u : 2u);
            uint32_t top = std::min(m.length, kNiceLength);
            for (uint32_t l = first; l <= top; ++l) offerLong(m.offset, l);
            if (m.length > top && m.length >= first) offerLong(m.offset, m.length);
            covered = std::max(covered, m.length);
        }
        for (int c = 0; c < matches.otherCount; ++c) {
            const sMatch m = matches.others[c];
            if (m.offset > 127 || m.length >= 4) offerLong(m.offset, m.length);
        }

        if (longest >= kNiceLength) {
            // Take the long match and do not parse inside it.
            for (size_t p = pos + 1; p < pos + longest; ++p) finder.Skip(p);
            pos += longest;
        } else {
            ++pos;
        }
    }

    // Walk back from the cheapest arrival at the block end, then emit forward.
    std::vector<uint32_t> path;
    const uint32_t last = static_cast<uint32_t>(span * K);
    for (uint32_t i = last; i != 0; i = table.Step(i).from) path.push_back(i);
    size_t at = begin;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const sStep& token = table.Step(*it);
        EmitToken(writer, token, data[at]);
        at += token.length;
    }
    return table.RepAt(last);
}

}  // namespace

std::vector<uint8_t> PackStream(std::span<const uint8_t> data) {
    std::vector<uint8_t> out;
    out.reserve(data.size() / 2 + 16);
    BitWriter writer(out);
    if (!data.empty()) {
        MatchFinder finder(data.data(), data.size());
        ArrivalTable table;
        uint32_t rep = 0;
        for (size_t begin = 0; begin < data.size(); begin += kBlockBytes) {
            size_t end = std::min(data.size(), begin + kBlockBytes);
            rep = PackBlock(data.data(), begin, end, rep, finder, table, writer);
        }
    }
    // End code: a short match with offset 0.
    writer.Bit(1);
    writer.Bit(1);
    writer.Bit(0);
    writer.Byte(0);
    return out;
}

namespace {

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool Fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

}  // namespace

bool WriteLibrary(const std::string& path, std::span<const sPackEntry> entries,
                  std::string* error) {
    if (entries.size() > static_cast<size_t>(kLibraryMaxEntries))
        return Fail(error, "too many entries: " + std::to_string(entries.size()) + ", at most " +
                               std::to_string(kLibraryMaxEntries));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].name;
        if (name.empty()) return Fail(error, "entry " + std::to_string(i) + " has an empty name");
        if (name.size() >= static_cast<size_t>(kLibraryNameBytes) ||
            name.find('\0') != std::string::npos)
            return Fail(error, "name too long (at most " + std::to_string(kLibraryNameBytes - 1) +
                                   " bytes) or with a zero byte: " + name);
        if (entries[i].data.size() > UINT32_MAX)
            return Fail(error, "entry too large: " + name);
        for (size_t j = 0; j < i; ++j) {
            if (strcasecmp(entries[j].name.c_str(), name.c_str()) == 0)
                return Fail(error, "duplicate name (case does not count): " + name);
        }
    }

    std::vector<uint8_t> file(4, 0);
    file[2] = static_cast<uint8_t>(entries.size());
    file[3] = static_cast<uint8_t>(entries.size() >> 8);
    std::vector<uint8_t> directory(entries.size() * kLibraryEntryBytes, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        std::vector<uint8_t> packed = PackStream(entries[i].data);
        size_t offset = file.size();
        if (offset + 4 + packed.size() + directory.size() > UINT32_MAX)
            return Fail(error, "library larger than 4 GB");
        file.resize(offset + 4);
        PutLe32(file, offset, static_cast<uint32_t>(packed.size()));
        file.insert(file.end(), packed.begin(), packed.end());

        uint8_t* raw = directory.data() + i * kLibraryEntryBytes;
        std::memcpy(raw, entries[i].name.data(), entries[i].name.size());
        size_t at = i * kLibraryEntryBytes + kLibraryNameBytes;
        PutLe32(directory, at, static_cast<uint32_t>(offset));
        PutLe32(directory, at + 4, static_cast<uint32_t>(entries[i].data.size()));
        PutLe32(directory, at + 8, 0);
    }
    file.insert(file.end(), directory.begin(), directory.end());

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return Fail(error, "can't create " + path);
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(path.c_str());
        return Fail(error, "can't write " + path);
    }
    return true;
}

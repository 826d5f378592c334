#include "publisher/SzddCompressor.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
// The ring the expander keeps: 4096 bytes, the first byte written at 0xFF0.
constexpr uint32_t kRing = 4096;
constexpr uint32_t kRingStart = 0xFF0;
// A match can reach back over the whole ring but its own place.
constexpr uint32_t kMaxDistance = kRing - 1;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
// How many earlier places are tried per position: enough to find nearly every
// longest match in text, bounded so that a file of one repeated pattern
// cannot make the search slow.
constexpr int kMaxChain = 512;

uint32_t Hash(const unsigned char* p) { return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & ((1u << 15) - 1); }
}  // namespace

bool ReadSzddHeader(const unsigned char* bytes, size_t size, SzddHeader& header, bool& complete) {
    if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
    complete = size >= SzddHeaderSize;
    if (complete) {
        header.method = static_cast<char>(bytes[8]);
        header.expandedSize = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | static_cast<uint32_t>(bytes[13]) << 24;
    }
    return true;
}

SzddCompressor::SzddCompressor(uint32_t expandedSize, char nameChar, Sink sink)
    : m_sink(std::move(sink)), m_expandedSize(expandedSize), m_buffer(kRing + kBlock), m_head(kHashSize, 0) {
    m_output.reserve(kBlock + 64);
    m_output.assign(kMagic, kMagic + sizeof kMagic);
    m_output.push_back('A');
    m_output.push_back(static_cast<unsigned char>(nameChar));
    for (int shift = 0; shift < 32; shift += 8) m_output.push_back(static_cast<unsigned char>(expandedSize >> shift));
    m_outputSize = m_output.size();
}

bool SzddCompressor::Write(const unsigned char* data, size_t size) {
    while (size > 0 && !m_failed) {
        if (m_length == m_buffer.size()) {
            Encode(false);
            Slide();
        }
        size_t n = std::min(size, m_buffer.size() - m_length);
        std::memcpy(m_buffer.data() + m_length, data, n);
        m_length += n;
        m_written += n;
        data += n;
        size -= n;
    }
    return !m_failed;
}

bool SzddCompressor::Finish() {
    Encode(true);
    Flush();
    return !m_failed && m_written == m_expandedSize;
}

void SzddCompressor::Slide() {
    // Everything a later match can reach stays: the ring before m_current.
    size_t keep = m_current > kRing ? m_current - kRing : 0;
    std::memmove(m_buffer.data(), m_buffer.data() + keep, m_length - keep);
    m_base += keep;
    m_length -= keep;
    m_current -= keep;
}

void SzddCompressor::Insert(size_t index) {
    if (index + kMinMatch > m_length) return;
    uint64_t position = m_base + index;
    uint32_t& head = m_head[Hash(&m_buffer[index])];
    m_previous[position & (kRing - 1)] = head;
    head = static_cast<uint32_t>(position + 1);
    m_inserted = position + 1;
}

SzddCompressor::Match SzddCompressor::FindMatch(size_t index) const {
    Match best;
    size_t limit = std::min(kMaxMatch, m_length - index);
    if (limit < kMinMatch) return best;
    const unsigned char* here = &m_buffer[index];
    uint64_t position = m_base + index;
    uint32_t candidate = m_head[Hash(here)];
    for (int tries = 0; candidate != 0 && tries < kMaxChain; ++tries) {
        uint64_t from = candidate - 1;
        // The chain runs on into places the ring has already overwritten.
        if (from >= position || position - from > kMaxDistance) break;
        const unsigned char* there = here - (position - from);
        if (there[best.length] == here[best.length] || best.length == 0) {
            size_t length = 0;
            while (length < limit && there[length] == here[length]) ++length;
            if (length > best.length) {
                best.length = length;
                best.distance = static_cast<uint32_t>(position - from);
                if (length == limit) break;
            }
        }
        candidate = m_previous[from & (kRing - 1)];
    }
    if (best.length < kMinMatch) best.length = 0;
    return best;
}

void SzddCompressor::Encode(bool final) {
    // One match is looked ahead: a longer one starting a byte later wins over
    // the one here, which then becomes a literal.
    const size_t lookahead = kMaxMatch + 1;
    while (m_current < m_length && (final || m_length - m_current > lookahead) && !m_failed) {
        Match match = m_hasPending ? m_pending : FindMatch(m_current);
        m_hasPending = false;
        if (m_base + m_current >= m_inserted) Insert(m_current);
        if (match.length == 0) {
            EmitLiteral(m_buffer[m_current++]);
            continue;
        }
        if (match.length < kMaxMatch && m_current + 1 < m_length) {
            Match next = FindMatch(m_current + 1);
            if (next.length > match.length) {
                EmitLiteral(m_buffer[m_current++]);
                m_pending = next;
                m_hasPending = true;
                continue;
            }
        }
        EmitMatch(match, m_base + m_current);
        for (size_t i = 1; i < match.length; ++i) Insert(m_current + i);
        m_current += match.length;
    }
}

void SzddCompressor::StartItem() {
    if (m_items == 8) {
        if (m_output.size() >= kBlock) Flush();
        m_flagIndex = m_output.size();
        m_output.push_back(0);
        ++m_outputSize;
        m_items = 0;
    }
}

void SzddCompressor::EmitLiteral(unsigned char byte) {
    StartItem();
    m_output[m_flagIndex] |= static_cast<unsigned char>(1u << m_items++);
    m_output.push_back(byte);
    ++m_outputSize;
}

void SzddCompressor::EmitMatch(const Match& match, uint64_t position) {
    StartItem();
    ++m_items;
    uint32_t place = static_cast<uint32_t>(position - match.distance + kRingStart) & (kRing - 1);
    m_output.push_back(static_cast<unsigned char>(place & 0xFF));
    m_output.push_back(static_cast<unsigned char>(((place >> 4) & 0xF0) | (match.length - kMinMatch)));
    m_outputSize += 2;
}

bool SzddCompressor::Flush() {
    if (!m_failed && !m_output.empty() && !m_sink(m_output.data(), m_output.size())) m_failed = true;
    m_output.clear();
    m_flagIndex = 0;
    return !m_failed;
}

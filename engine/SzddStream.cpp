#include "engine/SzddStream.h"

#include <cstring>
#include <memory>

namespace {
constexpr uint8_t kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr unsigned kWindowBytes = 4096;
constexpr unsigned kWindowMask = kWindowBytes - 1;
constexpr unsigned kFirstWrite = kWindowBytes - 16;
constexpr DWORD kInputBytes = 256 * 1024;
constexpr DWORD kOutputBytes = 1024 * 1024;

// The compressed bytes, taken one at a time from a block read ahead.
class ByteSource {
public:
    explicit ByteSource(const SzddInput& input) : m_input(input), m_block(new uint8_t[kInputBytes]) {}
    // False at the end of the input, or on a read error (`failed`).
    bool Next(uint8_t& byte) {
        if (m_at == m_end && !Refill()) return false;
        byte = m_block[m_at++];
        return true;
    }
    bool failed = false;

private:
    bool Refill() {
        DWORD got = 0;
        if (!m_input(m_block.get(), kInputBytes, got)) failed = true;
        m_at = 0;
        m_end = failed ? 0 : got;
        return m_end > 0;
    }

    const SzddInput& m_input;
    std::unique_ptr<uint8_t[]> m_block;
    DWORD m_at = 0;
    DWORD m_end = 0;
};

// The expanded bytes, gathered into blocks for the output.
class ByteSink {
public:
    explicit ByteSink(const SzddOutput& output) : m_output(output), m_block(new uint8_t[kOutputBytes]) {}
    // False once the output failed.
    bool Put(uint8_t byte) {
        m_block[m_used++] = byte;
        return m_used < kOutputBytes || Flush();
    }
    bool Flush() {
        if (m_used == 0) return true;
        bool taken = m_output(m_block.get(), m_used);
        total += m_used;
        m_used = 0;
        return taken;
    }
    uint64_t Count() const { return total + m_used; }
    uint64_t total = 0;

private:
    const SzddOutput& m_output;
    std::unique_ptr<uint8_t[]> m_block;
    DWORD m_used = 0;
};
}  // namespace

SzddHeader ReadSzddHeader(const uint8_t* bytes, size_t size) {
    SzddHeader header;
    if (size < kSzddHeaderBytes || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return header;
    header.compressed = true;
    header.knownMethod = bytes[8] == 'A';
    header.expandedSize = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | static_cast<uint32_t>(bytes[13]) << 24;
    return header;
}

std::optional<uint64_t> ExpandSzddStream(const SzddInput& input, const SzddOutput& output, uint64_t limit) {
    ByteSource in(input);
    ByteSink out(output);
    uint8_t window[kWindowBytes];
    std::memset(window, ' ', sizeof window);
    unsigned at = kFirstWrite;
    bool writing = true;
    uint8_t flags = 0;
    // Each item goes to the window and out; the input may end anywhere.
    while (writing && out.Count() <= limit && in.Next(flags)) {
        for (int item = 0; item < 8 && writing; ++item, flags >>= 1) {
            uint8_t first = 0;
            if (!in.Next(first)) break;
            if (flags & 1) {
                window[at] = first;
                at = (at + 1) & kWindowMask;
                writing = out.Put(first);
                continue;
            }
            uint8_t second = 0;
            if (!in.Next(second)) break;
            unsigned from = first | (second & 0xF0u) << 4;
            unsigned length = (second & 0x0Fu) + 3;
            // Byte by byte: a reference may reach into what it writes.
            for (unsigned i = 0; i < length && writing; ++i) {
                uint8_t byte = window[(from + i) & kWindowMask];
                window[at] = byte;
                at = (at + 1) & kWindowMask;
                writing = out.Put(byte);
            }
        }
    }
    if (!writing || in.failed || !out.Flush()) return std::nullopt;
    return out.total;
}

#pragma once
// Our own compressor for the SZDD format that the platform's LZ library
// (LZCopy, expand.exe) and msexpand expand: a 14-byte header, then groups of
// eight items under a flag byte (bit set: one literal byte; bit clear: two
// bytes naming a place in a 4096-byte ring and a length of 3 to 18). Plain
// C++ with bounded memory: the input comes in pieces of any size, the output
// leaves in pieces through the sink.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr size_t SzddHeaderSize = 14;

struct SzddHeader {
    char method = 0;            // 'A' is the only one the platform expands
    uint32_t expandedSize = 0;  // what the whole file expands to
};

// Reads the header at the start of a file's first bytes: false when they do
// not begin with the SZDD magic. `size` may be short: a file that holds the
// magic but is cut inside the header reads with `complete` false.
bool ReadSzddHeader(const unsigned char* bytes, size_t size, SzddHeader& header, bool& complete);

class SzddCompressor {
public:
    // Takes the bytes made so far; false stops the compression.
    using Sink = std::function<bool(const unsigned char* data, size_t size)>;

    // expandedSize goes into the header and must be the number of bytes
    // written; nameChar is the last character of the file's name.
    SzddCompressor(uint32_t expandedSize, char nameChar, Sink sink);
    SzddCompressor(const SzddCompressor&) = delete;
    SzddCompressor& operator=(const SzddCompressor&) = delete;

    // False once the sink has refused.
    bool Write(const unsigned char* data, size_t size);
    // Compresses what is left and hands the rest on. False when the sink
    // refused or the bytes written were not the size of the header.
    bool Finish();
    // Compressed bytes made so far, the header included.
    uint64_t OutputSize() const { return m_outputSize; }

private:
    struct Match {
        size_t length = 0;
        uint32_t distance = 0;
    };
    void Encode(bool final);
    Match FindMatch(size_t index) const;
    void Insert(size_t index);
    void EmitLiteral(unsigned char byte);
    void EmitMatch(const Match& match, uint64_t position);
    void StartItem();
    bool Flush();
    void Slide();

    static constexpr size_t kBlock = 1 << 16;
    static constexpr size_t kHashSize = 1 << 15;

    Sink m_sink;
    uint32_t m_expandedSize;
    uint64_t m_written = 0;      // input bytes taken
    uint64_t m_outputSize = 0;   // output bytes made
    bool m_failed = false;

    // Input: m_buffer[0] is the input byte at m_base; the bytes before
    // m_current are encoded, at least a ring's worth of them are kept.
    std::vector<unsigned char> m_buffer;
    uint64_t m_base = 0;
    size_t m_length = 0;
    size_t m_current = 0;
    Match m_pending;             // the match already found at m_current, if any
    bool m_hasPending = false;

    // Chains of earlier places with the same three bytes: position + 1, 0 for none.
    std::vector<uint32_t> m_head;
    std::array<uint32_t, 4096> m_previous{};
    uint64_t m_inserted = 0;     // every position below this one is in the chains

    std::vector<unsigned char> m_output;
    size_t m_flagIndex = 0;
    int m_items = 8;             // items under the current flag byte
};

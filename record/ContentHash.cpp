#include "record/ContentHash.h"

#include <windows.h>
#include <bcrypt.h>

#include <cpuid.h>
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/DllSearch.h"
#include "framework/PathText.h"
#include "framework/UniqueHandle.h"

namespace {
// Reading in blocks of this size keeps a big file to a few dozen calls, while
// a small one gets a buffer of its own size only.
constexpr DWORD kBlockBytes = 1u << 20;

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// Whether the processor has the SHA extensions (and the SSE4.1 and SSSE3
// they are used with): then a block takes a few instructions a round.
bool ProcessorHasSha() {
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return false;
        if (__get_cpuid_max(0, nullptr) < 7) return false;
        __cpuid_count(7, 0, a, b, c, d);
        return (b & bit_SHA) != 0;
    }();
    return has;
}

// The compression of whole 64-byte blocks by the SHA extensions. The stack
// is aligned on entry: 32-bit Windows promises only 4 bytes.
__attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer)) void CompressWithShaExtensions(
    uint32_t state[8], const uint8_t* data, size_t blocks) {
    const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i w[4];
        for (int group = 0; group < 16; ++group) {
            __m128i& words = w[group % 4];
            if (group < 4) {
                words = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)),
                                         byteOrder);
            } else {
                // W[t] from W[t-16], W[t-15], W[t-7] and W[t-2], four at a time.
                const __m128i& last = w[(group + 3) % 4];
                __m128i sum = _mm_add_epi32(_mm_sha256msg1_epu32(words, w[(group + 1) % 4]),
                                            _mm_alignr_epi8(last, w[(group + 2) % 4], 4));
                words = _mm_sha256msg2_epu32(sum, last);
            }
            __m128i message = _mm_add_epi32(
                words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * group])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(message, 0x0E));
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

// SHA-256 as the standard (FIPS 180-4) defines it, for systems without
// BCrypt, and by the processor's SHA extensions where it has them.
class OwnSha256 {
public:
    explicit OwnSha256(bool extensionsAllowed = true) : m_extensions(extensionsAllowed && ProcessorHasSha()) {}

    void Add(const uint8_t* data, size_t size) {
        m_total += size;
        if (m_used > 0) {
            size_t take = std::min(size, sizeof m_block - m_used);
            std::memcpy(m_block + m_used, data, take);
            m_used += take;
            data += take;
            size -= take;
            if (m_used < sizeof m_block) return;
            if (m_extensions)
                CompressWithShaExtensions(m_state, m_block, 1);
            else
                Compress(m_block);
            m_used = 0;
        }
        size_t whole = size / sizeof m_block;
        if (m_extensions && whole > 0) {
            CompressWithShaExtensions(m_state, data, whole);
            data += whole * sizeof m_block;
            size -= whole * sizeof m_block;
        }
        for (; size >= sizeof m_block; data += sizeof m_block, size -= sizeof m_block) Compress(data);
        std::memcpy(m_block, data, size);
        m_used = size;
    }

    ContentHash Finish() {
        uint64_t bits = m_total * 8;
        uint8_t padding[72] = {0x80};
        size_t padBytes = (m_used < 56 ? 56 : 120) - m_used;
        for (int i = 0; i < 8; ++i) padding[padBytes + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
        Add(padding, padBytes + 8);
        ContentHash hash;
        for (int i = 0; i < 8; ++i)
            for (int b = 0; b < 4; ++b) hash[4 * i + b] = static_cast<uint8_t>(m_state[i] >> (24 - 8 * b));
        return hash;
    }

private:
    static uint32_t Rotate(uint32_t x, int n) { return x >> n | x << (32 - n); }

    void Compress(const uint8_t* block) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = static_cast<uint32_t>(block[4 * i]) << 24 | static_cast<uint32_t>(block[4 * i + 1]) << 16 |
                   static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
        for (int i = 0; i < 64; ++i) {
            uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + kRoundConstants[i] + w[i];
            uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        m_state[0] += a, m_state[1] += b, m_state[2] += c, m_state[3] += d;
        m_state[4] += e, m_state[5] += f, m_state[6] += g, m_state[7] += h;
    }

    uint32_t m_state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint8_t m_block[64] = {};
    size_t m_used = 0;
    uint64_t m_total = 0;
    bool m_extensions;
};

// The system's SHA-256, found once per process. bcrypt.dll is taken from the
// system folder only, never from the folder the program was started in (a
// CD or a download folder may hold a file of that name).
class SystemSha256 {
public:
    static const SystemSha256* Find() {
        static const std::unique_ptr<SystemSha256> found = Load();
        return found.get();
    }

    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    ULONG objectBytes = 0;

private:
    template <typename Function>
    static bool Resolve(HMODULE module, const char* name, Function& function) {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        return function != nullptr;
    }

    // Kept for the life of the process: the module and the algorithm serve every file.
    static std::unique_ptr<SystemSha256> Load() {
        HMODULE module = LoadSystemLibrary(L"bcrypt.dll");
        if (!module) return nullptr;
        auto found = std::make_unique<SystemSha256>();
        decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
        decltype(&BCryptGetProperty) getProperty = nullptr;
        if (!Resolve(module, "BCryptOpenAlgorithmProvider", open) ||
            !Resolve(module, "BCryptGetProperty", getProperty) ||
            !Resolve(module, "BCryptCreateHash", found->createHash) ||
            !Resolve(module, "BCryptHashData", found->hashData) ||
            !Resolve(module, "BCryptFinishHash", found->finishHash) ||
            !Resolve(module, "BCryptDestroyHash", found->destroyHash))
            return nullptr;
        if (open(&found->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return nullptr;
        ULONG written = 0;
        // Vista wants the hash object's memory from the caller.
        if (getProperty(found->algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&found->objectBytes),
                        sizeof found->objectBytes, &written, 0) < 0)
            return nullptr;
        return found;
    }
};

// One hash in progress. By the processor's SHA extensions where it has them
// (some ten times the speed of a system's code without them), else by the
// system's code where there is one, else by our own.
class Hasher {
public:
    explicit Hasher(HashWay way = HashWay::Fastest) : m_own(way != HashWay::Portable) {
        bool system = way == HashWay::System || (way == HashWay::Fastest && !ProcessorHasSha());
        m_system = system ? SystemSha256::Find() : nullptr;
        if (!m_system) return;
        m_object.resize(m_system->objectBytes);
        if (m_system->createHash(m_system->algorithm, &m_hash, m_object.data(), m_system->objectBytes, nullptr, 0,
                                 0) < 0) {
            m_hash = nullptr;
            m_system = nullptr;
        }
    }
    ~Hasher() {
        if (m_hash) m_system->destroyHash(m_hash);
    }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    void Add(const uint8_t* data, size_t size) {
        if (!m_system) {
            m_own.Add(data, size);
            return;
        }
        while (size > 0) {
            ULONG part = static_cast<ULONG>(std::min<size_t>(size, kBlockBytes));
            m_failed = m_failed || m_system->hashData(m_hash, const_cast<PUCHAR>(data), part, 0) < 0;
            data += part;
            size -= part;
        }
    }

    std::optional<ContentHash> Finish() {
        if (!m_system) return m_own.Finish();
        ContentHash hash;
        if (m_failed || m_system->finishHash(m_hash, hash.data(), static_cast<ULONG>(hash.size()), 0) < 0)
            return std::nullopt;
        return hash;
    }

private:
    const SystemSha256* m_system = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
    std::vector<UCHAR> m_object;
    OwnSha256 m_own;
    bool m_failed = false;
};

}  // namespace

struct ContentHasher::Way : Hasher {};

ContentHasher::ContentHasher() : m_way(std::make_unique<Way>()) {}
ContentHasher::~ContentHasher() = default;

void ContentHasher::Add(const void* data, size_t size) { m_way->Add(static_cast<const uint8_t*>(data), size); }

std::optional<ContentHash> ContentHasher::Finish() { return m_way->Finish(); }

std::optional<HashedFile> HashFile(const std::string& path, std::optional<uint64_t> expectedSize) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    HANDLE opened = file.Get();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(opened, &size)) return std::nullopt;
    HashedFile content;
    content.size = static_cast<uint64_t>(size.QuadPart);
    if (expectedSize && *expectedSize != content.size) return content;
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(content.size + 1, kBlockBytes)));
    Hasher hasher;
    uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(opened, block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        hasher.Add(block.data(), read);
        total += read;
    }
    std::optional<ContentHash> hash = hasher.Finish();
    if (!hash) return std::nullopt;
    content.size = total;
    content.hash = *hash;
    return content;
}

ContentHash HashBytes(const void* data, size_t size, HashWay way) {
    Hasher hasher(way);
    hasher.Add(static_cast<const uint8_t*>(data), size);
    if (std::optional<ContentHash> hash = hasher.Finish()) return *hash;
    return HashBytesWithoutSystem(data, size);
}

ContentHash HashBytesWithoutSystem(const void* data, size_t size) {
    Hasher hasher(HashWay::Portable);
    hasher.Add(static_cast<const uint8_t*>(data), size);
    return *hasher.Finish();
}

std::string HashText(const ContentHash& hash) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : hash) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::optional<ContentHash> ParseHashText(const std::string& text) {
    if (text.size() != 64) return std::nullopt;
    ContentHash hash;
    for (size_t i = 0; i < 64; ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        hash[i / 2] = static_cast<uint8_t>(i % 2 == 0 ? digit << 4 : hash[i / 2] | digit);
    }
    return hash;
}

// Our SZDD expansion held against the system's LZ library.
#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "TestFiles.h"
#include "engine/SzddStream.h"

namespace {
const std::string kFixtures = SZDD_FIXTURE_DIR;

// nothing when it refuses the file or fails part-way.
std::optional<std::string> ExpandedBySystem(const std::string& folder, const std::string& compressed) {
    std::string path = folder + "\\system.sz";
    if (!WriteWholeFile(path, compressed)) return std::nullopt;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    HFILE lz = LZInit(static_cast<HFILE>(reinterpret_cast<INT_PTR>(file)));
    if (lz < 0) {
        CloseHandle(file);
        return std::nullopt;
    }
    std::string expanded;
    char block[4096];
    for (INT got; (got = LZRead(lz, block, sizeof block)) != 0;) {
        if (got < 0) {
            LZClose(lz);
            return std::nullopt;
        }
        expanded.append(block, static_cast<size_t>(got));
    }
    LZClose(lz);
    return expanded;
}

// Our expansion of the same bytes, fed in pieces of `piece` bytes.
std::optional<std::string> ExpandedByUs(const std::string& compressed, DWORD piece, uint64_t limit = UINT32_MAX) {
    SzddHeader header = ReadSzddHeader(reinterpret_cast<const uint8_t*>(compressed.data()), compressed.size());
    if (!header.compressed || !header.knownMethod) return std::nullopt;
    size_t at = kSzddHeaderBytes;
    std::string expanded;
    std::optional<uint64_t> count = ExpandSzddStream(
        [&](uint8_t* buffer, DWORD capacity, DWORD& got) {
            got = static_cast<DWORD>(std::min<size_t>({capacity, piece, compressed.size() - at}));
            std::memcpy(buffer, compressed.data() + at, got);
            at += got;
            return true;
        },
        [&](const uint8_t* block, DWORD size) {
            expanded.append(reinterpret_cast<const char*>(block), size);
            return true;
        },
        limit);
    if (!count || *count != expanded.size()) return std::nullopt;
    return expanded;
}

// Our SZDD expansion gives what the system's LZ library gives, byte for
// byte: on mscompress's files, on each of them cut short at every length
// (also within an item), and on references that reach into the window's
// first spaces, into what they write themselves and round its end; a method
// other than "A" is refused by both.
TEST(SzddExpansion, GivesWhatTheSystemsLzLibraryGives) {
    const std::string folder = MakeTestFolder("szdd-expansion");
    const std::string head = std::string("SZDD\x88\xF0\x27\x33" "A") + '\0' + std::string("\x40\0\0\0", 4);
    std::vector<std::pair<std::string, std::string>> cases;
    for (const char* name : {"CHAPTER.TXT_", "RANDOM.BIN_", "EMPTY.TXT_", "SMALL.TXT_", "CHAPTER.CUT_"})
        cases.push_back({name, FileContent(kFixtures + "\\" + name)});
    const std::string small = FileContent(kFixtures + "\\SMALL.TXT_");
    const std::string chapter = FileContent(kFixtures + "\\CHAPTER.TXT_");
    for (size_t length = kSzddHeaderBytes; length < small.size(); ++length)
        cases.push_back({"SMALL.TXT_ cut at " + std::to_string(length), small.substr(0, length)});
    for (size_t length = kSzddHeaderBytes; length < 200; ++length)
        cases.push_back({"CHAPTER.TXT_ cut at " + std::to_string(length), chapter.substr(0, length)});
    // Flags 0x03: "a" and "b", then 10 bytes from where they were written (4080):
    // the reference reads what it writes. Flags 0x00: 18 bytes from 0 (the
    // window's spaces), and 18 from 4090, round the window's end.
    cases.push_back({"reference into itself", head + "\x03" "ab\xF0\xF7"});
    cases.push_back({"reference into the spaces and round the end",
                     head + std::string("\x00\x00\x0F\xFA\xFF", 5) + "\x01x"});
    std::string unknownMethod = small;
    unknownMethod[8] = 'Q';
    cases.push_back({"unknown method", unknownMethod});
    for (const auto& [name, compressed] : cases) {
        std::optional<std::string> system = ExpandedBySystem(folder, compressed);
        for (DWORD piece : {1u, 7u, 256u * 1024}) {
            std::optional<std::string> ours = ExpandedByUs(compressed, piece);
            ASSERT_EQ(ours.has_value(), system.has_value()) << name;
            if (system) EXPECT_EQ(*ours, *system) << name << ", in pieces of " << piece;
        }
    }
    EXPECT_EQ(*ExpandedByUs(head + "\x03" "ab\xF0\xF7", 1), "abababababab");

    // The limit: a file whose bytes go on past what its header says comes
    // out longer than that (never cut to the expected size), and one that
    // would not end stops at the first eight items past the limit.
    auto literals = [&head](size_t count) {
        std::string compressed = head;
        for (size_t i = 0; i < count; ++i) {
            if (i % 8 == 0) compressed += static_cast<char>(count - i >= 8 ? 0xFF : (1 << (count - i)) - 1);
            compressed += static_cast<char>('a' + i % 26);
        }
        return compressed;
    };
    const struct {
        size_t literals;
        uint64_t limit;
        size_t expanded;
    } limits[] = {{16, 16, 16}, {16, 15, 16}, {17, 17, 17}, {17, 16, 17}, {64, 16, 24}, {64, 15, 16}, {64, 8, 16}};
    for (const auto& c : limits)
        EXPECT_EQ(ExpandedByUs(literals(c.literals), 7, c.limit).value_or("failed").size(), c.expanded)
            << c.literals << " bytes, limit " << c.limit;
}
}  // namespace

// What each built program carries: the level of rights its manifest asks
// for, this build's version, and its maker's texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "app/UninstallerVersion.h"

// What each built program asks of the system, read from its resources as
// the loader reads them (RT_MANIFEST, id 1): setup the highest rights the
// user has, the uninstaller and the publisher's tool only the invoker's.
// Under Wine every process holds the administrator's token whatever its
// manifest asks, so the level is read, not seen. Each carries this build's
// version, 1.2.0 and the source's count of commits (given to this test by the
// build), newer than 1.1.0.0, which an earlier uninstaller has.
#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif
namespace {
std::string ManifestOf(const std::string& program) {
    std::wstring path(program.begin(), program.end());  // the build folder's path is ASCII
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return "not loaded: error " + std::to_string(GetLastError());
    std::string manifest;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL loaded = LoadResource(module, found);
        if (const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr)
            manifest.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return manifest;
}

// The level of the one requestedExecutionLevel, or what is wrong.
std::string ExecutionLevelOf(const std::string& manifest) {
    const std::string element = "<requestedExecutionLevel level=\"";
    size_t at = manifest.find(element);
    if (at == std::string::npos) return "no level in: " + manifest.substr(0, 80);
    if (manifest.find("requestedExecutionLevel", at + element.size()) != std::string::npos) return "two levels";
    size_t start = at + element.size(), end = manifest.find('"', start);
    return end == std::string::npos ? "unterminated" : manifest.substr(start, end - start);
}
}  // namespace

TEST(ProgramManifest, EachBuiltProgramAsksForItsLevelAndCarriesThisBuildsVersion) {
    const struct {
        std::string program;
        const char* level;
    } programs[] = {
        {SETUP_EXE, "highestAvailable"},
        {XOVUNIN_EXE, "asInvoker"},
        {MEDIUM_EXE, "asInvoker"},
    };
    const uint64_t thisBuild = 0x0001000200000000ull | BUILD_NUMBER_GIVEN;
    for (const auto& p : programs) {
        EXPECT_EQ(ExecutionLevelOf(ManifestOf(p.program)), p.level) << p.program;
        std::optional<uint64_t> version = ProgramVersion(p.program);
        ASSERT_TRUE(version.has_value()) << p.program;
        EXPECT_EQ(*version & 0xFFFF, static_cast<uint64_t>(BUILD_NUMBER_GIVEN)) << p.program << ": the last field";
        EXPECT_EQ(*version, thisBuild) << p.program << ": 1.2.0." << BUILD_NUMBER_GIVEN;
        EXPECT_GT(*version, 0x0001000100000000ull) << p.program << ": newer than 1.1.0.0";
    }
}

// The maker as the elevation prompt and the file's properties show it: each
// program's company, product, copyright and description, all from the one
// file the build takes them from.
namespace {
std::string VersionText(const std::string& program, const wchar_t* field) {
    std::wstring path(program.begin(), program.end());  // the build folder's path is ASCII
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return "<no version resource>";
    void* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + field;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || !value) return "<no such field>";
    std::wstring text(static_cast<const wchar_t*>(value));
    return std::string(text.begin(), text.end());  // the maker's texts are ASCII
}
}  // namespace

TEST(ProgramManifest, EachBuiltProgramNamesItsMaker) {
    std::map<std::string, std::string> maker;
    std::istringstream lines(FileContent(MAKER_FILE));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t equals = line.find('=');
        if (!line.empty() && line[0] != '#' && equals != std::string::npos)
            maker[line.substr(0, equals)] = line.substr(equals + 1);
    }
    ASSERT_FALSE(maker["Company"].empty());
    const struct {
        std::string program;
        const char* description;
    } programs[] = {
        {SETUP_EXE, "SetupDescription"},
        {XOVUNIN_EXE, "UninstallerDescription"},
        {MEDIUM_EXE, "MediumDescription"},
    };
    for (const auto& p : programs) {
        EXPECT_EQ(VersionText(p.program, L"CompanyName"), maker["Company"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"ProductName"), maker["Product"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"LegalCopyright"), maker["Copyright"]) << p.program;
        EXPECT_EQ(VersionText(p.program, L"FileDescription"), maker[p.description]) << p.program;
    }
}

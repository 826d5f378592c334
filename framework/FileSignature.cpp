#include "framework/FileSignature.h"

#include <softpub.h>
#include <wintrust.h>

#include <cstring>

#include "framework/CodePage.h"
#include "framework/DllSearch.h"
#include "framework/UniqueHandle.h"

namespace {
// The answers by which the system says the content is what was signed, but
// that it does not trust the signer's certificate here (winerror.h).
constexpr LONG kWholeButUntrusted[] = {
    static_cast<LONG>(0x800B0109),  // CERT_E_UNTRUSTEDROOT: a root this system lacks (a test certificate)
    static_cast<LONG>(0x800B010A),  // CERT_E_CHAINING
    static_cast<LONG>(0x800B0101),  // CERT_E_EXPIRED, without a time stamp
    static_cast<LONG>(0x800B0102),  // CERT_E_VALIDITYPERIODNESTING
    static_cast<LONG>(0x800B010D),  // CERT_E_UNTRUSTEDTESTROOT
    static_cast<LONG>(0x800B0112),  // CERT_E_UNTRUSTEDCA
    static_cast<LONG>(0x800B0110),  // CERT_E_WRONG_USAGE
    static_cast<LONG>(0x800B0106),  // CERT_E_PURPOSE
};

// Reads `size` bytes at `offset` without moving the handle's own position.
bool ReadAt(HANDLE file, DWORD offset, void* into, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = offset;
    DWORD got = 0;
    return ReadFile(file, into, size, &got, &at) && got == size;
}

// Whether the program's header names a signature block (the certificate
// table, entry 4 of the optional header's data directories).
bool CarriesSignatureBlock(HANDLE file) {
    DWORD peOffset = 0;
    char mz[2] = {};
    if (!ReadAt(file, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z' || !ReadAt(file, 0x3C, &peOffset, 4)) return false;
    char signature[4] = {};
    WORD magic = 0;
    // After "PE\0\0" the file header (20 bytes), then the optional header.
    const DWORD optional = peOffset + 4 + 20;
    if (!ReadAt(file, peOffset, signature, 4) || std::memcmp(signature, "PE\0\0", 4) != 0 ||
        !ReadAt(file, optional, &magic, 2))
        return false;
    // The data directories start at 96 bytes into a PE32 optional header, 112 into a PE32+ one.
    DWORD directories = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) directories = optional + 96;
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) directories = optional + 112;
    else return false;
    IMAGE_DATA_DIRECTORY certificates = {};
    if (!ReadAt(file, directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof certificates, &certificates,
                sizeof certificates))
        return false;
    return certificates.Size != 0 || certificates.VirtualAddress != 0;
}

struct TrustApi {
    using VerifyFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
    using ProvDataFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
    using SignerFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL, DWORD);
    using CertFn = CRYPT_PROVIDER_CERT*(WINAPI*)(CRYPT_PROVIDER_SGNR*, DWORD);
    using NameFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);

    HMODULE wintrust = nullptr;
    HMODULE crypt32 = nullptr;
    VerifyFn verify = nullptr;
    ProvDataFn provData = nullptr;
    SignerFn signer = nullptr;
    CertFn cert = nullptr;
    NameFn name = nullptr;

    TrustApi() {
        // From the system folder alone: a wintrust.dll beside setup would
        // otherwise decide which programs are sound.
        wintrust = LoadSystemLibrary(L"wintrust.dll");
        crypt32 = LoadSystemLibrary(L"crypt32.dll");
        if (wintrust) {
            verify = reinterpret_cast<VerifyFn>(GetProcAddress(wintrust, "WinVerifyTrust"));
            provData = reinterpret_cast<ProvDataFn>(GetProcAddress(wintrust, "WTHelperProvDataFromStateData"));
            signer = reinterpret_cast<SignerFn>(GetProcAddress(wintrust, "WTHelperGetProvSignerFromChain"));
            cert = reinterpret_cast<CertFn>(GetProcAddress(wintrust, "WTHelperGetProvCertFromChain"));
        }
        if (crypt32) name = reinterpret_cast<NameFn>(GetProcAddress(crypt32, "CertGetNameStringW"));
    }
    ~TrustApi() {
        if (wintrust) FreeLibrary(wintrust);
        if (crypt32) FreeLibrary(crypt32);
    }
    TrustApi(const TrustApi&) = delete;
    TrustApi& operator=(const TrustApi&) = delete;

    // The signer's name from the certificate the check read, if any.
    std::string SignerName(HANDLE state) const {
        if (!provData || !signer || !cert || !name || !state) return {};
        CRYPT_PROVIDER_DATA* data = provData(state);
        CRYPT_PROVIDER_SGNR* first = data ? signer(data, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* leaf = first ? cert(first, 0) : nullptr;
        if (!leaf || !leaf->pCert) return {};
        wchar_t text[256] = {};
        DWORD length = name(leaf->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, text, 256);
        return length > 1 ? NarrowText(std::wstring_view(text, length - 1)) : std::string();
    }
};
}  // namespace

SignatureState SignatureStateOf(LONG status, bool carriesSignature) {
    // Whatever the check says, a program without a signature block is unsigned.
    if (!carriesSignature) return SignatureState::Unsigned;
    if (status == ERROR_SUCCESS) return SignatureState::Whole;
    for (LONG untrusted : kWholeButUntrusted)
        if (status == untrusted) return SignatureState::Whole;
    // A changed digest, a damaged block ("no signature" of a file that has
    // one), a certificate the system refuses: nothing to rely on.
    return SignatureState::Broken;
}

FileSignature ReadFileSignature(HANDLE file, const std::string& path) {
    FileSignature result;
    TrustApi api;
    if (!api.verify) return result;
    const std::wstring widePath = WideText(path);
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = widePath.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA trust = {};
    trust.cbStruct = sizeof trust;
    trust.dwUIChoice = WTD_UI_NONE;
    // Setup runs without a network: no revocation list is fetched, nothing
    // is asked of the network at all.
    trust.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &fileInfo;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: no window of the check's own, ever.
    result.status = api.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    result.state = SignatureStateOf(result.status, CarriesSignatureBlock(file));
    result.trusted = result.state == SignatureState::Whole && result.status == ERROR_SUCCESS;
    if (result.state != SignatureState::Unsigned) result.signer = api.SignerName(trust.hWVTStateData);
    trust.dwStateAction = WTD_STATEACTION_CLOSE;
    api.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    return result;
}

FileSignature ReadFileSignature(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        // A program that cannot be read cannot be shown sound.
        FileSignature unreadable;
        unreadable.state = SignatureState::Broken;
        unreadable.status = static_cast<LONG>(HRESULT_FROM_WIN32(GetLastError()));
        return unreadable;
    }
    return ReadFileSignature(file.Get(), path);
}

#pragma once
// What the system's trust check (WinVerifyTrust, from wintrust.dll in the
// system folder) says of a program's Authenticode signature: none, whole, or
// broken (the program or its signature changed after signing, or a signer
// the system refuses). Read on a handle that the caller holds, so that the
// file judged is the file then used.
#include <windows.h>

#include <string>

enum class SignatureState {
    Unsigned,   // no signature: the elevation prompt says "Unknown publisher"
    Whole,      // the content is what was signed
    Broken,     // changed after signing, or the signature itself is damaged or refused
    Unchecked,  // the system has no trust check to ask
};

struct FileSignature {
    SignatureState state = SignatureState::Unchecked;
    // Whole, and the signer's certificate leads to a root this system trusts:
    // the prompt names the signer. Whole but not trusted (a test certificate,
    // a root this system lacks) still tells a sound file from a changed one.
    bool trusted = false;
    std::string signer;  // the signer's name from its certificate, when the system read one
    LONG status = 0;     // the trust check's own answer
};

// The signature of the program open in `file` (read access, shared for
// reading only, so that nobody writes it meanwhile); `path` names it.
FileSignature ReadFileSignature(HANDLE file, const std::string& path);
// The same for a file by its path, held that way while it is judged.
FileSignature ReadFileSignature(const std::string& path);

// The rule that turns the trust check's answer into a state: `carriesSignature`
// tells whether the program's header names a signature block, so that a
// damaged block is never taken for no signature at all.
SignatureState SignatureStateOf(LONG status, bool carriesSignature);

#pragma once
#include <windows.h>

// Whether this process runs with administrator rights: its token holds the
// Administrators group enabled. A standard user, and an administrator whose
// program was not elevated (the group is then for denying only), has not.
// What such a run may trust and where it keeps its things follow from this.
bool HasAdministratorRights();

// The SID of this process's user, a copy the caller frees with LocalFree;
// null when the system does not tell it.
PSID ProcessUserSid();

// A security descriptor made from the system's language, freed with it.
class SecurityDescriptor {
public:
    explicit SecurityDescriptor(const char* text);
    ~SecurityDescriptor() { LocalFree(m_descriptor); }
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
    PSECURITY_DESCRIPTOR Get() const { return m_descriptor; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

// Whether the system records `user` as the owner of its own system folder
// (read through a handle of it): on Windows the system owns that folder, and
// no administrator's user does.
bool UserOwnsSystemFolder(PSID user);

// Gives what the handle (opened with WRITE_DAC and WRITE_OWNER) holds the
// owner and the list of `rights`, in the system's security descriptor
// language, protected from inheritance.
bool ApplyProtectedRights(HANDLE object, const char* rights);

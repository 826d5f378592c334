#pragma once
// Whether this process runs with administrator rights: its token holds the
// Administrators group enabled. A standard user, and an administrator whose
// program was not elevated (the group is then for denying only), has not.
// What such a run may trust and where it keeps its things follow from this.
bool HasAdministratorRights();

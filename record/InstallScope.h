#pragma once
// For whom a book is installed: for the machine (every user; the entry under
// HKEY_LOCAL_MACHINE, the uninstaller in the Windows folder, the journals in
// the common application data), or for the current user alone (the entry
// under HKEY_CURRENT_USER, the uninstaller and the journals in the user's own
// local application data; nothing of the machine is touched).
enum class InstallScope { Machine, CurrentUser };

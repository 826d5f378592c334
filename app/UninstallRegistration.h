#pragma once
// After a setup that was not abandoned: the medium's uninstaller is copied into
// the Windows directory and an uninstall entry for the product is written under
// HKEY_LOCAL_MACHINE. Looks for XOVUNIN.EXE in the current directory; does
// nothing without it, and shows nothing either way. True when the entry was
// written (an unattended run logs it).
bool RegisterUninstaller();

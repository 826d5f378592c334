#include "app/SettingsMessages.h"

#include "framework/MessageBox.h"
#include "settings/InstallSettings.h"
#include "settings/SettingsCheck.h"

void ValidateSettings(const SettingsMessage& tell) {
    SettingsCheckResult result = CheckSettings(InstallSettings);
    for (const std::string& message : result.messages) {
        if (tell)
            tell(message);
        else
            AfxMessageBox(message, MB_OK | MB_ICONSTOP);
    }
    InstallSettings.FilesCompressedFlag = result.filesCompressed;
    InstallSettings.UseUnderscoresFlag = result.useUnderscores;
}

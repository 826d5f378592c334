#pragma once
// The copy's prompts in an unattended run: nothing is shown, and the one
// question the copy asks, whether a file there already may be replaced, is
// answered Yes To All, as an administrator installing over an earlier copy
// of the book wants it.
#include "engine/CopyPrompts.h"

class SilentPrompts : public CopyPrompts {
public:
    void ShowFile(const char*, const std::string&) override {}
    void SetTotalBytes(uint64_t) override {}
    void FileBytesRead(uint64_t) override {}
    void FileDone(uint64_t) override {}
    ReplaceAnswer AskToReplace(const ReplaceQuestion&) override { return ReplaceAnswer::YesToAll; }
    // Never asked after Yes To All; were it, nobody is there to go on.
    bool ConfirmExit() override { return true; }
};

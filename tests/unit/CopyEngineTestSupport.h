#pragma once
// The copy engine's tests: a medium folder copied into a destination folder
// by a copy job on a worker thread, its questions answered as a reader
// would, and the progress dialog's two fields shown as the dialog shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>

#include "TestFiles.h"
#include "TestWindows.h"
#include "settings/SetupTexts.h"
#include "engine/FileFacts.h"
#include "engine/SzddStream.h"
#include "engine/PathShortening.h"
#include "engine/ProgressDialog.h"
#include "engine/ProgressPrompts.h"
#include "record/ContentHash.h"
#include "record/RecordedFiles.h"
#include "dialogs/MessageDialogs.h"
#include "framework/AnsiText.h"
#include "framework/Event.h"
#include "framework/HeldFolder.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "engine/CopyJob.h"

inline const std::string kFixtures = SZDD_FIXTURE_DIR;
inline const std::string kSmall = "small text file, a few words\r\n";
inline constexpr int kFieldWidth = 400;

// The progress dialog's two fields, shown as the dialog shows them: at once
// before a question (WM_SHOW_PROGRESS), and at the end of the copy.
inline LRESULT CALLBACK ProgressFieldsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOW_PROGRESS) {
        auto* report = reinterpret_cast<ProgressReport*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        ShowReportedFile(window, *report, kFieldWidth);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The product's prompts, with a look at each file handed over, so that a test
// can cancel in the middle of the copy as the progress dialog would.
class WatchedPrompts : public ProgressPrompts {
public:
    using ProgressPrompts::ProgressPrompts;
    void ShowFile(const char* sourceName, const std::string& destPath) override {
        ProgressPrompts::ShowFile(sourceName, destPath);
        if (onFile) onFile();
    }
    void FileBytesRead(uint64_t read) override {
        ProgressPrompts::FileBytesRead(read);
        if (onRead) onRead();
    }
    // Once the run has begun (its journal, its way and the destination held)
    // and before the walk reaches the first entry.
    void SetTotalBytes(uint64_t total) override {
        ProgressPrompts::SetTotalBytes(total);
        if (onBegun) onBegun();
    }
    std::function<void()> onFile;
    std::function<void()> onRead;
    std::function<void()> onBegun;
};

class CopyEngine : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("CopyEngine.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(m_root);
        m_source = m_root + "\\Medium";
        m_dest = m_root + "\\Installed";
        MakeFolders(m_source);
        MakeFolders(m_dest);
        SetupTexts.ConfirmReplaceTitle = "Confirm File Replace";
        SetupTexts.ConfirmReplaceText1 = "Replace '%s'?";
        SetupTexts.ConfirmReplaceText3 = "modified on %s";
        SetupTexts.ExitTitle = "Exit Setup";

        // The progress dialog's two fields, on this (the user-interface) thread.
        WNDCLASSA progressClass = {};
        progressClass.lpfnWndProc = ProgressFieldsProc;
        progressClass.hInstance = GetModuleHandleA(nullptr);
        progressClass.lpszClassName = "CopyEngineTestProgress";
        RegisterClassA(&progressClass);
        m_progress = CreateWindowExA(0, "CopyEngineTestProgress", "progress", WS_POPUP, 0, 0, 500, 120, nullptr,
                                     nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_progress, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_report));
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 40, 400, 14, m_progress,
                        reinterpret_cast<HMENU>(1007), nullptr, nullptr);
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 80, 400, 14, m_progress,
                        reinterpret_cast<HMENU>(1009), nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_progress);
        RemoveTree(m_root);
    }

    // Runs a copy job from the medium folder into the destination on a worker
    // thread, the questions owned by the progress window, answering each
    // dialog with the next button of `answers` (titles are recorded); then
    // ends the run (Finish) unless told not to. The job addresses the medium
    // by full paths: the current directory is another folder, and stays it.
    void Copy(std::vector<int> answers = {}, const std::function<void(HWND)>& onDialog = {}, bool end = true) {
        CurrentDirectoryScope elsewhere(m_root);
        m_report.Clear();
        m_prompts = std::make_unique<WatchedPrompts>(m_progress, m_report, &AskToLeaveSetup);
        m_job = std::make_unique<CopyJob>(m_source, m_dest, m_options, *m_prompts);
        if (!m_journalFolder.empty()) m_job->KeepJournalIn(m_journalFolder, "Test Book");
        if (m_beforeRun) m_beforeRun();
        m_prompts->onFile = m_onFile;
        m_prompts->onRead = m_onRead;
        m_prompts->onBegun = m_onBegun;
        size_t next = 0;
        bool ended = RunOnWorker([this] { m_job->Run(); },
                                 [&](HWND dialog) {
                                     m_titles.push_back(WindowText(dialog));
                                     if (onDialog) onDialog(dialog);
                                     if (next < answers.size()) {
                                         ClickButton(dialog, answers[next++]);
                                     } else {
                                         ADD_FAILURE() << "unexpected dialog " << m_titles.back();
                                         ClickButton(dialog, IDOK);
                                     }
                                 });
        EXPECT_TRUE(ended);
        ShowReportedFile(m_progress, m_report, kFieldWidth);
        EXPECT_EQ(next, answers.size()) << "dialogs answered";
        char after[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, after);
        EXPECT_STREQ(after, m_root.c_str()) << "current directory after the copy";
        if (end) m_job->Finish();
    }
    const CopyOutcome& Outcome() const { return m_job->Outcome(); }

    void Source(const std::string& relative, const std::string& content, DWORD attributes = 0) {
        WriteWholeFile(m_source + "\\" + relative, content, attributes);
    }
    void SourceFromFixture(const std::string& relative, const std::string& fixture) {
        Source(relative, FileContent(kFixtures + "\\" + fixture));
    }
    std::string Installed(const std::string& relative) { return FileContent(m_dest + "\\" + relative); }
    std::string Field(int id) { return ItemText(m_progress, id); }

    std::string m_root, m_source, m_dest;
    CopyOptions m_options;
    HWND m_progress = nullptr;
    ProgressReport m_report;
    std::unique_ptr<WatchedPrompts> m_prompts;
    std::function<void()> m_onFile;  // on the worker, after each file is handed over
    std::function<void()> m_onRead;  // on the worker, after the bytes read of a file are told
    std::function<void()> m_onBegun;  // on the worker, once the run has begun, before its first entry
    std::function<void()> m_beforeRun;  // once the job is made, before it runs
    std::unique_ptr<CopyJob> m_job;
    std::vector<std::string> m_titles;
    std::string m_journalFolder;  // where the job keeps its journal on the disk; none when empty
};

// A file, its content, attributes and last-write time, or a folder.
struct Found {
    std::string content;
    DWORD attributes;
    uint64_t writeTime;
    bool operator==(const Found&) const = default;
};

inline void Snapshot(const std::string& folder, const std::string& relative, std::map<std::string, Found>& out) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = relative + "\\" + name;
        bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        uint64_t time = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
        out[child] = {isFolder ? "<folder>" : FileContent(folder + "\\" + name), data.dwFileAttributes,
                      isFolder ? 0 : time};
        if (isFolder) Snapshot(folder + "\\" + name, child, out);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

inline std::map<std::string, Found> Snapshot(const std::string& folder) {
    std::map<std::string, Found> out;
    Snapshot(folder, "", out);
    return out;
}

using Tree = std::map<std::string, std::string>;

// The journals of the folder the job keeps them in.
inline std::vector<std::string> JournalsIn(const std::string& folder) {
    std::vector<std::string> journals;
    for (const std::string& name : ListingOrder(folder))
        if (name.size() > 4 && name.substr(name.size() - 4) == ".jnl") journals.push_back(name);
    return journals;
}

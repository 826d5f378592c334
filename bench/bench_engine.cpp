// Installs a folder tree with the copy engine as a real installation does: the
// engine on a worker thread handing each file over to a progress window whose
// two fields this (the user-interface) thread keeps live, as the progress
// dialog does: on its timer, at once before a question, and at the end.
//
//   bench_engine.exe SOURCE DEST [plain|compressed] [fields|nofields] [count|rollback|repair|-] [journal|nojournal]
//
// "nofields" runs the engine without a progress window, to show what the
// per-file field updates cost. Prints the engine's own time; with "count",
// also how many text measurements the shortening of the destination field
// needs for the installed paths (under DEST and under a deep installation
// folder) compared with measuring after every removed pair; with
// "rollback", how long undoing the whole copy takes, as an abandoned run
// does (DEST is then as before); with "repair", how long the next start's
// repair of the run takes when the process ended right after the copy,
// before its end (DEST is then as before). Files already at DEST are
// replaced as after Yes To All; "replaced_files" says how many. The run keeps
// its journal on the disk as setup's does (in the folder DEST + " journals"),
// unless told "nojournal".
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/CopyJob.h"
#include "engine/PathShortening.h"
#include "engine/ProgressDialog.h"
#include "engine/ProgressPrompts.h"
#include "framework/FolderListing.h"
#include "framework/Gdi.h"
#include "framework/Thread.h"
#include "record/InstallRecord.h"
#include "record/RecordedFiles.h"
#include "journal/RunRepair.h"
#include "record/SetupRunRecord.h"
#include "res/resource.h"

namespace {
constexpr UINT kCopyDone = WM_APP + 1;
// The width of the progress dialog's destination field: 258 dialog units in
// its font, about 390 pixels.
constexpr int kDestFieldWidth = 390;

struct Job {
    std::string source;
    std::string dest;
    HWND window;
    CopyJob* copy;
    LARGE_INTEGER started;  // when the worker began the job
};

UINT CopyWorker(LPVOID param) {
    auto* job = static_cast<Job*>(param);
    QueryPerformanceCounter(&job->started);
    job->copy->Run();
    PostMessageA(job->window, kCopyDone, 0, 0);
    return 0;
}

ProgressReport Report;

// The progress window's prompts with the user's answer given at once: Yes To
// All at the first question, so that a copy over an installed tree replaces
// every file (each original kept beside it until the run ends).
class YesToAllPrompts : public ProgressPrompts {
public:
    using ProgressPrompts::ProgressPrompts;
    ReplaceAnswer AskToReplace(const ReplaceQuestion&) override { return ReplaceAnswer::YesToAll; }
    bool ConfirmExit() override { return false; }
    // The job's own listing ends with the total: timed from the worker's start.
    void SetTotalBytes(uint64_t total) override {
        QueryPerformanceCounter(&listed);
        ProgressPrompts::SetTotalBytes(total);
    }
    // The bar's steps inside each file (told fewer bytes than the whole
    // file), kept for the largest file.
    void FileBytesRead(uint64_t read) override {
        m_reads.push_back(read);
        ProgressPrompts::FileBytesRead(read);
    }
    void FileDone(uint64_t size) override {
        if (size >= largestFile) {
            largestFile = size;
            updatesInLargest = std::count_if(m_reads.begin(), m_reads.end(),
                                             [size](uint64_t read) { return read > 0 && read < size; });
        }
        m_reads.clear();
        ProgressPrompts::FileDone(size);
    }
    LARGE_INTEGER listed = {};
    uint64_t largestFile = 0;
    size_t updatesInLargest = 0;

private:
    std::vector<uint64_t> m_reads;
};

// Destination paths of every file below `folder`, as the engine builds them.
void CollectPaths(const std::string& folder, const std::string& dest, std::vector<std::string>& paths) {
    FolderListing listing(folder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (entry.IsFolder()) {
            if (entry.name[0] != '.') CollectPaths(folder + "\\" + entry.name, dest + "\\" + entry.name, paths);
        } else {
            paths.push_back(dest + "\\" + entry.name);
        }
    }
}

// The measurements the rule needs when it measures after every removed pair.
int PassByPassMeasurements(std::string text, int width, const TextMeasure& measure) {
    int count = 1;
    if (measure(text) <= width) return count;
    size_t middle = text.size() / 2;
    text.replace(middle - 1, 3, "...");
    size_t dots = middle - 1;
    ++count;
    while (measure(text) > width && dots > 0 && dots + 3 < text.size()) {
        text.erase(dots + 3, 1);
        text.erase(dots - 1, 1);
        --dots;
        ++count;
    }
    return count;
}

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER || message == WM_SHOW_PROGRESS) {
        ShowReportedFile(window, Report, kDestFieldWidth);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_engine SOURCE DEST [plain|compressed] [fields|nofields]\n");
        return 2;
    }
    Job job{argv[1], argv[2], nullptr, nullptr};
    CopyOptions options;
    options.compressed = argc > 3 && std::string(argv[3]) == "compressed";

    // The progress dialog's two fields, 258 dialog units wide as in the
    // progress dialog (about 390 pixels in its font).
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BenchProgress";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "BenchProgress", "Installing", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100,
                                  420, 200, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 40, 390, 14, window,
                    reinterpret_cast<HMENU>(IDC_PROGRESS_FILE), nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 100, 390, 14, window,
                    reinterpret_cast<HMENU>(IDC_PROGRESS_DEST), nullptr, nullptr);
    // The bar of the bytes read, as the progress dialog has it.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 10, 140, 390, 16, window,
                    reinterpret_cast<HMENU>(IDC_PROGRESS_BAR), nullptr, nullptr);
    bool fields = !(argc > 4 && std::string(argv[4]) == "nofields");
    YesToAllPrompts prompts(fields ? window : nullptr, Report, {});
    auto owned = std::make_unique<CopyJob>(job.source, job.dest, options, prompts);
    CopyJob& copy = *owned;
    const std::string journals = job.dest + " journals";
    const bool journalled = !(argc > 6 && std::string(argv[6]) == "nojournal");
    if (journalled) copy.KeepJournalIn(journals, "Benchmark Book");
    job.copy = &copy;
    // The progress dialog's pace.
    if (fields) SetTimer(window, 1, 50, nullptr);
    job.window = window;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    AfxBeginThread(CopyWorker, &job);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kCopyDone) break;
        DispatchMessageA(&msg);
    }
    if (fields) ShowReportedFile(window, Report, kDestFieldWidth);
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;

    const CopyOutcome& outcome = copy.Outcome();
    std::printf("engine_seconds %.3f\nexpand_failed %d\ncopy_failed %d\nreplaced_files %zu\nlisting_seconds %.3f\n",
                seconds, outcome.expandFailed ? 1 : 0, outcome.copyFailed ? 1 : 0, outcome.replacedFiles.size(),
                static_cast<double>(prompts.listed.QuadPart - job.started.QuadPart) / frequency.QuadPart);
    std::printf("largest_file_bytes %llu\nbar_updates_in_largest %zu\n",
                static_cast<unsigned long long>(prompts.largestFile), prompts.updatesInLargest);
    if (journalled) {
        // The journal's own share of the copy: the same notes the run made,
        // written again to a journal of their own, timed alone (the copy's
        // time varies with the machine's load far more than they cost).
        QueryPerformanceCounter(&start);
        RunJournal again;
        again.Begin(journals, "Benchmark Book (notes timed)", job.dest);
        for (const JournalStep& step : copy.Journal().Steps()) {
            if (step.kind == JournalStep::Kind::Folder) again.NoteFolder(step.path);
            else if (step.kind == JournalStep::Kind::NewFile) again.NoteNewFile(step.path);
            else again.NoteKept(step.path, step.kept, false);
        }
        again.NoteCompleted();
        again.End();
        QueryPerformanceCounter(&end);
        std::printf("journal_seconds %.3f\njournal_notes %zu\n",
                    static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart,
                    copy.Journal().Steps().size());
    }
    if (argc > 5 && std::string(argv[5]) == "repair") {
        // The process ends after the copy, before the run's end: the journal
        // stays, and the next start undoes the run from it.
        owned.reset();
        QueryPerformanceCounter(&start);
        RepairResult repair = RepairUnfinishedRuns(journals);
        QueryPerformanceCounter(&end);
        std::printf("repair_seconds %.3f\nrepair_whole %d\n",
                    static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart,
                    repair.repaired == 1 && repair.left == 0 && repair.notPutBack.empty() ? 1 : 0);
        return 0;
    }
    if (argc > 5 && std::string(argv[5]) == "rollback") {
        // Undone as an abandoned run is, the whole copy.
        QueryPerformanceCounter(&start);
        copy.Cancel();
        copy.Finish();
        QueryPerformanceCounter(&end);
        std::printf("rollback_seconds %.3f\nrollback_whole %d\n",
                    static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart,
                    outcome.restoreFailed ? 0 : 1);
        return 0;
    }
    copy.Finish();

    // What the install record adds after the copy: the entries made (read
    // back and hashed) beside it, noted.
    ForgetRunRecord();
    QueryPerformanceCounter(&start);
    RecordCopy(outcome.writtenEntries, outcome.createdFolders);
    QueryPerformanceCounter(&end);
    std::printf("record_noting_seconds %.3f\n",
                static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);

    // What the install record adds at registration, the registry aside: its
    // text, read back, and merged as a second run that wrote nothing would
    // (each entry looked up on the disk).
    QueryPerformanceCounter(&start);
    InstallRecord record = RunRecordSoFar();
    record.installFolder = FullPath(job.dest).value_or(job.dest);
    std::string text = FormatRecord(record);
    std::optional<InstallRecord> read = ParseRecord(text);
    InstallRecord merged = MergeRecords(read.value_or(InstallRecord{}), InstallRecord{record.installFolder, {}},
                                        StillThere);
    QueryPerformanceCounter(&end);
    std::printf("record_entries %zu %zu\nrecord_bytes %zu\nrecord_seconds %.3f\n", record.entries.size(),
                merged.entries.size(), text.size(),
                static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    if (!(argc > 5 && std::string(argv[5]) == "count")) return 0;

    // The destination paths as the engine built them, and the same files
    // under a deep installation folder, where the field needs many passes.
    const std::pair<const char*, std::string> folders[] = {
        {"dest", job.dest},
        {"deep", "C:\\Program Files\\Publisher of the Book\\Companion Files of the Book\\Second Edition\\"
                 "Source Code and Examples"},
    };
    CClientDC dc(window);
    auto measure = [&dc](const std::string& s) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };
    for (const auto& [label, folder] : folders) {
        std::vector<std::string> paths;
        CollectPaths(job.source, folder, paths);
        long long probing = 0;
        long long passByPass = 0;
        TextMeasure counted = [&](const std::string& s) {
            ++probing;
            return measure(s);
        };
        for (const std::string& path : paths) {
            ShortenTextToFit(path, kDestFieldWidth, counted);
            passByPass += PassByPassMeasurements(path, kDestFieldWidth, measure);
        }
        std::printf("files %zu\nmeasurements_%s %lld %lld\n", paths.size(), label, probing, passByPass);
    }
    // The window goes with the process: destroying a visible top-level window
    // makes Wine's X11 driver wait up to two seconds for a window manager to
    // confirm the unmapping, which is no cost of the engine's.
    return 0;
}

#include "journal/RunJournal.h"

#include <cstdlib>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"
#include "journal/JournalTrust.h"

namespace {
constexpr std::string_view kHeader = "XOV SETUP RUN JOURNAL 1";
constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kKeptPrefix = ".~sx";
constexpr const char* kKeptSuffix = ".tmp";
constexpr size_t kMarkLength = 8;

// A fresh mark: the tick count, the process and a counter, so that two runs
// on one machine practically never share one (the journal's own name, made
// only when free, settles the rest).
std::string NewMark() {
    static LONG counter = 0;
    DWORD value = GetTickCount() * 2654435761u ^ GetCurrentProcessId() << 16 ^
                  static_cast<DWORD>(InterlockedIncrement(&counter)) * 40503u;
    char text[kMarkLength + 1];
    wsprintfA(text, "%08lX", static_cast<unsigned long>(value));
    return text;
}

// One name as the file system compares names (two names of the medium may become one).
bool SameName(const std::string& a, std::string_view b) {
    return a == b || (a.size() == b.size() && UpperAnsi(a) == UpperAnsi(std::string(b)));
}

// The step a note about a file's name belongs to: its latest.
JournalStep* LatestStepOf(std::vector<JournalStep>& steps, std::string_view path, std::string_view kept = {}) {
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind == JournalStep::Kind::Folder || !SameName(step->path, path)) continue;
        if (kept.empty() || (step->kind == JournalStep::Kind::Kept && step->kept == kept)) return &*step;
    }
    return nullptr;
}

// Drops the latest new file noted at the path: it was not the run's.
void DropLatestNewFile(std::vector<JournalStep>& steps, std::string_view path) {
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind == JournalStep::Kind::NewFile && SameName(step->path, path)) {
            steps.erase(std::next(step).base());
            return;
        }
    }
}

// "path\tfirst\tsecond": the numbers are the last two fields, as a name holds no tab.
std::optional<std::pair<std::string, std::pair<uint64_t, uint64_t>>> ParseNumbered(const std::string& rest) {
    size_t second = rest.rfind('\t');
    if (second == std::string::npos || second == 0) return std::nullopt;
    size_t first = rest.rfind('\t', second - 1);
    if (first == std::string::npos || first == 0) return std::nullopt;
    std::string one = rest.substr(first + 1, second - first - 1), two = rest.substr(second + 1);
    if (one.empty() || two.empty()) return std::nullopt;
    char* end = nullptr;
    uint64_t a = std::strtoull(one.c_str(), &end, 10);
    if (*end) return std::nullopt;
    uint64_t b = std::strtoull(two.c_str(), &end, 10);
    if (*end) return std::nullopt;
    return std::make_pair(rest.substr(0, first), std::make_pair(a, b));
}

// "volume\tindex"
std::optional<FileIdentity> ParseIdentity(const std::string& rest) {
    std::optional<std::pair<std::string, std::pair<uint64_t, uint64_t>>> parsed = ParseNumbered("-\t" + rest);
    if (!parsed || parsed->first != "-" || parsed->second.first > 0xFFFFFFFFull) return std::nullopt;
    return FileIdentity{static_cast<uint32_t>(parsed->second.first), parsed->second.second};
}

std::string IdentityText(const FileIdentity& identity) {
    return StringPrintf("%lu\t%llu", static_cast<unsigned long>(identity.volume),
                        static_cast<unsigned long long>(identity.index));
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
}  // namespace

bool IsTheWrittenFile(const WrittenFile& written, const WrittenFile& now) {
    if (written.size != now.size || written.writeTime != now.writeTime) return false;
    return !written.identity || written.identity == now.identity;
}

std::string MarkedKeptName(const std::string& path, const std::string& mark) {
    std::string kept = path + kKeptPrefix + mark + kKeptSuffix;
    return PathLength(kept) < MAX_PATH ? kept : std::string();
}

std::string NameOfMarkedKept(const std::string& kept, const std::string& mark) {
    std::string end = kKeptPrefix + mark + kKeptSuffix;
    if (mark.empty() || kept.size() <= end.size() || !EndsWith(kept, end)) return {};
    return kept.substr(0, kept.size() - end.size());
}

std::optional<JournalText> ParseJournal(std::string_view stored) {
    // Kept in UTF-8, whichever code page the run's program had; the names in this program's.
    const std::string decoded = RecodeText(stored, CP_UTF8, CP_ACP);
    std::string_view text = decoded;
    JournalText journal;
    bool headerSeen = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(kLineEnd, start);
        // A line without its end was being written when the run ended.
        if (end == std::string_view::npos) break;
        std::string_view line = text.substr(start, end - start);
        start = end + kLineEnd.size();
        if (!headerSeen) {
            if (line != kHeader) return std::nullopt;
            headerSeen = true;
            continue;
        }
        size_t tab = line.find('\t');
        std::string_view kind = line.substr(0, tab);
        std::string rest = tab == std::string_view::npos ? std::string() : std::string(line.substr(tab + 1));
        if (kind == "M") journal.mark = rest;
        else if (kind == "P") journal.product = rest;
        else if (kind == "I") journal.installFolder = rest;
        else if (kind == "V") journal.installIdentity = ParseIdentity(rest);
        else if (kind == "R") {
            // "R\tpath\tvolume\tindex": where the run's way starts.
            auto start = ParseNumbered(rest);
            if (!start || start->second.first > 0xFFFFFFFFull) continue;
            journal.start = {start->first,
                             FileIdentity{static_cast<uint32_t>(start->second.first), start->second.second}};
        } else if (kind == "Y") {
            // Which folder the run made at a path noted with "D".
            auto made = ParseNumbered(rest);
            if (!made || made->second.first > 0xFFFFFFFFull) continue;
            for (auto step = journal.steps.rbegin(); step != journal.steps.rend(); ++step) {
                if (step->kind == JournalStep::Kind::Folder && step->path == made->first) {
                    step->madeIdentity =
                        FileIdentity{static_cast<uint32_t>(made->second.first), made->second.second};
                    break;
                }
            }
        }
        else if (kind == "C") journal.completed = true;
        else if (rest.empty()) continue;
        else if (kind == "D") journal.steps.push_back({JournalStep::Kind::Folder, rest, {}});
        else if (kind == "N") journal.steps.push_back({JournalStep::Kind::NewFile, rest, {}});
        else if (kind == "n") DropLatestNewFile(journal.steps, rest);
        else if (kind == "d") {
            // Noted ahead, then found there already: not the run's folder.
            for (auto step = journal.steps.rbegin(); step != journal.steps.rend(); ++step) {
                if (step->kind == JournalStep::Kind::Folder && step->path == rest) {
                    journal.steps.erase(std::next(step).base());
                    break;
                }
            }
        } else if (kind == "F") {
            // Written whole: the file as the run left it.
            if (auto written = ParseNumbered(rest))
                if (JournalStep* step = LatestStepOf(journal.steps, written->first))
                    step->written = WrittenFile{written->second.first, written->second.second, std::nullopt};
        } else if (kind == "X") {
            // Which file that was: written with its "F" line, in one write.
            auto identity = ParseNumbered(rest);
            if (!identity || identity->second.first > 0xFFFFFFFFull) continue;
            JournalStep* step = LatestStepOf(journal.steps, identity->first);
            if (step && step->written)
                step->written->identity =
                    FileIdentity{static_cast<uint32_t>(identity->second.first), identity->second.second};
        } else if (kind == "B") {
            size_t second = rest.find('\t');
            if (second == std::string::npos) continue;
            if (JournalStep* step = LatestStepOf(journal.steps, std::string_view(rest).substr(0, second),
                                                 std::string_view(rest).substr(second + 1)))
                step->putBackFailed = true;
        } else if (kind == "K") {
            size_t second = rest.find('\t');
            if (second == std::string::npos || second == 0 || second + 1 == rest.size()) continue;
            journal.steps.push_back({JournalStep::Kind::Kept, rest.substr(0, second), rest.substr(second + 1)});
        }
    }
    if (!headerSeen) return std::nullopt;
    return journal;
}

RunJournal::RunJournal() : m_mark(NewMark()) {}

RunJournal::~RunJournal() = default;

bool RunJournal::Begin(const JournalPlace& place, const std::string& product, const std::string& installFolder) {
    const std::string folder = MakeOwnJournalFolder(place, OwnerJudge(place), &m_notes);
    if (folder.empty()) return false;
    for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
        if (attempt > 0) m_mark = NewMark();
        std::string path = JoinPath(folder, m_mark + ".jnl");
        // Written only by this run, read by nobody while it lasts: a second
        // setup that cannot open it knows the run is alive.
        HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
            continue;
        }
        m_file = UniqueFile(file);
        m_path = path;
    }
    if (!m_file) return false;
    std::string head;
    head.append(kHeader).append(kLineEnd);
    head.append("M\t").append(m_mark).append(kLineEnd);
    head.append("P\t").append(product).append(kLineEnd);
    head.append("I\t").append(installFolder).append(kLineEnd);
    head = RecodeText(head, CP_ACP, CP_UTF8);
    DWORD written = 0;
    // On the disk before the first change: the mark is what finds kept files
    // whose lines were lost.
    if (!WriteFile(m_file.Get(), head.data(), static_cast<DWORD>(head.size()), &written, nullptr) ||
        written != head.size() || !FlushFileBuffers(m_file.Get())) {
        End();
        return false;
    }
    return true;
}

bool RunJournal::Write(std::string_view kind, const std::string& path, const std::string* kept, bool flush) {
    std::string line;
    line.reserve(kind.size() + path.size() + (kept ? kept->size() + 1 : 0) + 3);
    line.append(kind).append("\t").append(path);
    if (kept) line.append("\t").append(*kept);
    line.append(kLineEnd);
    return WriteLines(std::move(line), flush);
}

bool RunJournal::WriteLines(std::string lines, bool flush) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file) return true;
    lines = RecodeText(lines, CP_ACP, CP_UTF8);
    // One write a note: once WriteFile returns, the system holds it, and a
    // process ended at any instant after that leaves it in the file.
    DWORD written = 0;
    if (!WriteFile(m_file.Get(), lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) ||
        written != lines.size())
        return false;
    return !flush || FlushFileBuffers(m_file.Get());
}

bool RunJournal::NoteInstallFolder(const FileIdentity& identity) {
    if (!WriteLines(std::string("V\t").append(IdentityText(identity)).append(kLineEnd), false)) return false;
    m_installIdentity = identity;
    return true;
}

bool RunJournal::NoteStart(const std::string& path, const FileIdentity& identity) {
    if (!WriteLines(std::string("R\t").append(path).append("\t").append(IdentityText(identity)).append(kLineEnd),
                    false))
        return false;
    m_start = {path, identity};
    return true;
}

bool RunJournal::NoteFolderMade(const std::string& path, const FileIdentity& identity) {
    if (!WriteLines(std::string("Y\t").append(path).append("\t").append(IdentityText(identity)).append(kLineEnd),
                    false))
        return false;
    for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step) {
        if (step->kind == JournalStep::Kind::Folder && step->path == path) {
            step->madeIdentity = identity;
            break;
        }
    }
    return true;
}

bool RunJournal::NoteFolder(const std::string& path) {
    if (!Write("D", path, nullptr, false)) return false;
    m_steps.push_back({JournalStep::Kind::Folder, path, {}});
    return true;
}

void RunJournal::NoteFolderThere(const std::string& path) {
    Write("d", path, nullptr, false);
    if (!m_steps.empty() && m_steps.back().kind == JournalStep::Kind::Folder && m_steps.back().path == path)
        m_steps.pop_back();
}

bool RunJournal::NoteNewFile(const std::string& path) {
    if (!Write("N", path, nullptr, false)) return false;
    m_steps.push_back({JournalStep::Kind::NewFile, path, {}});
    return true;
}

bool RunJournal::NoteNotTheRuns(const std::string& path) {
    bool noted = Write("n", path, nullptr, false);
    // This run's own undo never deletes it, whether or not the line reached the file.
    DropLatestNewFile(m_steps, path);
    return noted;
}

bool RunJournal::NoteKept(const std::string& path, const std::string& kept, bool flush) {
    if (!Write("K", path, &kept, flush)) return false;
    m_steps.push_back({JournalStep::Kind::Kept, path, kept});
    return true;
}

bool RunJournal::NoteWritten(const std::string& path, const WrittenFile& written) {
    // Size and time on a line of their own, as earlier setups read them;
    // which file it was on the next, in the same write.
    std::string lines = "F\t" + path +
                        StringPrintf("\t%llu\t%llu", static_cast<unsigned long long>(written.size),
                                     static_cast<unsigned long long>(written.writeTime)) +
                        std::string(kLineEnd);
    if (written.identity) lines.append("X\t").append(path).append("\t").append(IdentityText(*written.identity)).append(kLineEnd);
    if (!WriteLines(std::move(lines), false)) return false;
    if (JournalStep* step = LatestStepOf(m_steps, path)) step->written = written;
    return true;
}

bool RunJournal::NotePutBackFailed(const std::string& path, const std::string& kept) {
    bool noted = Write("B", path, &kept, true);
    if (JournalStep* step = LatestStepOf(m_steps, path, kept)) step->putBackFailed = true;
    return noted;
}

bool RunJournal::NoteCompleted() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file) return true;
    DWORD written = 0;
    return WriteFile(m_file.Get(), "C\r\n", 3, &written, nullptr) && written == 3 && FlushFileBuffers(m_file.Get());
}

void RunJournal::Flush() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file) FlushFileBuffers(m_file.Get());
}

void RunJournal::Leave() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file) return;
    FlushFileBuffers(m_file.Get());
    m_file = UniqueFile();
}

void RunJournal::End() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file) return;
    m_file = UniqueFile();
    DeleteFileW(WideText(m_path).c_str());
}

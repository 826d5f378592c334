// The copy engine's lanes, which place small files beside the copy thread:
// a name taken meanwhile, how far the copy runs ahead, and the order the
// lanes give files back in.
#include "CopyEngineTestSupport.h"

#include <algorithm>
#include <atomic>

#include "framework/WorkLanes.h"

namespace {
// A small new file's name taken by another program after the copy found it
// free and before a lane created it (a sync client, the reader): the lane
// leaves that file alone and hands the copy back, which asks about it as
// about any file standing there. Whatever the answer and however the run
// ends (completed, abandoned at the question, cut short and repaired at the
// next start, or an unattended run's failure after Yes To All), the other
// program's file is never deleted as the run's.
TEST_F(CopyEngine, ALaneWhoseNameIsTakenHandsTheFileBack) {
    m_journalFolder = m_root + "\\Journals";
    // The first name listed is taken on its lane; the second, big, goes by
    // the copy thread after the question (or, held, fails then).
    Source("P.TXT", "");
    Source("Q.TXT", "");
    const std::vector<std::string> order = ListingOrder(m_source);
    ASSERT_EQ(order.size(), 2u);
    const std::string small = order[0], big = order[1];
    Source(small, "the medium's small file");
    Source(big, std::string(300 * 1024, 'b'));
    const std::string taken = m_dest + "\\" + small;
    const std::string others = "the other program's file";
    enum class End { Completes, CancelledAtTheQuestion, CutShort, FailsAfterYesToAll };
    const struct {
        const char* name;
        int answer;
        End end;
        bool oursThere;  // the medium's file stands at the name in the end
    } cases[] = {
        {"No, the run completes", 1006, End::Completes, false},
        {"Yes, the run completes", IDOK, End::Completes, true},
        {"No, then the run is abandoned at the question", 1006, End::CancelledAtTheQuestion, false},
        {"No, the run cut short and repaired at the next start", 1006, End::CutShort, false},
        {"unattended: Yes To All, then a later file fails", 1001, End::FailsAfterYesToAll, false},
    };
    for (const auto& c : cases) {
        RemoveTree(m_dest);
        RemoveTree(m_journalFolder);
        MakeFolders(m_dest);
        m_titles.clear();
        m_options.stopAtFirstFailure = c.end == End::FailsAfterYesToAll;
        std::atomic<int> watched{0};
        m_beforeRun = [&] {
            m_job->WatchLanes([&](const std::string& destPath) {
                if (UpperAnsi(destPath) == UpperAnsi(taken) && watched++ == 0) WriteWholeFile(taken, others);
            });
        };
        HANDLE held = c.end != End::FailsAfterYesToAll ? INVALID_HANDLE_VALUE
                                                        : CreateFileA((m_source + "\\" + big).c_str(), GENERIC_READ,
                                                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
        Copy({c.answer}, [&](HWND) {
            if (c.end == End::CancelledAtTheQuestion) m_job->Cancel();
        }, false);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(watched, 1) << c.name << ": the file went to a lane once";
        EXPECT_EQ(m_titles, std::vector<std::string>{"Confirm File Replace"}) << c.name;
        // Not the run's in its journal, in memory and on the disk.
        for (const JournalStep& step : m_job->Journal().Steps())
            EXPECT_FALSE(step.kind == JournalStep::Kind::NewFile && step.path == taken) << c.name;
        std::optional<JournalText> onDisk = ParseJournal(FileContent(m_job->Journal().Path()));
        ASSERT_TRUE(onDisk) << c.name;
        for (const JournalStep& step : onDisk->steps)
            EXPECT_FALSE(step.kind == JournalStep::Kind::NewFile && step.path == taken) << c.name;
        if (c.end == End::CutShort) {
            m_job.reset();  // the process ends: the next start repairs the run
            EXPECT_EQ(RepairUnfinishedRuns(m_journalFolder).repaired, 1) << c.name;
        } else {
            m_job->Finish();
            EXPECT_EQ(Outcome().abandoned, c.end != End::Completes) << c.name;
            EXPECT_FALSE(Outcome().restoreFailed) << c.name;
            // Yes To All kept the other file aside, as any file found there.
            EXPECT_EQ(Outcome().replacedFiles.size(), c.answer == 1006 ? 0u : 1u) << c.name;
        }
        EXPECT_EQ(FileContent(taken), c.oursThere ? "the medium's small file" : others) << c.name;
        std::vector<std::string> expected =
            c.end == End::Completes ? std::vector<std::string>{small, big} : std::vector<std::string>{small};
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> left = ListingOrder(m_dest);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, expected) << c.name << ": nothing of the run's, nothing kept aside";
    }
}

// Small files go to the lanes, and the copy runs only so far ahead of what
// has settled: when a file is shown, at most 16 handed over before it are
// still on their way (lanes far slower than the copy thread do reach 16).
TEST_F(CopyEngine, TheCopyRunsAtMostSixteenFilesAheadOfWhatSettled) {
    const std::string content(200 * 1024, 'x');
    for (int i = 0; i < 48; ++i) Source(StringPrintf("F%02d.BIN", i), content);
    size_t shown = 0, mostOnTheirWay = 0;
    m_onFile = [&] {
        mostOnTheirWay = std::max(mostOnTheirWay, shown - Outcome().writtenFiles.size());
        ++shown;
    };
    Copy();
    EXPECT_EQ(shown, 48u);
    EXPECT_EQ(Outcome().writtenFiles.size(), 48u);
    EXPECT_EQ(mostOnTheirWay, 16u);
}

// The lanes give files back in the order they were handed over, whatever
// order they were placed in: while one lane is held on the first file, the
// other places all the rest, and none of them comes back before the first.
TEST(CopyLanes, GiveFilesBackInTheOrderHandedOver) {
    CEvent release(FALSE, TRUE);
    std::atomic<int> placed{0};
    CopyLanes lanes(2, [&](FileCopy& file) {
        if (file.size == 0) release.Lock();
        file.installed = true;
        ++placed;
    });
    for (uint64_t i = 0; i < 20; ++i) {
        FileCopy file;
        file.size = i;
        ASSERT_TRUE(lanes.HandOver(file));
    }
    for (int wait = 0; wait < 500 && placed < 19; ++wait) Sleep(10);
    EXPECT_EQ(placed, 19) << "the second lane placed the rest";
    FileCopy taken;
    EXPECT_FALSE(lanes.TakePlaced(taken, false)) << "the first is still on its way";
    EXPECT_EQ(lanes.Pending(), 20u);
    release.SetEvent();
    for (uint64_t i = 0; i < 20; ++i) {
        ASSERT_TRUE(lanes.TakePlaced(taken, true));
        EXPECT_EQ(taken.size, i);
        EXPECT_TRUE(taken.installed);
    }
    EXPECT_FALSE(lanes.TakePlaced(taken, true)) << "none left to wait for";
}
// The undo's lanes: every call made once, never more of them at a time than
// the lanes asked for (and side by side when more than one), and none still
// running once the call returns, whatever the count.
TEST(WorkLanes, EachCallOnceNoMoreAtATimeThanTheLanesAllDoneOnReturn) {
    for (unsigned lanes : {1u, 3u}) {
        for (size_t count : {0u, 1u, 2u, 120u}) {
            std::vector<std::atomic<int>> calls(count);
            std::atomic<int> running{0}, most{0};
            RunInLanes(count, lanes, [&](size_t i) {
                const int now = ++running;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {}
                if (i % 3 == 0) Sleep(2);
                ++calls[i];
                --running;
            });
            EXPECT_EQ(running, 0) << lanes << " lanes, " << count;
            EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::atomic<int>& c) { return c == 1; }),
                      static_cast<long>(count))
                << lanes << " lanes, " << count;
            EXPECT_LE(most, static_cast<int>(lanes)) << count;
            if (count == 120) EXPECT_EQ(most, static_cast<int>(lanes)) << "side by side";
        }
    }
}
}  // namespace

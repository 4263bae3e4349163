// The tick's recording: the ring's reader contract (every tick once, in
// order, and exactly what was lost when it fell behind), with the writer on
// another thread, and the status tick writing it under the real timer while
// an operator thread stops, edits and starts the program. Also run under
// ThreadSanitizer.

#include <chrono>
#include <thread>

#include "EngineFixture.h"
#include "motion/Recording.h"
#include "motion/RunControl.h"
#include "program/RunGuard.h"

namespace {

using enginetest::Command;
using namespace std::chrono_literals;

// A sample whose every field tells its tick, so a torn copy shows.
TickSample Marked(std::uint64_t tick) {
  TickSample s;
  s.timeNs = static_cast<std::int64_t>(tick) * 7;
  s.row = static_cast<std::int32_t>(tick % 1000);
  s.pass = static_cast<std::int32_t>(tick % 7);
  s.polled = 8;
  for (std::size_t i = 0; i < kPolledAxes; ++i) {
    s.command[i] = static_cast<double>(tick) * static_cast<double>(i + 1);
    s.encoder[i] = static_cast<std::int32_t>(tick % 100000) + static_cast<std::int32_t>(i);
    s.speed[i] = -static_cast<double>(tick);
  }
  return s;
}

bool Whole(const TickSample& s) {
  const TickSample expected = Marked(s.tick);
  return s.timeNs == expected.timeNs && s.row == expected.row && s.pass == expected.pass &&
         s.command == expected.command && s.encoder == expected.encoder && s.speed == expected.speed;
}

std::vector<std::uint64_t> Ticks(const std::vector<TickSample>& samples) {
  std::vector<std::uint64_t> ticks;
  for (const TickSample& s : samples) ticks.push_back(s.tick);
  return ticks;
}

TEST(SampleRing, AReaderGetsEveryTickOnceAndCountsWhatWasOverwritten) {
  struct Case {
    const char* what;
    int pushed;          // into a ring of 4
    std::uint64_t next;  // the reader's cursor
    std::size_t max;     // samples wanted
    std::vector<std::uint64_t> read;
    std::uint64_t lost;
    std::uint64_t nextAfter;
  };
  const Case cases[] = {
      {"nothing recorded", 0, 1, 10, {}, 0, 1},
      {"caught up", 3, 4, 10, {}, 0, 4},
      {"behind within the ring", 3, 1, 10, {1, 2, 3}, 0, 4},
      {"a few at a time", 3, 1, 2, {1, 2}, 0, 3},
      {"the ring just full", 4, 1, 10, {1, 2, 3, 4}, 0, 5},
      {"behind by more than the ring", 10, 1, 10, {7, 8, 9, 10}, 6, 11},
      {"behind by more, partly read before", 10, 5, 10, {7, 8, 9, 10}, 2, 11},
      {"the recording started again", 2, 9, 10, {1, 2}, 0, 3},
  };
  for (const Case& c : cases) {
    SampleRing ring(4);
    for (int i = 0; i < c.pushed; ++i) ring.Push(Marked(static_cast<std::uint64_t>(i) + 1));
    SampleRing::Cursor cursor{c.next, 0};
    std::vector<TickSample> out;
    EXPECT_EQ(ring.Read(cursor, out, c.max), c.read.size()) << c.what;
    EXPECT_EQ(Ticks(out), c.read) << c.what;
    EXPECT_EQ(cursor.lost, c.lost) << c.what;
    EXPECT_EQ(cursor.next, c.nextAfter) << c.what;
    for (const TickSample& s : out) EXPECT_TRUE(Whole(s)) << c.what << " tick " << s.tick;
  }
}

TEST(SampleRing, ARangeHoldsWhatIsLeftOfIt) {
  SampleRing ring(4);
  for (std::uint64_t tick = 1; tick <= 6; ++tick) EXPECT_EQ(ring.Push(Marked(100)), tick) << "numbered by the ring";
  std::vector<TickSample> out;
  EXPECT_EQ(ring.ReadRange(1, 4, out), 2u);  // ticks 1 and 2 were overwritten
  EXPECT_EQ(Ticks(out), (std::vector<std::uint64_t>{3, 4}));
  out.clear();
  EXPECT_EQ(ring.ReadRange(5, 99, out), 2u);
  EXPECT_EQ(Ticks(out), (std::vector<std::uint64_t>{5, 6}));
  ring.Restart();
  out.clear();
  EXPECT_EQ(ring.ReadRange(1, 6, out), 0u) << "nothing since the restart";
}

// The writer runs flat out into a small ring while the reader sometimes
// dawdles: whatever it reads is whole and in order, and what it read and
// what it was told it lost add up to every tick written.
TEST(SampleRing, AWriterOnAnotherThreadNeverTearsOrHidesASample) {
  constexpr std::uint64_t kTotal = 500000;
  SampleRing ring(64);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::uint64_t tick = 1; tick <= kTotal; ++tick) {
      TickSample s = Marked(tick);
      ring.Push(s);
      if (tick % 5000 == 0) std::this_thread::yield();
    }
    done = true;
  });
  SampleRing::Cursor cursor;
  std::vector<TickSample> out;
  std::uint64_t read = 0;
  std::uint64_t expectedNext = 1;
  std::uint64_t torn = 0;
  std::uint64_t unaccounted = 0;
  int rounds = 0;
  for (;;) {
    const bool finished = done.load();
    out.clear();
    const std::uint64_t lostBefore = cursor.lost;
    ring.Read(cursor, out);
    std::uint64_t skipped = 0;
    for (const TickSample& s : out) {
      if (!Whole(s)) ++torn;
      if (s.tick < expectedNext) ++unaccounted;  // a duplicate or out of order
      skipped += s.tick - std::min(s.tick, expectedNext);
      expectedNext = s.tick + 1;
    }
    // The ticks skipped between the samples read are exactly those counted
    // as lost (also those lost at the end of this read).
    skipped += (cursor.next - 1) - std::min(cursor.next - 1, expectedNext - 1);
    expectedNext = cursor.next;
    if (skipped != cursor.lost - lostBefore) ++unaccounted;
    read += out.size();
    if (finished && cursor.next > kTotal) break;
    if (++rounds % 3 == 0) std::this_thread::sleep_for(50us);  // falls behind now and then
  }
  writer.join();
  EXPECT_EQ(torn, 0u);
  EXPECT_EQ(unaccounted, 0u);
  EXPECT_EQ(read + cursor.lost, kTotal);
  EXPECT_GT(read, 0u);
}

class RecordingThreadsTest : public enginetest::EngineTest {};

// The real 5 ms timer runs a looping program while the operator thread
// reads the recording as the scope does, stops the run, edits the program
// when the run allows it, and starts again.
TEST_F(RecordingThreadsTest, TheTickRecordsEveryTickWhileTheProgramIsStoppedEditedAndStarted) {
  Machine().RealTime();
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 2, 3, 4}, {-300, 0, 0, 0}));
  Recording.Start();
  StartStatusTimer();
  ASSERT_NE(StatusTables.TimerId.load(), 0u);

  SampleRing::Cursor cursor;
  std::vector<TickSample> samples;
  std::uint64_t expected = 1;
  int gaps = 0;
  int rowsOutOfRange = 0;
  const auto end = std::chrono::steady_clock::now() + 1500ms;
  int round = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (round % 20 == 0) {
      StartRequest request;
      request.loopCount = 1000;
      StartButton(request);
    } else if (round % 20 == 13) {
      SStop();
      // The editor's rule: the program changes only while no tick reads it.
      if (!ProgramRunning()) {
        MotionProgram.push_back(Command(code::kConstPtoP1, {3, 2, 3, 4}, {10, 0, 0, 0}));
        MotionProgram.erase(MotionProgram.begin() + 2);
      }
    }
    samples.clear();
    Recording.Ring()->Read(cursor, samples);
    for (const TickSample& s : samples) {
      if (s.tick != expected) ++gaps;
      expected = s.tick + 1;
      if (s.row < 0 || s.row > 2 || (s.row > 0 && s.pass < 1)) ++rowsOutOfRange;
    }
    ++round;
    std::this_thread::sleep_for(10ms);
  }
  SStop();
  StopStatusTimer(StatusTables.TimerId.load());
  samples.clear();
  Recording.Ring()->Read(cursor, samples);
  if (!samples.empty()) expected = samples.back().tick + 1;

  EXPECT_EQ(gaps, 0);
  EXPECT_EQ(cursor.lost, 0u);
  EXPECT_EQ(rowsOutOfRange, 0);
  EXPECT_EQ(expected - 1, StatusTables.TickCount.load()) << "one sample a tick";
  EXPECT_GT(expected, 150u);
}

// A tick's sample holds the tables it read and the row and pass it works
// on; recording off, ticks record nothing.
TEST_F(RecordingThreadsTest, ASampleHoldsWhatTheTickReadAndTheRowItWorksOn) {
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {200, 0, 0, 0}));
  Ticks(3);
  Recording.Start();
  StartProgram(2);
  std::vector<TickSample> samples;
  SampleRing::Cursor cursor;
  while (RunControl.BusyProgram.load() && StatusTables.TickCount.load() < 100000) {
    Tick();
    Recording.Ring()->Read(cursor, samples);
    ASSERT_EQ(samples.back().command[0], StatusTables.CommandPosition[0].load());
    ASSERT_EQ(samples.back().encoder[0], StatusTables.EncoderCount[0].load());
  }
  ASSERT_FALSE(RunControl.BusyProgram.load());
  ASSERT_GT(samples.size(), 80u);
  EXPECT_EQ(samples.front().tick, 1u);
  EXPECT_EQ(samples.front().polled, 4);
  EXPECT_EQ(std::make_pair(samples.front().row, samples.front().pass), std::make_pair(1, 1));
  // The tick that completes pass 1 works on no row, then pass 2 begins.
  const auto completes = std::find_if(samples.begin(), samples.end(), [](const TickSample& s) { return s.row == 0; });
  ASSERT_NE(completes, samples.end());
  EXPECT_EQ(completes->pass, 1);
  EXPECT_EQ(std::make_pair((completes + 1)->row, (completes + 1)->pass), std::make_pair(1, 2));
  EXPECT_EQ(std::make_pair(samples.back().row, samples.back().pass), std::make_pair(0, 2)) << "the tick that ends it";

  Recording.Stop();
  const std::uint64_t newest = Recording.Ring()->Newest();
  Ticks(5);
  EXPECT_EQ(Recording.Ring()->Newest(), newest);
}

}  // namespace

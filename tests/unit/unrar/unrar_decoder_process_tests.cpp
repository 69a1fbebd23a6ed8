#include "support/captured_log.h"
#include "support/temp_dir.h"
#include "unrar/decoder_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include <signal.h>

namespace {

using tavox::test::TempDir;
using tavox::unrar::DecodeResult;
using tavox::unrar::DecoderProcess;
using tavox::unrar::protocol::Request;
using tavox::unrar::protocol::Stream;

constexpr std::chrono::milliseconds kLimit{300};

// Runs one decode against a stand-in worker and tells how it ended and how long it took.
struct Outcome {
    DecodeResult result = DecodeResult::Ok;
    std::chrono::milliseconds took{0};
    std::uint64_t received = 0;
};

Outcome DecodeWith(const std::string& worker, std::uint64_t unp_size = 100,
                   std::chrono::milliseconds limit = kLimit) {
    DecoderProcess process(worker, limit);
    Request request;
    request.unp_size = unp_size;
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    outcome.result = process.Decode(Stream{}, request, [&outcome](std::span<const std::uint8_t> block) {
        outcome.received += block.size();
        return true;
    });
    outcome.took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return outcome;
}

TEST(UnrarDecoderProcess, AWorkerThatNeverAnswersIsStoppedAtTheLimit) {
    TempDir dir;
    const auto pid_file = dir / "pid";
    tavox::test::WriteScript(dir / "worker",
                             "#!/bin/sh\necho $$ > '" + pid_file.string() + "'\nexec sleep 60\n");
    const Outcome outcome = DecodeWith((dir / "worker").string());
    EXPECT_EQ(outcome.result, DecodeResult::Stalled);
    EXPECT_LT(outcome.took, std::chrono::seconds(5));
    // Killed and reaped, not left running.
    const int pid = std::stoi(tavox::test::ReadFile(pid_file));
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(UnrarDecoderProcess, AWorkerRunningAwayWithEndlessDataIsStopped) {
    // Data frames of four bytes, forever: what libarchive does on some links.
    TempDir dir;
    tavox::test::WriteScript(dir / "worker",
                             "#!/bin/bash\nwhile :; do printf 'B\\x04\\x00\\x00\\x00abcd'; done\n");
    const Outcome outcome = DecodeWith((dir / "worker").string(), 1000);
    EXPECT_EQ(outcome.result, DecodeResult::Failed);
    EXPECT_LE(outcome.received, 1000u);
}

TEST(UnrarDecoderProcess, AWorkerThatDiesOrIsMissingIsAnErrorWhoseCauseIsLogged) {
    const tavox::test::CapturedLog log;
    TempDir dir;
    tavox::test::WriteScript(dir / "worker", "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(DecodeWith((dir / "worker").string()).result, DecodeResult::Crashed);
    EXPECT_EQ(DecodeWith((dir / "missing").string()).result, DecodeResult::NoWorker);
    EXPECT_TRUE(log.Has("error unrar: the worker ended with exit status 3\n")) << log.Text();
    EXPECT_TRUE(
        log.Has("error unrar: cannot start " + (dir / "missing").string() + ": No such file or directory\n"))
        << log.Text();
}

TEST(UnrarDecoderProcess, ProgressKeepsASlowWorkerAlive) {
    // Progress every quarter second for two seconds, twice the limit, then the end.
    TempDir dir;
    tavox::test::WriteScript(dir / "worker",
                             "#!/bin/bash\nfor i in 1 2 3 4 5 6 7 8; do sleep 0.25; "
                             "printf 'P\\x00\\x00\\x00\\x00'; done\nprintf 'E\\x01\\x00\\x00\\x00\\x00'\n"
                             "exec sleep 60\n");
    const Outcome outcome = DecodeWith((dir / "worker").string(), 100, std::chrono::seconds(1));
    EXPECT_EQ(outcome.result, DecodeResult::Ok);
}

} // namespace

// Main dialogue: the final pause on a real pipe.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "driver/main_dialogue.h"

namespace ugraph::testing {
namespace {

// A child process runs the dialogue on the read end of a pipe.
pid_t start_dialogue(int (&pipeEnds)[2]) {
    EXPECT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[0], STDIN_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(2);
        }
        run_dialogue();
        _exit(0);
    }
    close(pipeEnds[0]);
    return child;
}

TEST(MainDialogue, FinalPauseWaitsForItsCharacter) {
    int pipeEnds[2];
    const pid_t child = start_dialogue(pipeEnds);
    ASSERT_GT(child, 0);
    const std::string graph = "K\nG\n2\n2\n\n"; // a whole keyboard graph, no pause character
    ASSERT_EQ(write(pipeEnds[1], graph.data(), graph.size()), static_cast<ssize_t>(graph.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "the run ended before the pause";
    ASSERT_EQ(write(pipeEnds[1], "x", 1), 1);
    close(pipeEnds[1]);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace ugraph::testing

#pragma once
// A fixture for the end-to-end tests: the real program in a pseudo-terminal,
// in a fresh working folder, with the dialogue steps most tests take.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "support/e2e/terminal_session.h"

namespace spinchart::e2e {

class ProgramTest : public ::testing::Test {
protected:
    TempDirectory dir;
    std::unique_ptr<TerminalSession> app;

    // Starts the program; returns once the wheel menu is up.
    void start(const ChildOptions& options = {}) {
        app = std::make_unique<TerminalSession>(dir.path(), options);
        expectScreen(18, 16, "│  <S> Single-zero (0)");
    }
    // Waits for a text, failing with the screen shown.
    void expectScreen(int row, int column, std::string_view text) {
        ASSERT_TRUE(app->waitForText(row, column, text))
            << "row " << row << ", column " << column << ": " << text << "\n"
            << app->screenDump();
    }
    // The generate method: `count` at its prompt, then `name` at the name
    // prompt (empty answers take the defaults), once it offers `offered`
    // where one is given.
    void generate(const std::string& count, const std::string& name,
                  const std::string& offered = "") {
        app->send("g");
        expectScreen(16, 15, " (default: 1000) >> ");
        app->send(count + "\r");
        expectScreen(21, 15, " Name the OUTPUT file");
        if (!offered.empty()) expectScreen(22, 15, " (" + offered + ") ");
        app->send(name + "\r");
    }
    // The analyze method with `name` as the data file.
    void analyzeFile(const std::string& name) {
        app->send("a");
        expectScreen(18, 15, " Enter DATA file to process: ");
        app->send(name + "\r");
    }
    // Declines to run the wheel again (once `runAgainPrompt` is up, where one
    // is given) and leaves the program from the menu: it ends with status 0
    // and gives the terminal back as it was.
    void leave(std::string_view runAgainPrompt = {}) {
        if (!runAgainPrompt.empty()) expectScreen(11, 16, runAgainPrompt);
        app->send("n");
        expectScreen(18, 16, "│  <S> Single-zero (0)");
        app->send("x");
        EXPECT_EQ(app->waitForExit(), 0) << app->screenDump();
        EXPECT_TRUE(app->modesRestored());
        EXPECT_TRUE(app->cursorVisible());
    }
};

}  // namespace spinchart::e2e

#pragma once
// A test suite with one X server and one application object for all its
// tests: this process is a desktop program of its own there.
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XSession.h"

#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>

namespace tessarim::test {

class XApplicationTest : public ::testing::Test {
protected:
    static inline std::unique_ptr<XSession> x;
    static inline std::unique_ptr<QApplication> application;
    static inline std::string missing;

    // Starts the server and the application unless a program the suite needs
    // is missing; each test is then skipped.
    static void StartSession(std::initializer_list<const char*> programs) {
        missing = MissingProgram(programs);
        if (!missing.empty()) return;
        x = std::make_unique<XSession>();
        qputenv("DISPLAY", QByteArray::fromStdString(x->Display()));
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "xvfb_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
    static void TearDownTestSuite() {
        application.reset();
        x.reset();
    }
    void SetUp() override {
        if (!missing.empty()) GTEST_SKIP() << missing << " is not installed; the X11 tests need it";
    }

    // Waits for the condition while this process's events (its clipboard's
    // requests among them) are handled.
    template <class Condition>
    static bool Pump(Condition condition, int timeoutMs = 5000) {
        return WaitFor(
            [&] {
                QCoreApplication::processEvents();
                return condition();
            },
            timeoutMs);
    }
};

} // namespace tessarim::test

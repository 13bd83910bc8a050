// A test with an application and no form, on the manual clock. The application goes after each
// test, the thread's queue is emptied and the clock mode is put back. Only tests that link the
// class library include this header.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"

namespace testsupport {

class TAppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
    }
    void TearDown() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }

    std::unique_ptr<TApplication> App;

private:
    TClockMode FOldMode = TClockMode::Real;
};

} // namespace testsupport

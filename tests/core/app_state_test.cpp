#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "platform/clock.h"

namespace {

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_clock_source(&clock_);
        state_ = std::make_unique<app_state>();
    }
    void TearDown() override { set_clock_source(nullptr); }

    // One frame that took ms milliseconds.
    void frame(std::uint32_t ms) {
        clock_.advance(ms);
        state_->update_frame_timing();
    }

    manual_clock clock_{100000};
    std::unique_ptr<app_state> state_;
};

}  // namespace

TEST_F(AppStateTest, StepIsClampedToOneAndHundredMillisecondsAndSurvivesClockJumps) {
    frame(20);
    frame(5000);  // after a 5 s pause
    EXPECT_FLOAT_EQ(state_->raw_step, 0.1f);
    frame(0);
    EXPECT_FLOAT_EQ(state_->raw_step, 0.001f);
    EXPECT_EQ(state_->last_tick, clock_.ticks());
    // A clock running backwards gives the shortest step, never a huge or negative one.
    clock_.set(clock_.ticks() - 50000);
    state_->update_frame_timing();
    EXPECT_FLOAT_EQ(state_->raw_step, 0.001f);
    EXPECT_TRUE(std::isfinite(state_->smoothed_step));
    EXPECT_GE(state_->frame_rate, 0);
    // The 32-bit tick count wrapping: 20 ms across the wrap.
    clock_.set(0xFFFFFFF0u);
    state_->update_frame_timing();
    clock_.set(0x00000004u);
    state_->update_frame_timing();
    EXPECT_FLOAT_EQ(state_->raw_step, 0.02f);
}

TEST_F(AppStateTest, SmoothingConvergesOnASteadyStep) {
    for (int i = 0; i < 51; ++i) frame(10);
    EXPECT_NEAR(state_->smoothed_step, 0.01f, 1e-3f);
    EXPECT_FLOAT_EQ(state_->dt, state_->smoothed_step);
}

TEST_F(AppStateTest, RateScalesTheStepAndFrameRateFollowsAverage) {
    for (int i = 0; i < 200; ++i) frame(20);
    state_->sim_rate = 8.0f;
    frame(20);
    EXPECT_NEAR(state_->dt, 8.0f * state_->smoothed_step, 1e-6f);
    EXPECT_NEAR(state_->frame_rate, 50, 1);
}

TEST_F(AppStateTest, TimeOfDayWrapsAtMidnight) {
    state_->time_of_day = 23.99f;
    state_->smoothed_step = 0.1f;
    state_->sim_rate = 600.0f;  // about 60 simulated seconds this frame
    frame(100);
    EXPECT_NEAR(state_->time_of_day, 23.99f + 60.0f / 3600.0f - 24.0f, 1e-3f);
    EXPECT_GT(state_->time_of_day, 0.0f);
}

TEST_F(AppStateTest, HistoryKeepsNewest1024AndCountsAll) {
    for (int i = 0; i < 1025; ++i) state_->log_message(("line " + std::to_string(i)).c_str());
    EXPECT_EQ(state_->history_count, 1025);
    EXPECT_STREQ(state_->history_line(0), "line 1024");
    EXPECT_STREQ(state_->history_line(1023), "line 1");  // "line 0" is gone
    EXPECT_EQ(state_->longest_line, 9);
    state_->clear_messages();
    EXPECT_EQ(state_->history_count, 0);
    EXPECT_EQ(state_->longest_line, 0);
    EXPECT_STREQ(state_->history_line(0), "");
}

TEST_F(AppStateTest, MessageLineProtocol) {
    EXPECT_FALSE(state_->take_message());  // an empty line is not pushed
    EXPECT_EQ(state_->history_count, 0);
    state_->set_message("Missile %d launched", 1);
    state_->set_message("Rocket %d intercepted", 3);  // the second of one frame wins
    EXPECT_TRUE(state_->take_message());
    EXPECT_STREQ(state_->history_line(0), "Rocket 3 intercepted");
    EXPECT_EQ(state_->message[0], '\0');
    EXPECT_EQ(state_->history_count, 1);
}

TEST_F(AppStateTest, OverlongTextsAreCutTo127) {
    const std::string big(500, 'm');
    state_->set_message("%s", big.c_str());
    EXPECT_EQ(std::string(state_->message).size(), 127u);
    state_->log_message(big.c_str());
    EXPECT_EQ(std::string(state_->history_line(0)).size(), 127u);
    EXPECT_EQ(state_->longest_line, 127);
}

#include "translator/forms/forms_app.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace brelvox::translator::forms {
namespace {

// A behaviour that counts its load handler runs and its destruction.
class Probe final : public FormBehaviour {
 public:
  Probe(int& loads, int& destroyed) : loads_(loads), destroyed_(destroyed) {}
  ~Probe() override { ++destroyed_; }
  void Load() override { ++loads_; }

 private:
  int& loads_;
  int& destroyed_;
};

ControlSpec Spec(const char* name, ControlKind kind, bool visible, int value) {
  ControlSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.visible = visible;
  spec.value = value;
  return spec;
}

class FormsAppTest : public ::testing::Test {
 protected:
  FormsAppTest() {
    for (const char* name : {"A", "B"}) {
      WindowSpec spec;
      spec.name = name;
      spec.client_width = 1000;
      spec.client_height = 500;
      app.RegisterForm(spec, [this](Window& window) {
        window.AddTimer(TimerSpec{"T", "", 100, false});
        window.AddTimer(TimerSpec{"U", "", 100, false});
        window.AddControl(Spec("Box", ControlKind::kTextBox, true, 0));
        window.AddControl(Spec("Check", ControlKind::kCheckBox, true, 1));
        window.AddControl(Spec("Hidden", ControlKind::kTextBox, false, 0));
        return std::make_unique<Probe>(loads, destroyed);
      });
    }
  }

  // Ticks of timer `name` of window `window` append "window.name@time" to the log.
  void Log(Window& window, const char* name) {
    std::string label = window.name() + "." + name;
    window.timer(name).on_tick = [this, label] {
      log.push_back(label + "@" + std::to_string(clock.Now()));
    };
  }

  ManualClock clock;
  FormsApp app{clock, Screen{28800, 16200}};
  std::vector<std::string> log;
  int loads = 0;
  int destroyed = 0;
};

TEST_F(FormsAppTest, TimerTicksOncePerIntervalWhileEnabled) {
  Window& a = app.Load("A");
  Log(a, "T");
  a.timer("T").Enable();
  AdvanceTime(clock, app, 350);
  EXPECT_EQ(log, (std::vector<std::string>{"A.T@100", "A.T@200", "A.T@300"}));
  a.timer("T").Disable();
  AdvanceTime(clock, app, 1000);
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(FormsAppTest, EnablingAgainKeepsTheRunningIntervalButARestartIsAFullOne) {
  Window& a = app.Load("A");
  Log(a, "T");
  a.timer("T").Enable();
  AdvanceTime(clock, app, 60);
  a.timer("T").Enable();  // already enabled: still due at 100
  AdvanceTime(clock, app, 50);
  EXPECT_EQ(log, (std::vector<std::string>{"A.T@100"}));
  AdvanceTime(clock, app, 50);  // now 160
  a.timer("T").Disable();
  a.timer("T").Enable();  // a full new interval: due at 260, not 200
  AdvanceTime(clock, app, 100);
  EXPECT_EQ(log.back(), "A.T@260");
  a.timer("T").SetInterval(30);  // a new interval starts counting now
  AdvanceTime(clock, app, 30);
  EXPECT_EQ(log.back(), "A.T@290");
  a.timer("T").SetInterval(0);  // no ticks at all
  AdvanceTime(clock, app, 1000);
  EXPECT_EQ(log.back(), "A.T@290");
}

TEST_F(FormsAppTest, TimersDueTogetherTickInTheOrderTheyStarted) {
  Window& a = app.Load("A");
  Log(a, "T");
  Log(a, "U");
  a.timer("U").Enable();
  a.timer("T").Enable();
  AdvanceTime(clock, app, 100);
  EXPECT_EQ(log, (std::vector<std::string>{"A.U@100", "A.T@100"}));
}

TEST_F(FormsAppTest, UnloadingAWindowDropsItsPendingTicks) {
  Window& a = app.Load("A");
  Window& b = app.Load("B");
  Log(b, "T");
  a.timer("T").on_tick = [this] { app.Unload("B"); };
  a.timer("T").Enable();
  b.timer("T").Enable();  // due at the same moment, after A's tick
  AdvanceTime(clock, app, 500);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(app.Find("B"), nullptr);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(FormsAppTest, AWindowMayUnloadItselfInItsOwnTickAndTheProgramThenEnds) {
  Window& a = app.Load("A");
  a.timer("T").on_tick = [this] {
    app.Unload("A");
    EXPECT_EQ(destroyed, 0);  // still alive while its handler runs
  };
  a.timer("T").Enable();
  AdvanceTime(clock, app, 100);
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(app.running());
  EXPECT_TRUE(app.ended());
}

TEST_F(FormsAppTest, LoadingALoadedWindowReturnsItWithoutRunningItsLoadHandlerAgain) {
  Window& first = app.Load("A");
  first.timer("T").Enable();
  AdvanceTime(clock, app, 50);
  Window& again = app.Load("A");
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(*again.timer("T").due(), 100);
  app.Unload("A");
  Window& fresh = app.Load("A");
  EXPECT_EQ(loads, 2);
  EXPECT_NE(fresh.handle(), 0u);
  EXPECT_FALSE(fresh.timer("T").enabled());  // start state again
}

TEST_F(FormsAppTest, TextChangeRunsSynchronouslyOnlyOnChangeAndNotForItsOwnWrites) {
  Window& a = app.Load("A");
  Control& box = a.control("Box");
  int runs = 0;
  box.on_change = [&] {
    ++runs;
    box.SetText(box.text() + "!");  // the handler's own write
  };
  box.SetText("x");
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(box.text(), "x!");
  box.SetText("x!");  // the same text: no change
  EXPECT_EQ(runs, 1);
}

TEST_F(FormsAppTest, CheckBoxRunsItsClickHandlerOnEveryChangeOnly) {
  Window& a = app.Load("A");
  Control& check = a.control("Check");
  std::vector<int> seen;
  check.on_click = [&] { seen.push_back(check.value()); };
  check.SetValue(1);  // already 1
  check.SetValue(0);
  check.Click();  // the user ticks it
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
}

TEST_F(FormsAppTest, FocusNeedsAVisibleControlInAVisibleWindow) {
  Window& a = app.Load("A");
  EXPECT_FALSE(a.control("Box").SetFocus());  // window not shown yet
  a.Show();
  EXPECT_TRUE(a.control("Box").SetFocus());
  EXPECT_FALSE(a.control("Hidden").SetFocus());
  EXPECT_TRUE(a.control("Box").focused());
}

TEST_F(FormsAppTest, TicksNeverNestInsideAHandlerAndLateTicksDoNotPileUp) {
  Window& a = app.Load("A");
  Log(a, "U");
  a.timer("U").Enable();  // due at 100
  a.timer("T").SetInterval(50);
  a.timer("T").Enable();  // due at 50
  a.timer("T").on_tick = [&] {
    a.timer("T").Disable();
    clock.Set(550);  // a long handler: U falls due meanwhile
    app.RunDueTimers();
    EXPECT_TRUE(log.empty());
  };
  clock.Set(50);
  app.RunDueTimers();
  EXPECT_TRUE(log.empty());
  app.RunDueTimers();
  EXPECT_EQ(log, (std::vector<std::string>{"A.U@550"}));  // once, not five times
  EXPECT_EQ(*a.timer("U").due(), 650);
}

TEST_F(FormsAppTest, TheObserverHearsWhatADisplayMustFollow) {
  struct Recorder final : FormsObserver {
    void WindowLoaded(Window& w) override { events.push_back("loaded " + w.name()); }
    void WindowUnloaded(Window& w) override { events.push_back("unloaded " + w.name()); }
    void WindowChanged(Window& w) override { events.push_back("window " + w.name()); }
    void ControlChanged(Window&, Control& c) override { events.push_back("control " + c.name()); }
    void FocusGiven(Window&, Control& c) override { events.push_back("focus " + c.name()); }
    void ProgramEnded() override { events.push_back("ended"); }
    std::vector<std::string> events;
  } recorder;
  app.SetObserver(&recorder);
  Window& a = app.Load("A");
  a.Show();
  a.control("Box").SetText("t");
  a.control("Box").SetText("t");  // no change, nothing to hear
  a.control("Box").SetFocus();
  app.Unload("A");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"loaded A", "window A", "control Box",
                                                       "focus Box", "unloaded A", "ended"}));
}

TEST_F(FormsAppTest, AskingForAMissingControlIsAnError) {
  Window& a = app.Load("A");
  EXPECT_THROW(a.control("Nope"), std::out_of_range);
  EXPECT_THROW(a.timer("Box"), std::out_of_range);
}

}  // namespace
}  // namespace brelvox::translator::forms

// orvane-cli run on the serial step link, against a pseudo-terminal whose
// other side the test holds: the bytes that arrive are decoded and compared
// with the step file, and the line is closed or left unread mid-run.
#include "cli/cli_harness.h"
#include "support/pty.h"

namespace orvane {
namespace {

class OrvaneCliSerial : public OrvaneCli {
 protected:
  void SetUp() override {
    OrvaneCli::SetUp();
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 20;
    settings.PortType = 1;
    base = Generate(Serpentine(1), "line");
  }
  // Runs the cut on a fresh line.
  void Start(bool resume = false) {
    settings.Reprise = resume;
    Store(settings);
    line = std::make_unique<test::PtyEnd>();
    ASSERT_FALSE(line->Device().empty());
    run = std::make_unique<test::Child>(
        std::vector<std::string>{ORVANE_CLI, "run", base + ".ovi", "--link", "serial", "--device",
                                 line->Device()},
        output);
  }
  // Its exit status; the output is in `text`.
  int Wait() {
    const int status = run->Wait();
    text = test::ReadText(output);
    return status;
  }

  std::unique_ptr<test::PtyEnd> line;
  std::unique_ptr<test::Child> run;
  std::string base, text;
  const std::string output = work / "run.txt";
};

TEST_F(OrvaneCliSerial, SendsPatternThenZeroForEveryTickWithoutAQtWarning) {
  // Each tick is its pattern then a zero.
  std::vector<uint8_t> expected;
  for (char c : test::ReadText(base + ".ovd"))
    expected.push_back(uint8_t(c)), expected.push_back(0);
  ASSERT_GT(expected.size(), 100'000u);
  Start();
  line->Receive();
  EXPECT_EQ(Wait(), 0) << text;
  EXPECT_THAT(text, HasSubstr("Découpe terminée normalement"));
  EXPECT_THAT(text, Not(HasSubstr("QObject")));
  EXPECT_THAT(text, Not(HasSubstr("QSocketNotifier")));
  EXPECT_TRUE(line->received == expected) << "the bytes differ from the step file's";
}

// The line closed after 32,486 bytes was a finished cut; a device that takes
// nothing more is a lost link too, once the bound has passed.
TEST_F(OrvaneCliSerial, ALostLineEndsTheRunNamingTheDevice) {
  Start();
  line->Receive(32'486);
  line->Close();
  EXPECT_EQ(Wait(), 1) << text;
  // The system's reason for a closed line is in the user's language.
  EXPECT_THAT(text, HasSubstr("orvane-cli : Liaison série perdue sur " + line->Device()));
  EXPECT_THAT(text, HasSubstr(") : découpe arrêtée, positions inconnues."));
  EXPECT_THAT(text, HasSubstr("Positions : inconnues"));
  EXPECT_THAT(text, Not(HasSubstr("terminée normalement")));
}

// The device takes nothing: once the line holds a full buffer that no longer
// grows, the output thread waits in a write. Left so, the write's bound makes
// it a lost link; the space bar stops the run before that, and the end of the
// input at the stop's question abandons.
TEST_F(OrvaneCliSerial, ADeviceThatTakesNothingIsALostLinkUnlessTheUserStops) {
  const struct {
    const char* name;
    const char* keys;  // nullptr: none
    bool endInput;
    bool resume;
    const char* said;
  } cases[] = {
      {"left unread", nullptr, false, false,
       "Liaison série perdue sur %s (le périphérique ne prend plus rien) : découpe arrêtée, "
       "positions inconnues."},
      {"space", " ", false, false, "Découpe interrompue.\n"},
      {"space, then the end of input", " ", true, true, "Abandonner la découpe ? [o/n] o\n"},
  };
  for (const auto& c : cases) {
    Start(c.resume);
    int held = -1, same = 0;
    ASSERT_TRUE(run->WaitUntil([&] {
      const int now = line->Pending();
      same = now > 0 && now == held ? same + 1 : 0;
      held = now;
      return same >= 20;
    })) << c.name;
    if (c.keys) {
      EXPECT_TRUE(run->Type(c.keys)) << c.name;
    }
    if (c.endInput) run->EndInput();
    EXPECT_EQ(Wait(), 1) << c.name << "\n" << text;
    std::string said = c.said;
    if (const size_t at = said.find("%s"); at != std::string::npos)
      said.replace(at, 2, line->Device());
    EXPECT_THAT(text, HasSubstr(said)) << c.name;
    EXPECT_THAT(text, Not(HasSubstr("terminée normalement"))) << c.name;
    // No heating output on this link: nothing to claim switched off.
    EXPECT_THAT(text, Not(HasSubstr("chauffe coupée"))) << c.name;
    if (c.keys) {
      EXPECT_THAT(text, Not(HasSubstr("perdue"))) << c.name;
    }
  }
}

}  // namespace
}  // namespace orvane

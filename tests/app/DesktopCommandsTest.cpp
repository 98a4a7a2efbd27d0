#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

using DesktopCommandsTest = FormFixture;

TEST_F(DesktopCommandsTest, HelpShowsTheManualOrSaysItCouldNot) {
  startUp();  // no manual beside the program
  form.HelpFile1.click();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Could not run the help application");
  EXPECT_TRUE(host.openedDocuments.empty());

  writeAll(dir.file("quorvane.html"), {'<', 'p', '>'});
  TVOXForm withManual(host, audio);
  withManual.FormCreate();
  host.clearMessages();
  withManual.HelpFile1.click();
  EXPECT_EQ(host.openedDocuments, std::vector<std::string>{dir.file("quorvane.html")});
  EXPECT_TRUE(host.messages().empty());

  host.documentsOpen = false;  // no viewer for it
  withManual.HelpFile1.click();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Could not run the help application");
}

TEST_F(DesktopCommandsTest, AboutNamesTheProgramAndItsVersion) {
  form.About1.click();
  ASSERT_EQ(host.messages().size(), 1u);
  const auto& box = host.messages()[0];
  EXPECT_EQ(box.caption, "About Quorvane");
  const auto lineFeed = box.text.find('\n');
  ASSERT_NE(lineFeed, std::string::npos);
  EXPECT_GT(lineFeed, 0u);  // a credit line first
  EXPECT_EQ(box.text.substr(lineFeed + 1), std::string(19, ' ') + "Version 1.02");
}

TEST_F(DesktopCommandsTest, VolumeStartsTheFirstMixerFoundAndNoOther) {
  form.VolumeBtn.click();
  EXPECT_TRUE(host.startedPrograms.empty());
  EXPECT_TRUE(host.messages().empty());  // silently

  host.availablePrograms = {"kmix", "pwvucontrol"};
  form.VolumeBtn.click();
  EXPECT_EQ(host.startedPrograms, std::vector<std::string>{"pwvucontrol"});

  host.startedPrograms.clear();
  host.startedArguments.clear();
  host.availablePrograms = {"kmix", "gnome-control-center"};
  form.VolumeBtn.click();
  EXPECT_EQ(host.startedPrograms, std::vector<std::string>{"gnome-control-center"});
  EXPECT_EQ(host.startedArguments, std::vector<std::vector<std::string>>{{"sound"}});

  host.startedPrograms.clear();
  host.availablePrograms = {"kmix", "gnome-control-center", "pwvucontrol", "pavucontrol"};
  form.VolumeBtn.click();
  EXPECT_EQ(host.startedPrograms, std::vector<std::string>{"pavucontrol"});
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DesktopCommandsTest, ExitSavesThenClosesAsTheCloseBoxDoesCompletingTheOpenFile) {
  writeAll(dir.file("quorvane.cfg"), std::vector<std::uint8_t>(86, 0));
  startUp();
  const std::string path = dir.file("exit.wav");
  openOutput(path);
  appendBuffer(6000);
  form.MuteCheckBox.click();

  form.Exit1.click();
  const auto wav = readAll(path);
  EXPECT_EQ(u32At(wav, 4), 6036u);
  EXPECT_EQ(u32At(wav, 40), 6000u);
  EXPECT_EQ(form.OutputFileOpen, 0);
  EXPECT_EQ(form.StopRequested, 1);
  EXPECT_EQ(host.terminateRequests(), 1);
  EXPECT_EQ(readAll(dir.file("quorvane.cfg")).at(32), 1);  // Mute saved

  // With a window shell, Exit saves first and then closes the window, whose
  // close runs the same path.
  TVOXForm shelled(host, audio);
  shelled.FormCreate();
  shelled.FormShow();
  shelled.VoxCheckBox.click();
  int closes = 0;
  shelled.closeWindow = [&] {
    ++closes;
    EXPECT_EQ(u32At(readAll(dir.file("quorvane.cfg")), 9), 1u);
  };
  shelled.Exit1.click();
  EXPECT_EQ(closes, 1);
}

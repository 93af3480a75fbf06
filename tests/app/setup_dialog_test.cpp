#include <gtest/gtest.h>

#include "app/setup_dialog.h"

namespace {

TEST(AppSetupDialog, OkWithoutTouchingStartsTheDefaults) {
  DisplaySetup setup;
  SetupDialog dialog(setup);
  EXPECT_EQ(pendingSetup, &setup);
  EXPECT_TRUE(dialog.isChecked(1001));
  EXPECT_TRUE(dialog.isChecked(1103));
  EXPECT_TRUE(dialog.isChecked(1005));
  dialog.ok();
  EXPECT_EQ(pendingSetup, nullptr);
  EXPECT_TRUE(dialog.ended);
  EXPECT_EQ(setup.width, 640);
  EXPECT_EQ(setup.height, 480);
  EXPECT_EQ(setup.bits, 32);
  EXPECT_TRUE(setup.fullscreen);
}

TEST(AppSetupDialog, ChoicesReachTheRecordOnOk) {
  DisplaySetup setup;
  SetupDialog dialog(setup);
  dialog.click(1004);
  dialog.click(1101);
  dialog.click(1005);
  // One choice per group.
  EXPECT_FALSE(dialog.isChecked(1001));
  EXPECT_FALSE(dialog.isChecked(1103));
  dialog.ok();
  EXPECT_EQ(setup.width, 1280);
  EXPECT_EQ(setup.height, 1024);
  EXPECT_EQ(setup.bits, 16);
  EXPECT_FALSE(setup.fullscreen);
}

TEST(AppSetupDialog, TwentyFourBitsBelongsToTheBppGroupThoughItComesLast) {
  DisplaySetup setup;
  SetupDialog dialog(setup);
  dialog.click(1102);
  EXPECT_FALSE(dialog.isChecked(1103));
  EXPECT_TRUE(dialog.isChecked(1005));
  dialog.ok();
  EXPECT_EQ(setup.bits, 24);
}

TEST(AppSetupDialog, CloseBoxKeepsTheRecord) {
  DisplaySetup setup;
  SetupDialog dialog(setup);
  dialog.click(1003);
  dialog.click(1005);
  dialog.close();
  EXPECT_EQ(pendingSetup, nullptr);
  EXPECT_EQ(setup.width, 640);
  EXPECT_TRUE(setup.fullscreen);
}

TEST(AppSetupDialog, UnknownValuesSelectNothingAndKeepTheirFields) {
  DisplaySetup setup{1920, 1080, 8, false};
  SetupDialog dialog(setup);
  for (int id : {1001, 1002, 1003, 1004, 1101, 1102, 1103, 1005}) EXPECT_FALSE(dialog.isChecked(id));
  dialog.ok();
  EXPECT_EQ(setup.width, 1920);
  EXPECT_EQ(setup.height, 1080);
  EXPECT_EQ(setup.bits, 8);
}

}  // namespace

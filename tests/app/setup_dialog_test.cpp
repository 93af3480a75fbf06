#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "app/setup_dialog.h"

namespace {

// A record, the clicks on the dialog showing it, the controls then checked,
// and the record after OK or the close box.
TEST(AppSetupDialog, ClicksReachTheRecordOnlyOnOk) {
  const struct {
    DisplaySetup from;
    std::vector<int> clicks, checked;
    bool ok;
    DisplaySetup want;
  } cases[] = {
      {{}, {}, {1001, 1103, 1005}, true, {640, 480, 32, true}},
      {{}, {1004, 1101, 1005}, {1004, 1101}, true, {1280, 1024, 16, false}},
      // 24 bits comes last in the template but belongs to the bits' group
      {{}, {1102}, {1001, 1102, 1005}, true, {640, 480, 24, true}},
      {{}, {1003, 1005}, {1003, 1103}, false, {640, 480, 32, true}},
      // values the dialog does not offer: nothing checked, and kept
      {{1920, 1080, 8, false}, {}, {}, true, {1920, 1080, 8, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.clicks));
    DisplaySetup setup = c.from;
    SetupDialog dialog(setup);
    EXPECT_EQ(pendingSetup, &setup);
    for (int id : c.clicks) dialog.click(id);
    for (int id : {1001, 1002, 1003, 1004, 1101, 1102, 1103, 1005})
      EXPECT_EQ(dialog.isChecked(id), std::count(c.checked.begin(), c.checked.end(), id) == 1) << id;
    c.ok ? dialog.ok() : dialog.close();
    dialog.click(1002);
    dialog.ok();  // the dialog has ended: ignored
    EXPECT_EQ(pendingSetup, nullptr);
    EXPECT_TRUE(dialog.ended);
    const auto fields = [](const DisplaySetup& s) { return std::tuple(s.width, s.height, s.bits, s.fullscreen); };
    EXPECT_EQ(fields(setup), fields(c.want));
  }
}

}  // namespace

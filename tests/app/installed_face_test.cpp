// Installed faces as the platform lists them: fontconfig, or the Windows font list.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/installed_face.h"

namespace {

TEST(AppInstalledFace, FindsAListedFamilyAndItsStyleButNoOtherFamily) {
  FaceFile face;
  EXPECT_FALSE(installedFace("No Such Family Here", false, false, face));
  // DejaVu comes with fontconfig on Debian, and wine lists the host's faces.
  if (!installedFace("DejaVu Sans", false, false, face)) GTEST_SKIP() << "DejaVu Sans is not installed";
  EXPECT_TRUE(std::filesystem::is_regular_file(face.file) && !face.bold && !face.italic) << face.file;
  ASSERT_TRUE(installedFace("DejaVu Sans", true, false, face));
  EXPECT_TRUE(std::filesystem::is_regular_file(face.file) && face.bold && !face.italic) << face.file;
}

}  // namespace

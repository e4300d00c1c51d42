// An installed copy finds its data beside itself first (so a moved prefix still works), then
// where it was configured to be installed.
#include "platform/install_paths.h"

#include <gtest/gtest.h>

#include <set>

namespace korvel {
namespace {

const InstallLayout kLayout{"../share/korvel", "../lib/x86_64-linux-gnu/korvel",
                            "/usr/share/korvel", "/usr/lib/x86_64-linux-gnu/korvel"};

PathTest Existing(std::set<std::string> paths) {
  return [paths = std::move(paths)](const std::string& p) { return paths.count(p) > 0; };
}

TEST(InstallPaths, DataBesideTheExecutableWinsOverThePrefix) {
  EXPECT_EQ(
      FindDataDir("/opt/k/bin", kLayout, Existing({"/opt/k/share/korvel", "/usr/share/korvel"})),
      "/opt/k/share/korvel");
  EXPECT_EQ(FindDataDir("/opt/k/bin", kLayout, Existing({"/usr/share/korvel"})),
            "/usr/share/korvel");
  // Nothing found: the place beside the executable, so a message names where it was expected.
  EXPECT_EQ(FindDataDir("/opt/k/bin", kLayout, Existing({})), "/opt/k/share/korvel");
}

TEST(InstallPaths, ComponentIsLookedForBesideTheClientThenInTheLibraryFolders) {
  const std::string tail = "/plugin/tools/libpropdll.so";
  EXPECT_EQ(
      FindComponentDir("/b/bin", kLayout,
                       Existing({"/b/bin" + tail, "/usr/lib/x86_64-linux-gnu/korvel" + tail})),
      "/b/bin");
  EXPECT_EQ(
      FindComponentDir("/b/bin", kLayout, Existing({"/b/lib/x86_64-linux-gnu/korvel" + tail})),
      "/b/lib/x86_64-linux-gnu/korvel");
  EXPECT_EQ(
      FindComponentDir("/b/bin", kLayout, Existing({"/usr/lib/x86_64-linux-gnu/korvel" + tail})),
      "/usr/lib/x86_64-linux-gnu/korvel");
  EXPECT_EQ(FindComponentDir("/b/bin", kLayout, Existing({})), "/b/bin");
}

TEST(InstallPaths, ThisBuildsLayoutReachesTheShareFolderFromBin) {
  const InstallLayout& layout = ThisInstallLayout();
  EXPECT_EQ(layout.binToData.substr(0, 3), "../");
  EXPECT_TRUE(layout.binToData.ends_with("/korvel"));
  EXPECT_EQ(layout.prefixedData.front(), '/');
  EXPECT_EQ(FirstFound({}, Existing({})), "");
}

}  // namespace
}  // namespace korvel

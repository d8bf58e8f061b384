// Windows version classification over every row and edge.
#include <gtest/gtest.h>

#include "modules/modShutdown.h"
#include "tests/doubles/recording_system.h"

namespace {

struct Row {
  std::uint32_t platform, major, minor, build;
  std::int32_t lPlatformId, lVersionType;
  const char* sVersion;
  const char* name;
};

TEST(VersionClassification, EveryPlatformAndVersion) {
  const Row rows[] = {
      {2, 5, 1, 2600, 2, 6, "5.1", "Windows XP"},
      {2, 5, 0, 2195, 2, 5, "5.0", "Windows 2000"},
      {2, 4, 0, 1381, 2, 4, "4.0", "Windows NT"},
      {2, 3, 51, 1057, 2, 4, "3.51", "Windows NT"},
      {2, 5, 2, 3790, 2, 0, "5.2", "Windows 32"},
      {2, 6, 0, 6002, 2, 0, "6.0", "Windows 32"},
      {2, 6, 1, 7601, 2, 0, "6.1", "Windows 32"},
      {2, 6, 2, 9200, 2, 0, "6.2", "Windows 32"},
      {2, 10, 0, 19045, 2, 0, "10.0", "Windows 32"},
      {1, 4, 0, 950, 1, 1, "4.0", "Windows 95"},
      {1, 4, 10, 1998, 1, 2, "4.10", "Windows 98"},
      {1, 4, 90, 3000, 1, 3, "4.90", "Windows ME"},
      {1, 7, 10, 0, 1, 2, "7.10", "Windows 98"},  // the major version is not consulted
      {1, 4, 3, 0, 1, 0, "4.3", "Windows 32"},
      {0, 3, 11, 0, 0, 0, "3.11", "Windows 32"},
      {3, 5, 1, 0, 0, 0, "5.1", "Windows 32"},    // an unknown platform id is not kept
  };
  for (const Row& r : rows) {
    doubles::RecordingSystem sys;
    sys.SetVersion(r.platform, r.major, r.minor, r.build);
    const auto os = modShutdown::GetVersionInfo(sys.api);
    SCOPED_TRACE(::testing::Message() << "platform " << r.platform << " version " << r.sVersion);
    EXPECT_EQ(os.lPlatformId, r.lPlatformId);
    EXPECT_EQ(os.lVersionType, r.lVersionType);
    EXPECT_EQ(os.lBuildNumber, static_cast<std::int32_t>(r.build));
    EXPECT_EQ(os.sVersion, r.sVersion);
    EXPECT_EQ(modShutdown::GetVersionName(sys.api), r.name);
  }
}

TEST(VersionClassification, AsksAfreshWithA148ByteRequestEveryCall) {
  doubles::RecordingSystem sys;
  modShutdown::GetVersionName(sys.api);
  modShutdown::GetVersionName(sys.api);
  const auto calls = sys.CallsTo("GetVersionExA");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[0], 148);
}

TEST(VersionClassification, KeepsAll32BitsOfThePlatform1BuildNumber) {
  doubles::RecordingSystem sys;
  // Windows 9x packs the version into the high word of the build number.
  sys.SetVersion(1, 4, 10, 0x040A0AE2);
  EXPECT_EQ(modShutdown::GetVersionInfo(sys.api).lBuildNumber, 0x040A0AE2);
  sys.SetVersion(1, 4, 90, 0xC0000BB8);
  EXPECT_EQ(modShutdown::GetVersionInfo(sys.api).lBuildNumber, static_cast<std::int32_t>(0xC0000BB8));
}

TEST(VersionClassification, ACallThatFillsNothingInGivesWindows32) {
  doubles::RecordingSystem sys;
  sys.api.versionFillsNothing = true;
  const auto os = modShutdown::GetVersionInfo(sys.api);
  EXPECT_EQ(os.lPlatformId, 0);
  EXPECT_EQ(os.lVersionType, 0);
  EXPECT_EQ(os.lBuildNumber, 0);
  EXPECT_EQ(os.sVersion, "0.0");
  EXPECT_EQ(modShutdown::GetVersionName(sys.api), "Windows 32");
}

TEST(VersionClassification, NamesOutsideTheTableAreEmpty) {
  EXPECT_EQ(modShutdown::VersionTypeName(7), "");
  EXPECT_EQ(modShutdown::VersionTypeName(-1), "");
}

}  // namespace

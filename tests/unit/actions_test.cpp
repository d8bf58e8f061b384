// The system-action wrappers: flags, privilege order and the version guards.
#include <gtest/gtest.h>

#include "modules/modShutdown.h"
#include "tests/doubles/recording_system.h"

namespace {

using Routines = std::vector<std::string>;
const Routines kNoise = {"GetVersionExA"};
const Routines kPrivilege = {"GetCurrentProcess", "OpenProcessToken", "LookupPrivilegeValueA",
                             "AdjustTokenPrivileges", "CloseHandle"};

Routines WithPrivilegeAround(const std::string& routine) {
  Routines r = kPrivilege;
  r.push_back(routine);
  r.insert(r.end(), kPrivilege.begin(), kPrivilege.end());
  return r;
}

TEST(DoExitWindows, AddsTheForceFlag) {
  struct Case {
    std::uint32_t flags;
    bool force;
    long long passed;
  };
  // Windows XP: unforced, hung programs (0x10) do not hold it.
  for (const Case& c : {Case{8, true, 12}, Case{2, true, 6}, Case{0, true, 4}, Case{8, false, 0x18},
                        Case{2, false, 0x12}, Case{0, false, 0x10}, Case{12, true, 12}, Case{4, false, 4}}) {
    doubles::RecordingSystem sys;
    modShutdown::DoExitWindows(sys.api, c.flags, c.force);
    const auto calls = sys.CallsTo("ExitWindowsEx");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<long long>{c.passed, 0x80000000})) << c.flags << " force " << c.force;
  }
}

// ExitWindowsEx and SetSuspendState alike: on NT the privilege is enabled
// before the call and disabled after it, also after a failure, whose error
// is read at once, before the privilege step.
TEST(Actions, OnNtThePrivilegeSurroundsTheCallAndAFailureIsReadBeforeIt) {
  struct Case {
    const char* routine;
    bool (*act)(platform::WinApi&, std::uint32_t*);
  };
  const Case cases[] = {
      {"ExitWindowsEx", [](platform::WinApi& a, std::uint32_t* e) {
         return modShutdown::DoExitWindows(a, 0, false, e);
       }},
      {"SetSuspendState", [](platform::WinApi& a, std::uint32_t* e) {
         return modShutdown::DoSuspend(a, 1, false, false, e);
       }},
  };
  for (const Case& c : cases) {
    for (std::int32_t result : {1, 0}) {
      SCOPED_TRACE(::testing::Message() << c.routine << " returns " << result);
      doubles::RecordingSystem sys;
      sys.SetVersion(2, 6, 1);  // classified "Windows 32", yet NT
      sys.api.exitResult = sys.api.suspendResult = result;
      sys.api.lastError = 1314;
      std::uint32_t error = 0;
      EXPECT_EQ(c.act(sys.api, &error), result != 0);
      Routines expected = WithPrivilegeAround(c.routine);
      if (result == 0) expected.insert(expected.begin() + kPrivilege.size() + 1, "GetLastError");
      EXPECT_EQ(sys.Routines(kNoise), expected);
      EXPECT_EQ(error, result != 0 ? 0u : 1314u);
      ASSERT_EQ(sys.api.adjustments.size(), 2u);
      EXPECT_EQ(sys.api.adjustments[0].attributes, 2u);
      EXPECT_EQ(sys.api.adjustments[1].attributes, 0u);
      for (const auto& tp : sys.api.adjustments) {
        EXPECT_EQ(tp.privilegeCount, 1u);
        EXPECT_EQ(tp.luid.lowPart, 0x13u);
      }
    }
  }
}

TEST(DoExitWindows, AFailedTokenOpeningClosesNothingAndTheCallStillComes) {
  doubles::RecordingSystem sys;
  sys.SetVersion(2, 5, 1);
  sys.api.openTokenResult = 0;
  EXPECT_TRUE(modShutdown::DoExitWindows(sys.api, 8, false));
  EXPECT_TRUE(sys.CallsTo("CloseHandle").empty());
  EXPECT_EQ(sys.CallsTo("ExitWindowsEx").size(), 1u);
}

TEST(DoExitWindows, PrivilegeCallsCarryTheirArguments) {
  doubles::RecordingSystem sys;
  modShutdown::DoExitWindows(sys.api, 8, true);
  const auto open = sys.CallsTo("OpenProcessToken");
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0].args[1], 40);
  EXPECT_EQ(sys.CallsTo("LookupPrivilegeValueA")[0].text, "|SeShutdownPrivilege");
  const auto adjust = sys.CallsTo("AdjustTokenPrivileges");
  // token, do not disable all, 16 bytes, a previous-state record, a length
  EXPECT_EQ(adjust[0].args, (std::vector<long long>{0x7E, 0, 16, 1, 1}));
  EXPECT_EQ(sys.CallsTo("CloseHandle")[0].args[0], 0x7E);
}

TEST(DoExitWindows, NoTokenRoutineOffTheNtPlatform) {
  for (std::uint32_t platformId : {0u, 1u, 3u}) {
    doubles::RecordingSystem sys;
    sys.SetVersion(platformId, 4, 10);
    EXPECT_TRUE(modShutdown::DoExitWindows(sys.api, 2, true));
    EXPECT_EQ(sys.Routines(kNoise), Routines{"ExitWindowsEx"}) << "platform " << platformId;
  }
}

struct Guard {
  std::uint32_t platform, major, minor;
  bool suspends, locks;
};

TEST(Guards, SuspendAndLockPerVersion) {
  const Guard guards[] = {
      {0, 3, 11, false, false},  // Win32s
      {1, 4, 0, false, false},   // 95
      {1, 4, 10, true, false},   // 98
      {1, 4, 90, true, false},   // ME
      {1, 4, 3, false, false},   // unknown 9x
      {2, 4, 0, false, false},   // NT 4
      {2, 5, 0, true, true},     // 2000
      {2, 5, 1, true, true},     // XP
      // NT after XP is "Windows 32" but sleeps all the same; no lock.
      {2, 5, 2, true, false},
      {2, 6, 1, true, false},
      {2, 10, 0, true, false},
      {3, 10, 0, false, false},  // unknown platform
  };
  for (const Guard& g : guards) {
    SCOPED_TRACE(::testing::Message() << g.platform << " " << g.major << "." << g.minor);
    doubles::RecordingSystem sys;
    sys.SetVersion(g.platform, g.major, g.minor);
    EXPECT_EQ(modShutdown::DoSuspend(sys.api, 1, true, false), g.suspends);
    EXPECT_EQ(modShutdown::DoLockWorkstation(sys.api), g.locks);
    EXPECT_EQ(sys.CallsTo("SetSuspendState").size(), g.suspends ? 1u : 0u);
    EXPECT_EQ(sys.CallsTo("LockWorkStation").size(), g.locks ? 1u : 0u);
    // The privilege step serves a suspend on NT only.
    EXPECT_EQ(sys.CallsTo("OpenProcessToken").size(), g.suspends && g.platform == 2 ? 2u : 0u);
    // Arming asks the same guards, and asks the machine only where they pass.
    const bool lockAllowed = modShutdown::LockAllowed(modShutdown::GetVersionInfo(sys.api));
    EXPECT_EQ(lockAllowed, g.locks);
    sys.log.clear();
    EXPECT_EQ(modShutdown::SuspendRefusal(sys.api, 0) == modShutdown::Refusal::Version, !g.suspends);
    EXPECT_EQ(sys.CallsTo("GetPwrCapabilities").size(), g.suspends ? 1u : 0u);
    for (bool suspend : {true, false}) {
      if (suspend ? g.suspends : g.locks) continue;
      std::uint32_t error = 0;
      EXPECT_FALSE(suspend ? modShutdown::DoSuspend(sys.api, 0, false, false, &error)
                           : modShutdown::DoLockWorkstation(sys.api, &error));
      EXPECT_EQ(error, 50u) << "a refusal is told as not supported";
    }
  }
}

// Every combination of the sleep states S1 to S4, the hibernation file and
// Modern Standby, on NT and on 98: suspend needs one of S1 to S3, hibernate
// S4 and its file; Modern Standby only changes the reason.
TEST(SuspendRefusal, EveryCombinationOfTheSleepStates) {
  using modShutdown::Refusal;
  const std::uint32_t versions[][3] = {{2, 5, 1}, {2, 10, 0}, {1, 4, 10}};
  for (const auto& v : versions) {
    for (unsigned mask = 0; mask < 64; ++mask) {
      SCOPED_TRACE(::testing::Message() << "version " << v[1] << "." << v[2] << " mask " << mask);
      doubles::RecordingSystem sys;
      sys.SetVersion(v[0], v[1], v[2]);
      sys.api.SetPowerCaps(mask);
      const bool s1to3 = (mask & 7) != 0, s4 = (mask & 8) != 0, file = (mask & 16) != 0,
                 aoac = (mask & 32) != 0;
      const Refusal suspend = s1to3 ? Refusal::None : aoac ? Refusal::NoSleepModernStandby : Refusal::NoSleep;
      EXPECT_EQ(modShutdown::SuspendRefusal(sys.api, 0), suspend);
      EXPECT_EQ(modShutdown::SuspendRefusal(sys.api, 1),
                s4 && file ? Refusal::None : Refusal::NoHibernation);
    }
  }
}

TEST(SuspendRefusal, NothingIsRefusedWhereTheStatesCannotBeRead) {
  doubles::RecordingSystem sys;
  sys.api.SetPowerCaps(0);
  sys.api.powerCapsMissing = true;
  EXPECT_EQ(modShutdown::SuspendRefusal(sys.api, 0), modShutdown::Refusal::None);
  EXPECT_EQ(modShutdown::SuspendRefusal(sys.api, 1), modShutdown::Refusal::None);
}

TEST(DoSuspend, PassesItsArgumentsAsLongsAndReportsTheResult) {
  doubles::RecordingSystem sys;
  EXPECT_TRUE(modShutdown::DoSuspend(sys.api, 0, true, false));
  EXPECT_EQ(sys.CallsTo("SetSuspendState")[0].args, (std::vector<long long>{0, -1, 0}));
  sys.api.suspendResult = 0;
  EXPECT_FALSE(modShutdown::DoSuspend(sys.api, 1, false, true));
  EXPECT_EQ(sys.CallsTo("SetSuspendState")[1].args, (std::vector<long long>{1, 0, -1}));
}

TEST(DoLockWorkstation, ReportsAFailedLock) {
  doubles::RecordingSystem sys;
  sys.api.lockResult = 0;
  EXPECT_FALSE(modShutdown::DoLockWorkstation(sys.api));
  EXPECT_EQ(sys.CallsTo("LockWorkStation").size(), 1u);
}

}  // namespace

// The network object base: logging switches and trace lines, error texts,
// the library's lock, time conversions and folder creation.
#include <gtest/gtest.h>

#include <filesystem>

#include "netlib/net_connection.h"
#include "platform/base/command_line.h"
#include "platform/base/debug_sink.h"
#include "platform/base/paths.h"
#include "platform/net/errors.h"

namespace netlib {
namespace {

class NetBaseLogging : public ::testing::Test {
 protected:
  void TearDown() override {
    rt::setCommandLine({});
    resetNetLoggingForTests();
  }
  // Lines written while an object is made on the given command line and logs
  // one line of each type.
  std::vector<std::string> run(std::vector<std::string> commandLine) {
    resetNetLoggingForTests();
    rt::setCommandLine(std::move(commandLine));
    rt::DebugCapture capture;
    NetConnection object;
    object.Log("Test.Info", "info line", log_type::kInformation);
    object.Log("Test.Error", "error line", log_type::kError);
    object.Log("Test.Always", "always line", log_type::kAlways);
    return capture.lines();
  }
};

TEST_F(NetBaseLogging, SwitchesChooseTheLinesWritten) {
  const std::string prefix = "[tb][1] [rednet][thread=1] ";
  EXPECT_EQ(run({"Varneta", "/netnolog", "/netall"}),
            std::vector<std::string>{prefix + "Test.Always - always line"});

  // Errors only: the banner and error lines; the version lines are not errors.
  EXPECT_EQ(run({"varneta", "/NETERRORS"}),
            (std::vector<std::string>{
                prefix + " - ======== Object Logging : Errors only (/rednetlogerrors) ========",
                prefix + "Test.Error - error line", prefix + "Test.Always - always line"}));

  std::vector<std::string> all = run({"VARNETA", "/rednetlog"});
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all[3], prefix + "_NetBase._LoggingSetup - Initialisation");
  EXPECT_EQ(all[4], prefix + "Test.Info - info line");

  EXPECT_EQ(all[0], prefix + " - Using Rednet (Object) version 11.05 in application varneta");
  EXPECT_EQ(all[1], prefix +
                        " - Rednet (Object) Information: Net:MaxBinData = 16384 "
                        "Size(Net:PacketType) = 17001 Size(Net:PublicServicesQType) = 596 "
                        "Size(Net:ServiceType) = 348 Size(Net:RemoteType) = 148");

  EXPECT_EQ(run({"varneta"}).size(), 1u);  // the always line
}

TEST_F(NetBaseLogging, ObjectsCopyTheDefaultsReadOnce) {
  resetNetLoggingForTests();
  rt::setCommandLine({"varneta", "/netall"});
  NetConnection first;
  rt::setCommandLine({"varneta"});
  NetConnection second;
  EXPECT_EQ(first.LOGGINGON, 1);
  EXPECT_EQ(second.LOGGINGON, 1);
  EXPECT_EQ(second.LOGGINGERRORSONLY, 0);
}

TEST(NetBase, InterpretError) {
  NetConnection object;
  struct Case {
    std::int32_t error;
    std::string text;
  };
  const Case cases[] = {
      {0, "General Object level error"},
      {-5, "Main start sequence faile"},
      {-71, "The SSL Remote Certificate Common Name did not match the Server Name"},
      {-90, "Rednet Object and DLL versions do not match"},
      {-91, "Rednet WinSock Error (10054)"},
      {-92, "Rednet SSL Error (134)"},
      {10061, rt::net::NetErrorStr(10061) + " [listed by NetErrorStr]"},
      {-80, rt::net::NetErrorStr(-80) + " [listed by NetErrorStr]"},
  };
  object.WINSOCKERROR = 10054;
  object.SSLERROR = 134;
  for (const Case& c : cases) {
    object.ERROR = c.error;
    EXPECT_EQ(object.InterpretError(), c.text) << c.error;
  }
}

TEST(NetBase, LockIsTheLibrarysAndReentrant) {
  NetConnection a;
  NetConnection b;
  a.Wait();
  b.Wait();
  EXPECT_EQ(a.NETCRITICAL_, b.NETCRITICAL_);
  ASSERT_NE(a.NETCRITICAL_, nullptr);
  b.Release();
  a.Release();
  EXPECT_TRUE(a.NETCRITICAL_->try_lock());
  a.NETCRITICAL_->unlock();

  rt::DebugCapture capture;
  NetConnection unlocked;
  unlocked.LOGGINGON = 1;
  unlocked.Release();
  EXPECT_NE(
      capture.lines().back().find("Error. Calling _NetBase._Release() before calling Wait()."),
      std::string::npos);
}

TEST(NetBase, TimeConversions) {
  NetConnection o;
  EXPECT_EQ(o.UnixToDate_(86399), 0);
  EXPECT_EQ(o.UnixToDate_(86400), 61731);
  EXPECT_EQ(o.UnixToTime_(0), 1);
  EXPECT_EQ(o.UnixToTime_(-5), 0);
  EXPECT_EQ(o.UnixToTime_(86400 + 3600), 360001);
  EXPECT_EQ(o.ToUnixTime_(61730, 100), 0);
  EXPECT_EQ(o.ToUnixTime_(61731, 360001), 86400 + 3600);
  EXPECT_EQ(o.ToUnixTime_(61000, 250), 2);  // days before 1970 add nothing
  const std::int32_t now = o.ToUnixTime_(61730 + 20000, 1);
  EXPECT_EQ(o.UnixToDate_(now), 61730 + 20000);
  // Milliseconds since 1970 from the system's UTC clock, in double precision.
  const double since = o.MillisecondsSince_(kUnixEpochDay);
  const double system = static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
  EXPECT_LE(since, system);
  EXPECT_GT(since, system - 60000.0);
  EXPECT_NEAR(o.MillisecondsSince_(kUnixEpochDay + 1), since - 86400000.0, 60000.0);
}

TEST(NetBase, CreateDirectoryMakesParentsFirst) {
  NetConnection o;
  std::filesystem::remove_all(rt::resolvePath("uno"));
  std::filesystem::remove_all(rt::resolvePath("cuatro"));
  EXPECT_EQ(o.CreateDirectory_("C:\\"), 0);
  EXPECT_EQ(o.CreateDirectory_(""), 0);
  EXPECT_EQ(o.CreateDirectory_("\\\\server"), 0);
  EXPECT_EQ(o.CreateDirectory_("C:\\uno\\dos\\tres"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(rt::resolvePath("uno\\dos\\tres")));
  EXPECT_EQ(o.CreateDirectory_("C:\\uno\\dos\\tres"), -1);  // exists already
  EXPECT_EQ(o.CreateDirectory_("cuatro/cinco"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(rt::resolvePath("cuatro\\cinco")));
}

}  // namespace
}  // namespace netlib

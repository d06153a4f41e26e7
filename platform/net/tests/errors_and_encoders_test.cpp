// Error numbers and texts, and the library's small encoders.
#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/base/debug_sink.h"
#include "platform/net/socket_library.h"

namespace rt::net {
namespace {

TEST(NetErrors, SocketErrorsTakeTheWinSockNumbers) {
  struct Case {
    int errnoValue;
    std::int32_t winsock;
  };
  for (Case c : {Case{ECONNREFUSED, 10061}, Case{ETIMEDOUT, 10060}, Case{ECONNRESET, 10054},
                 Case{ECONNABORTED, 10053}, Case{EHOSTUNREACH, 10065}, Case{ENETUNREACH, 10051},
                 Case{EADDRINUSE, 10048}, Case{EPIPE, 10058}, Case{EMFILE, 10024},
                 Case{ENOTCONN, 10057}, Case{EIO, 10107}}) {
    EXPECT_EQ(winsockErrorFromErrno(c.errnoValue), c.winsock) << c.errnoValue;
  }
  EXPECT_EQ(winsockErrorFromResolver(EAI_NONAME), 11001);
  EXPECT_EQ(winsockErrorFromResolver(EAI_AGAIN), 11002);
  EXPECT_EQ(winsockErrorFromResolver(EAI_FAIL), 11003);
}

TEST(NetErrors, EveryNumberHasAText) {
  EXPECT_EQ(NetErrorStr(-5), "Main start sequence faile");
  EXPECT_EQ(NetErrorStr(-13), "No request");
  EXPECT_EQ(NetErrorStr(-69), "The SSL Remote Certificate Failed Verification");
  EXPECT_EQ(NetErrorStr(10061), "Connection refused");
  EXPECT_EQ(NetErrorStr(10060), "Connection timed out");
  EXPECT_EQ(NetErrorStr(11001), "Host not found");
  EXPECT_EQ(NetErrorStr(-80), "Unknown error -80");
}

TEST(NetEncoders, Base64OfDataOfEveryRemainder) {
  EXPECT_EQ(NetBase64Encode(""), "");
  EXPECT_EQ(NetBase64Encode("M"), "TQ==");
  EXPECT_EQ(NetBase64Encode("Ma"), "TWE=");
  EXPECT_EQ(NetBase64Encode("Man"), "TWFu");
  EXPECT_EQ(NetBase64Encode(std::string_view("\0\xFF\xFE", 3)), "AP/+");
  // Long input is not broken into lines.
  EXPECT_EQ(NetBase64Encode(std::string(100, 'a')).find('\n'), std::string::npos);
}

TEST(NetEncoders, TimeZoneIsSignHoursAndMinutes) {
  EXPECT_EQ(NetGetTimeZone(), "+0000");  // tests run in UTC
  struct Zone {
    const char* tz;
    const char* expected;
  };
  for (Zone zone : {Zone{"<-0330>3:30", "-0330"}, Zone{"<+0545>-5:45", "+0545"}}) {
    setenv("TZ", zone.tz, 1);
    tzset();
    EXPECT_EQ(NetGetTimeZone(), zone.expected) << zone.tz;
  }
  setenv("TZ", "UTC", 1);
  tzset();
}

TEST(NetEncoders, TraceGoesToTheDebugOutput) {
  DebugCapture capture;
  NetDebugTrace("[Rednet Template] Closing Down");
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0], "[Rednet Template] Closing Down");
}

TEST(NetRecords, IntegersAreLittleEndianBytesWithoutPadding) {
  PacketRecord packet;
  packet.BINDATALEN = 0x01020304;
  packet.NETERROR = -2;
  packet.UDPTOPORT = 0xABCD;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&packet);
  EXPECT_EQ(bytes[16514], 0x04);
  EXPECT_EQ(bytes[16517], 0x01);
  EXPECT_EQ(bytes[16526], 0xCD);
  EXPECT_EQ(bytes[16527], 0xAB);
  EXPECT_EQ(bytes[16530], 0xFE);
  EXPECT_EQ(bytes[16533], 0xFF);
  EXPECT_EQ(packet.NETERROR, -2);
  EXPECT_EQ(packet.UDPTOPORT, 0xABCD);
  EXPECT_EQ(packet.BINDATALEN + 1, 0x01020305);
}

TEST(NetRecords, TextFieldsAreClippedAndCut) {
  ConnectionRecord record;
  std::fill_n(record.SERVER, sizeof record.SERVER, 'x');
  setFieldText(record.SERVER, std::string(100, 'h'));
  EXPECT_EQ(fieldText(record.SERVER), std::string(79, 'h'));
  setFieldText(record.SERVER, "mail.example.test");
  EXPECT_EQ(record.SERVER[79], '\0');
  EXPECT_EQ(fieldText(record.SERVER), "mail.example.test");
  char padded[8] = {'a', 'b', ' ', ' ', ' ', ' ', ' ', ' '};
  EXPECT_EQ(fieldText(padded), "ab");
}

TEST(NetRecords, OptionsHandlesNameTheRecordUntilReleased) {
  CertificateOptionsRecord first;
  CertificateOptionsRecord second;
  std::int32_t a = certificateOptionsHandle(first);
  std::int32_t b = certificateOptionsHandle(second);
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(certificateOptionsHandle(first), a);
  EXPECT_EQ(certificateOptionsFromHandle(a), &first);
  releaseCertificateOptionsHandle(a);
  EXPECT_EQ(certificateOptionsFromHandle(a), nullptr);
  EXPECT_EQ(certificateOptionsFromHandle(0), nullptr);
  releaseCertificateOptionsHandle(b);
}

}  // namespace
}  // namespace rt::net

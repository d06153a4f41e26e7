// The program's delivery of the library's events: installed at registration,
// removed at the program's end before the library stops.
#include <gtest/gtest.h>

#include "netlib/register_procedures.h"
#include "platform/base/cross_thread_posts.h"
#include "platform/base/logical_threads.h"
#include "platform/base/procedures.h"
#include "platform/net/fake_socket_library.h"

namespace netlib {
namespace {

TEST(NetEventDelivery, EventsReachTheOwnerUntilTheProgramEnds) {
  rt::net::FakeSocketLibrary fake;
  rt::net::ScopedSocketLibrary scope{fake};
  rt::noteWindowOpened();
  registerProcedures();
  rt::net::ConnectionRecord owner;
  owner.NOTIFYTHREAD = rt::kMainThread;
  owner.NOTIFYEVENT = fake.NetGetUniqueEvent();

  fake.postBare(owner, rt::net::kPhaseTwoDue);
  EXPECT_EQ(rt::deliverCrossThreadPosts(), 1);
  std::optional<rt::PostedEvent> event = rt::takePostedEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->event, owner.NOTIFYEVENT + rt::net::kPhaseTwoDue);

  EXPECT_EQ(rt::callProcedure("NetCloseCallBackWindow"), rt::kCompleted);
  EXPECT_EQ(fake.count("NetCloseCallBackWindow"), 1);
  fake.postBare(owner, rt::net::kPacketWaits);
  EXPECT_EQ(rt::deliverCrossThreadPosts(), 0);

  rt::unregisterProcedure("NetCloseCallBackWindow");
  rt::noteWindowClosed();
}

}  // namespace
}  // namespace netlib

#pragma once
// The common base of the mail clients: the message fields a sender fills and
// a receiver reads into, the three text objects (plain text, HTML, the whole
// raw message), the mail defaults of the connection and small operations on
// packets, buffered server replies and tokens.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "netlib/net_connection.h"
#include "textlib/text_buffer.h"

namespace netlib {

class NetMail : public NetConnection {
 public:
  NetMail();
  ~NetMail() override;

  // ---- Fields, in declaration order (the ones this program uses) -----------
  // SERVER and PORT are the mail server as the owner sets them; the
  // connection's own server and port stay readable as NetConnection::SERVER().
  std::string SERVER;
  std::uint16_t PORT = 0;
  std::int32_t MSGNUMBER = 0;
  std::int32_t BYTES = 0;
  std::string UID;
  std::string TOLIST;
  std::string CCLIST;
  std::string FROM;
  std::string SUBJECT;
  std::string REPLYTO;
  std::string ORGANIZATION;
  std::string DELIVERYRECEIPTTO;
  std::string RETURNRECEIPTTO;
  std::string DISPOSITIONNOTIFICATIONTO;
  std::string SENTDATE;
  std::string MESSAGEID;
  std::string REFERENCES;
  std::string ATTACHMENTLIST;
  std::string EMBEDLIST;
  std::unique_ptr<textlib::TextBuffer> MESSAGETEXTST;
  std::unique_ptr<textlib::TextBuffer> MESSAGEHTMLST;
  std::unique_ptr<textlib::TextBuffer> WHOLEMESSAGEST;
  std::int32_t MAXTRIES = 5;
  std::int32_t ENCODING = 0;
  std::string MIMEVERSION;
  std::string CONTENTTYPE;
  std::string CONTENTTRANSFERENCODING;
  std::string MIMEBOUNDARY;
  std::string SERVERERRORDESC;
  std::int32_t STATE_ = 0;
  std::string SERVERDESC_;
  std::int32_t SERVERDESC_SET_ = 0;
  std::int32_t OBJECTTYPE_ = 1;
  std::string SERVERREPLYBUFFER_;  // start of a reply that came without its line end

  // ---- Operations ---------------------------------------------------------
  void Init(std::int32_t mode = 0) override;
  void Open(std::string_view server, std::uint16_t port = 0) override;
  void Close() override;
  void ErrorTrap(std::string_view errorText, std::string_view functionName) override;
  void Kill() override;
  virtual void Free();
  virtual std::string ObjectTypeName() const;
  virtual std::string GetPacketData() const;
  virtual std::int32_t SetPacketData(std::string_view text, std::int32_t length = 0);
  virtual std::int32_t GetPacketDataLen() const;
  virtual std::string ClipText_(std::string_view text) const;
  // Sends the first count bytes (0: all) in packets of the packet's size.
  virtual void SendBuffer_(std::string_view text, std::int32_t count = 0);
  virtual void CidToFileLinks_(textlib::TextBuffer& html);
  virtual void TryOpen_() {}
  virtual void CloseIdleConnection_() {}
  virtual void BufferReply_();
  virtual void GetBufferedData_();
  virtual std::string GetToken_(std::string_view text, int n, char delimiter);
  virtual std::string FindToken_(std::string_view text, int n, bool skipEmpty, char delimiter);
  virtual void ClearMessageFields_();
  virtual std::int32_t ProcessRaiseError_(std::string_view serverText);
  virtual void ProcessSendIt_();
  void ClearMessage_() override;
};

}  // namespace netlib

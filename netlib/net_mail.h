#pragma once
// The common base of the mail clients: the message fields a sender fills and
// a receiver reads into, the three text objects (plain text, HTML, the whole
// raw message), the mail defaults of the connection and small operations on
// packets, buffered server replies and tokens.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

  // ---- Receive side: what the message parser fills (net_mail_parse.cpp) ---
  // A row of the attachment and embed queues: the file name and the part's
  // own headers.
  struct AttachmentRecord {
    std::string NAME;
    std::string CONTENTTYPE;
    std::string CONTENTENCODING;
    std::string CONTENTID;
  };
  using EmbedRecord = AttachmentRecord;
  // The queues of mail-box readers.
  struct EmailsListRecord {
    std::int32_t ID = 0;
    std::int32_t BATCHID_ = 0;
    std::int32_t TODO_ = 0;
    std::int32_t TODOWNLOAD = 0;
    std::int32_t TODELETE = 0;
    std::int32_t SIZE = 0;
    std::string UID;
    std::int32_t DOWNLOADDATE = 0;
    std::int32_t DOWNLOADTIME = 0;
  };
  struct EmailsDoneBeforeRecord {
    std::int32_t SIZE = 0;
    std::string UID;
    std::int32_t DOWNLOADDATE = 0;
    std::int32_t DOWNLOADTIME = 0;
  };
  std::string ATTACHMENTPATH;  // folder the parser saves attachments and embeds in
  std::vector<AttachmentRecord> ATTACHMENTLISTQ;
  std::vector<EmbedRecord> EMBEDLISTQ;
  std::vector<EmailsListRecord> EMAILSLISTQ;
  std::vector<EmailsDoneBeforeRecord> EMAILSDONEBEFOREQ;
  std::string TEXTCHARSET;
  std::string HTMLCHARSET;
  std::string CONTENTDISPOSITION;
  std::string MIMEMIXEDBOUNDARY;
  std::string MIMEALTBOUNDARY;
  std::string MIMERELBOUNDARY;
  std::string OPTIONSUSERFILTER;  // a header name whose value goes to USERFILTERCONTENT
  std::string USERFILTERCONTENT;
  std::int32_t OPTIONSDONTPROCESSWHOLEMESSAGE = 0;
  std::int32_t OPTIONSONLYPROCESSHEADER = 0;
  std::int32_t OPTIONSDONTSAVEATTACHMENTS = 0;
  std::int32_t OPTIONSDONTSAVEEMBEDS = 0;
  std::int32_t OPTIONSCONVERTHTMLTOWEB = 0;
  // The main document's own header values.
  std::string MDCONTENTTYPE_;
  std::string MDCHARSET_;
  std::string MDCONTENTTRANSFER_;
  std::string MDCONTENTBOUNDARY_;
  std::string MDCONTENTDISPOSITION_;
  std::string MDCONTENTID_;
  std::string MDFILENAME_;
  std::string MDNAME_;
  std::string DELIVERYSTATUSORIGINALRECIPIENT;
  std::string DELIVERYSTATUSFINALRECIPIENT;
  std::string DELIVERYSTATUSACTION;
  std::string DELIVERYSTATUSSTATUS;
  std::string DELIVERYSTATUSREMOTEMTA;
  std::string DELIVERYSTATUSDIAGNOSTICCODE;
  std::string DELIVERYSTATUSLASTATTEMPTDATE;

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

  // ---- The message parser (net_mail_parse.cpp) ------------------------------
  // Positions are 1-based as in the string class; 0 = none unless said.
  virtual std::int32_t ProcessWholeMessage(const textlib::TextBuffer& message);
  virtual std::int32_t LoadMessageFile(std::string_view fileName);
  virtual std::int32_t ProcessSplitWholeMessage_();
  virtual std::int32_t ProcessHeader_(std::int32_t start, std::int32_t end);
  virtual std::string HeaderField_(const textlib::TextBuffer& header, std::string_view name,
                                   bool decode);
  virtual std::string ExtractHeaderPart_(std::string_view attribute, std::string_view value);
  virtual std::int32_t GetHeaderAttribute_(std::string& value, std::string* boundary = nullptr,
                                           std::string* name = nullptr,
                                           std::string* charset = nullptr,
                                           std::string* fileName = nullptr);
  virtual std::string DecodeHeaderText_(std::string_view text, bool flag);
  virtual std::int32_t ProcessBody_(std::int32_t headerEnd);
  // A part is a view into WHOLEMESSAGEST: nested parts are never copied.
  virtual std::int32_t ProcessParts_(std::string_view text, std::int32_t start,
                                     std::string_view boundary);
  virtual std::int32_t ProcessPart_(std::string_view part);
  virtual std::int32_t ProcessBodyNoContentType_(std::int32_t headerEnd);
  virtual std::int32_t DecodeTextPart_(std::string_view data, std::string_view transfer,
                                       std::string_view charset);
  virtual std::int32_t DecodeHtmlPart_(std::string_view data, std::string_view transfer,
                                       std::string_view charset);
  virtual std::int32_t ProcessStoreAttachment_(std::string_view data, std::string_view transfer,
                                               std::string_view fileName,
                                               std::string_view contentId, std::string_view name,
                                               std::string_view contentType,
                                               std::string_view disposition);
  virtual std::int32_t AddAttachment_(std::string& name, std::string_view contentType = {},
                                      std::string_view transfer = {},
                                      std::string_view contentId = {});
  virtual std::int32_t AddEmbed_(std::string& name, std::string_view contentType,
                                 std::string_view transfer, std::string_view contentId = {});
  // The position of the last character before the first uuencoded block, or 0.
  virtual std::int32_t UuDecode_(std::string_view text);
  virtual std::int32_t SaveFile_(std::string_view file, std::string_view data, std::int32_t length);
  virtual std::string MakeFileName_(std::string_view name);
  virtual std::int32_t ProcessDeliveryStatus_(std::int32_t start, std::int32_t end);
  void ClearMessage_() override;

  // Multiparts nested deeper than this are skipped, as mail readers do: a
  // crafted message cannot exhaust the stack or the memory.
  static constexpr int kMaxPartDepth = 64;

 private:
  void emptyQueues();
  int partDepth_ = 0;
};

}  // namespace netlib

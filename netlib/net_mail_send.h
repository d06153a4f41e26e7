#pragma once
// The SMTP sender. The owner fills the message fields and calls SendMail; the
// message is built (net_mail_build.cpp) into the queue DATAQUEUE, and from then
// on the object works by itself, reply by reply, driven by the connection's
// events that the owner hands to TakeEvent: the conversation
// (net_mail_send_process.cpp), and what follows a delivered or failed message
// with the progress figures (net_mail_send_queue.cpp).
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netlib/net_mail.h"

namespace netlib {

// Protocol states of the conversation.
namespace smtp_state {
constexpr std::int32_t kNotConnected = 0;
constexpr std::int32_t kGreeting = 71;
constexpr std::int32_t kConnectedAndIdle = 72;
constexpr std::int32_t kReady = 73;
constexpr std::int32_t kMailFrom = 74;
constexpr std::int32_t kRcptTo = 75;
constexpr std::int32_t kData = 76;
constexpr std::int32_t kEndOfData = 77;
constexpr std::int32_t kAuthEhlo = 79;
constexpr std::int32_t kAuthLogin = 80;
constexpr std::int32_t kAuthUser = 81;
constexpr std::int32_t kTlsEhlo = 84;
constexpr std::int32_t kStartTls = 85;
constexpr std::int32_t kSwitchingToTls = 86;
}  // namespace smtp_state

// SECUREEMAILSTARTTLS: never; always (the server must agree); or when the
// server lists STARTTLS in its EHLO reply. A server that does not offer it to
// an object with an account gets no AUTH: the password never goes in clear.
namespace start_tls {
constexpr std::int32_t kNever = 0;
constexpr std::int32_t kAlways = 1;
constexpr std::int32_t kWhenOffered = 2;
}  // namespace start_tls

// ERROR when the server offers no STARTTLS and the password would go in clear.
constexpr std::int32_t kNoSecureLogin = -72;
// ERROR when a file to attach or embed cannot be read: nothing is queued.
constexpr std::int32_t kUnreadableFile = -35;

// The command (or the greeting) whose reply the conversation waits for, so
// that an owner can say what the server refused.
enum class SmtpStep {
  kNone,
  kGreeting,
  kHello,
  kStartTls,
  kLogin,
  kSender,
  kRecipient,
  kMessage,
  kOther
};

// What happens after a reported error.
namespace after_error {
constexpr std::int32_t kDeleteAllNow = 0;
constexpr std::int32_t kNextMessage = 1;
constexpr std::int32_t kNotQueued = 2;
constexpr std::int32_t kDeleteAllAfter = 3;
constexpr std::int32_t kPostpone = 4;
}  // namespace after_error

// One built message of the queue; it owns its texts.
struct MailQueueRecord {
  std::string TOLIST, CCLIST, BCCLIST, FROM, REPLYTO, ORGANIZATION, SUBJECT, NEWSGROUP;
  std::string DELIVERYRECEIPTTO, DISPOSITIONNOTIFICATIONTO, RETURNPATH, EXTRAHEADER;
  std::string MESSAGETEXT;
  std::int32_t MESSAGETEXTLEN = 0;
  std::string MESSAGEHTML;
  std::int32_t MESSAGEHTMLLEN = 0;
  std::string WHOLEMESSAGE;
  std::int32_t WHOLEMESSAGELEN = 0;
  std::string ATTACHMENTLIST, EMBEDLIST;
  std::int32_t MAXTRIES = 5;
  std::int32_t TRIES_ = 0;
  std::string MESSAGEID;
};
using MailQueue = std::deque<MailQueueRecord>;  // the front is the current record

class NetMailSend : public NetMail {
 public:
  NetMailSend();
  ~NetMailSend() override;

  // ---- Fields, in declaration order -------------------------------------
  std::int32_t SECUREEMAILSTARTTLS = 0;
  std::string HELO;
  std::string BCCLIST;
  std::string RETURNPATH;
  std::string EXTRAHEADER;
  std::unique_ptr<textlib::TextBuffer> CUSTOMHEADER;
  std::string XMAILER;
  std::int32_t PROGRESS1000 = 0;
  std::int32_t PROGRESSBYTESTOGO = 0;
  std::int32_t PROGRESSBYTESMAX = 0;
  std::int32_t PROGRESSCONTROL = 0;
  std::int32_t SERVERERRORNUM = 0;
  MailQueue* DATAQUEUE = nullptr;
  std::int32_t RECONNECTAFTERXMSGS = 0;
  std::int32_t OPTIONSKEEPCONNECTIONOPEN = 0;
  std::string OPTIONSATTACHMENTCONTENTTYPE;
  std::string OPTIONSMIMETEXTCHARSET;
  std::string OPTIONSMIMETEXTTRANSFERENCODING;
  std::int32_t OPTIONSMIMETEXTDONTENCODE = 0;
  std::string OPTIONSMIMEHTMLCHARSET;
  std::string OPTIONSMIMEHTMLTRANSFERENCODING;
  std::int32_t OPTIONSMIMEHTMLDONTENCODE = 0;
  std::string OPTIONSCONTENTTYPE;
  std::int32_t OPTIONSMULTIPARTCONTENT = 0;
  std::string AUTHUSER;
  std::string AUTHPASSWORD;
  std::unique_ptr<MailQueue> DATAQUEUE_;
  std::int32_t LISTINDEX2_ = 0;
  std::int32_t LISTWHICH2_ = 0;
  std::int32_t MESSAGESSENTONCURRENTCONNECTION_ = 0;
  std::int32_t GOTHOSTNAME_ = 0;
  std::string HOSTNAME_;
  std::int32_t IDCOUNT_ = 0;
  std::int32_t ERRORSTATUS_ = 0;
  std::int32_t AFTERERRORACTION_ = 0;
  std::int32_t AFTERERRORSAVEDACTION_ = 0;
  SmtpStep awaitedStep_ = SmtpStep::kNone;
  std::string unreadableFile_;

  // What the awaited reply answers (during ErrorTrap: what was refused).
  SmtpStep awaitedStep() const { return awaitedStep_; }
  // The file (runtime text) that stopped the last message, with kUnreadableFile.
  const std::string& unreadableFile() const { return unreadableFile_; }

  // ---- Operations --------------------------------------------------------
  void Init(std::int32_t mode = 0) override;
  void Open(std::string_view server, std::uint16_t port = 0) override;
  void Close() override;
  void Abort() override;
  void Kill() override;
  void Process() override;
  void ErrorTrap(std::string_view errorText, std::string_view functionName) override;
  void ConnectionClosed() override;
  void TryOpen_() override;
  void CloseIdleConnection_() override;

  virtual std::int32_t BuildMail(std::int32_t mode);
  virtual std::string NormalizeAddressList_(std::string_view list, int index, int mode);
  // 1 when the n-th entry exists and has an address.
  virtual std::int32_t GetAddress_(std::string_view list, int n, std::string& name,
                                   std::string& address);
  virtual std::int32_t SendMail(std::int32_t mode);
  // 0; kUnreadableFile (reported, nothing appended) when the file cannot be read.
  virtual std::int32_t AddAttachmentFromFile(std::string_view folder, std::string_view fileName,
                                             std::string_view prefix, std::string_view unique,
                                             textlib::TextBuffer& body, bool embedded, int index);
  virtual std::string MakeMessageId_(std::string_view senders);
  virtual void MessageSent() {}
  virtual void UpdateProgress_();
  // `taken`: the length of the field name before the text ("Subject: ").
  virtual std::string EncodeHeaderText_(std::string_view text, std::size_t taken = 0);
  virtual std::int32_t RaiseError_(std::int32_t error, std::int32_t kind, std::int32_t action,
                                   std::string_view text, std::string_view functionName);
  virtual void ResetProgress_();
  virtual void DeleteAllMessagesInDataQueue_();
  virtual std::string CleanList_(std::string_view list);
  virtual void ProcessOpen_();
  virtual void CollectHtmlEmbeds_(std::string_view folder, bool currentFolder);
  virtual std::string ScanHtmlEmbeds_(textlib::TextBuffer& html, bool replace,
                                      std::string_view folder);
  virtual std::string ContentTypeOf_(std::string_view fileName);
  virtual void CheckTextCharset_();
  virtual void CheckHtmlCharset_();
  // The owner's progress bar: shown or hidden, with a value of 0 to 1000.
  // Empty here; a window owner moves its control.
  virtual void ShowProgress_(bool /*visible*/, std::int32_t /*value*/) {}
  // Hooks at fixed points of the build; empty here.
  virtual void HeaderBuilt_(textlib::TextBuffer& /*header*/) {}
  virtual void MessageBuilt_() {}

 private:
  struct EmbedEntry {
    std::string folder;
    std::string name;       // on disk
    std::string contentId;  // the name without blanks, when it had any
  };
  // False when the file could not be read (reported; nothing appended).
  bool addFilePart(std::string_view folder, std::string_view diskName, std::string_view partName,
                   std::string_view prefix, std::string_view unique, textlib::TextBuffer& body,
                   bool embedded, int index);
  void sendCommand(std::string_view command, SmtpStep step);
  void replyArrived();
  void actOnReply(std::int32_t code, const std::string& text, std::string_view wholeReply);
  void afterTlsEhlo(std::int32_t code, const std::string& text, std::string_view wholeReply);
  void offerNextRecipient();
  void sendMessageText();
  void serverError(std::int32_t kind, std::int32_t action, std::int32_t code,
                   const std::string& text, std::string_view opening, std::string_view closing);
  void localError(std::string_view text);
  void afterErrorAction();
  void dropCurrentMessage();
  void abortAndReopenIfAny();
  void messageFinished(bool delivered);
  void sendQuitAndClose();
  std::string buildHeader(const std::string& mimeLines);
  std::string textContent(textlib::TextBuffer& body, std::string_view encoding, bool dontEncode);
  std::string hostName();
  std::string utf8FromCodePage(std::string_view text);
  std::string encodedWord(std::string_view text, std::size_t taken = 0);
  std::vector<EmbedEntry> processEmbedList(std::string_view list);
  void replaceEmbedNames(std::vector<EmbedEntry>& embeds);
};

// A file list split at commas outside double quotes, the quotes removed.
std::vector<std::string> splitFileList(std::string_view list);

// The current folder as runtime text, the folder of a listed file named
// without one (the names in the lists are runtime text).
std::string currentFolderName();

// Dot-stuffs one chunk of message text: every line that begins with "." gets
// one more; `beforeLast` and `last` are the last two bytes of the chunk sent
// before it (blanks at the start).
std::string stuffDots(std::string_view chunk, char beforeLast, char last);

}  // namespace netlib

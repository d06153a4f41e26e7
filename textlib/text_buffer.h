#pragma once
// TextBuffer: the growable text and byte buffer of the string, network and
// mail classes. The value is a run of bytes (zero bytes allowed) at the start
// of an allocation that may be larger than the value; positions are 1-based
// byte positions, ranges inclusive, 0 means "not found". Failures never throw:
// an operation returns its failure value and, where it says so, records a text
// in LASTERROR.
//
// The operations are grouped by family, each family in a source file of its
// own (text_buffer_*.cpp).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace textlib {

// A reference to a byte buffer: its address and allocated size.
struct BufferRef {
  char* address = nullptr;
  int size = 0;
};

// One record of the Lines queue. LINE is never empty: an empty line holds a
// single blank and has EMPTY set.
struct TextLine {
  std::string LINE = " ";
  std::uint8_t EMPTY = 1;
  std::uint8_t QUOTED = 0;
};
using LineQueue = std::vector<TextLine>;

class TextBuffer {
 public:
  // Flag bits of the comparison.
  static constexpr int kEqualsClip = 1;
  static constexpr int kEqualsAcrossEncodings = 4;
  static constexpr int kEqualsNoCase = 8;
  // Flag bits of the appending and prepending forms.
  static constexpr int kAddClip = 1;
  static constexpr int kAddSkipEmpty = 2;
  static constexpr int kAddLines = 4;
  // Bits of the skip flags of Left and Right.
  static constexpr int kSkipBlank = 1;
  static constexpr int kSkipTab = 2;
  static constexpr int kSkipCarriageReturn = 4;
  static constexpr int kSkipLineFeed = 8;
  static constexpr int kSkipZero = 16;

  // ---- Fields, in declaration order -------------------------------------
  BufferRef VALUE;                   // the first DATAEND_ bytes are the value
  std::string STREAMFILENAME;        // empty when not streaming; stored clipped
  std::unique_ptr<LineQueue> LINES;  // null until first needed
  int DATAEND_ = 0;                  // length of the value
  BufferRef VALUEPTR;                // second reference to the buffer
  int BYTES = 0;
  std::string LASTERROR = " ";  // never empty: a single blank means no error
  int WINERRORCODE = 0;
  int CODEPAGE = 0;
  int ENDOFLASTLINE = 0;
  std::uint8_t USEBUFFER = 1;
  std::uint8_t CLEANBUFFER = 0;
  std::uint8_t LOGERRORS = 0;
  std::uint8_t GZIPPED = 0;
  std::uint8_t BASE64 = 0;
  std::uint8_t BASE64NOWRAP = 0;
  std::uint8_t BASE64URLSAFE = 0;
  std::uint8_t ENCODING = 0;  // 0 ANSI, 1 UTF-8, 2 UTF-16
  std::uint8_t ENDIAN = 0;
  std::uint8_t EOF_ = 0;
  std::uint8_t FIRST_ = 0;
  std::uint8_t NORMALIZEDLLLOADED_ = 0;
  std::uint8_t GZIPDLLLOADED_ = 0;

  TextBuffer() = default;
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  // ---- Life cycle (text_buffer.cpp) --------------------------------------
  void Start(bool freeBuffer = false);
  void Destruct();
  void SetEmpty();
  void Free(bool freeLines = false);
  void FreeValue_(bool freeLines, bool freeBuffer);
  void FreeLines();

  // ---- Allocation ---------------------------------------------------------
  // Blocks handed to the object (AdoptBuffer_, SetValuePointer_) must come
  // from std::malloc: the object releases them with std::free.
  void Malloc_(int size, bool exact, bool quiet);
  int GrowSize_(int requested);
  void SetLength(int length, bool exact = false);
  int AdjustLength(int delta);
  void Reserve(int size);
  void ReleaseSpare();
  int Size() const { return VALUE.size; }
  int FreeSpace() const { return VALUE.size - DATAEND_; }
  int Length() const { return DATAEND_; }

  // ---- Setting the value --------------------------------------------------
  void SetValue(std::string_view text, bool clip = false);
  void SetValue(int length, const void* address, bool clip = false);
  void SetValue(const TextBuffer& other);
  void SetValue(const TextBuffer& other, int flags);
  void SetValueFromLine(int lineNumber);
  void SetValueFromCString(const void* address, int encoding = -1);
  void AdoptBuffer_(int length, void* address, bool reset);
  void TakeValueFrom_(TextBuffer& other);
  void SetValuePointer_(void* address, int size, int length, bool releaseOld);
  void EmptyHook_() {}
  int TruncateAtWord(int length, int lookBack, int lookAhead);

  // ---- Reading the value --------------------------------------------------
  std::string GetValue() const;
  std::string GetValue(int count) const;
  // A view into the buffer, valid until the value changes; a null view
  // (data() == nullptr) when there is nothing to refer to.
  std::string_view GetValueRef() const;
  std::string_view GetValueRef(int start) const;
  std::string_view GetValueRef(int start, int end) const;
  char* GetAddress() const { return VALUE.address; }
  // A std::malloc'ed copy of the clipped value followed by two zero bytes;
  // the caller frees it. Null when the value is empty.
  char* GetCString() const;
  int ClipLength() const;
  static int ClipLength(int length, const void* address);
  int CountCharacters(int encoding = -1, std::string_view text = {}) const;

  // ---- Comparison ---------------------------------------------------------
  bool Equals(std::string_view text, int flags = 0) const;
  bool Equals(const TextBuffer& other, int flags = 0) const;
  bool EqualsBytes_(int length, const void* address, int flags) const;
  bool EqualsConverted_(const TextBuffer& other, int flags = 0) const;

  // ---- Errors and trace ---------------------------------------------------
  void RecordError(std::string_view method, std::string_view text, bool force = false);
  void DebugOut(std::string_view text = {}) const;
  static std::string FormatMessage(int code);

  // ---- Appending (text_buffer_append.cpp) ---------------------------------
  void Append(std::string_view text);
  void AppendString(std::string_view text) { Append(text); }
  void Append(std::string_view text, int flags);
  void Append(std::string_view text, std::string_view separator, int flags = 0);
  // The first `count` bytes (negative or beyond the text: all of it).
  void AppendFirst(std::string_view text, int count);
  void Append(int length, const void* address);
  void AppendBytes(int length, const void* address) { Append(length, address); }
  void Append(int length, const void* address, int flags);
  void Append(int length, const void* address, int flags, std::string_view separator);
  void AppendFirst(int length, const void* address, int count);
  // The single byte at `address`.
  void AppendByteAt(const void* address);
  void AppendRaw_(const void* address, int length);
  void AppendLongBytes(std::int32_t value, int byteCount);
  void Append(const TextBuffer& other);
  void AppendFirst(const TextBuffer& other, int count);
  void Append(const TextBuffer& other, std::string_view separator);
  void Append(const TextBuffer& other, int flags, std::string_view separator);
  // The whole content of a BLOB; null or empty is refused with an error.
  void Append(const std::string* blob);

  // ---- Prepending ---------------------------------------------------------
  void Prepend(std::string_view text);
  void Prepend(std::string_view text, int flags);
  void Prepend(std::string_view text, std::string_view separator, int flags);
  void Prepend(int length, const void* address);
  void Prepend(const TextBuffer& other);
  void Prepend(const TextBuffer& other, std::string_view separator);
  void Prepend(const TextBuffer& other, int flags, std::string_view separator);

  // ---- Streaming ----------------------------------------------------------
  int Stream(std::string_view fileName, int bufferMB = 10, bool append = false);
  int Flush();
  int FlushAndKeep();
  int WriteToStream(int length, const void* address);
  int WriteToStream(std::string_view text);
  int WriteToStream(const TextBuffer& other);
  void FreeStreamName_() { STREAMFILENAME.clear(); }
  bool streaming() const { return !STREAMFILENAME.empty(); }

  // ---- Searching (text_buffer_search.cpp) ---------------------------------
  int Instring(std::string_view text, int step = 1, int start = 1, int end = 0, bool noCase = false,
               bool wholeWord = false) const;
  int Instring(int length, const void* address, int step = 1, int start = 1, int end = 0) const;
  int InstringValue_(std::string_view text) const;
  int InstringValue_(int length, const void* address) const;
  int InstringFrom(std::string_view text, int start) const;
  int InstringFrom(int length, const void* address, int start) const;
  int InstringRange(std::string_view text, int start, int end) const;
  int InstringRange(int length, const void* address, int start, int end) const;
  static int InstringBlock(std::string_view text, int start, int end, int blockLength,
                           const void* blockAddress);
  static int InstringBlock(int length, const void* address, int start, int end, int blockLength,
                           const void* blockAddress);
  static int InstringText(std::string_view pattern, std::string_view text, int start = 1,
                          int end = 0);
  int InstringNth(std::string_view text, int n, int start = 1, int end = 0,
                  bool noCase = false) const;
  int InstringLast(std::string_view text, int start = 1, int end = 0, bool noCase = false) const;
  static int InstringRaw_(int patternLength, const void* pattern, const void* address, int length);

  int FindChar(std::string_view text, int start = 1, int end = 0) const;
  static int FindChar(std::string_view charText, std::string_view text, int start, int end);
  static int FindChar(std::string_view charText, int start, int end, int blockLength,
                      const void* blockAddress);
  int FindByte(int byte, int start = 1, int end = 0) const;
  static int FindByte(int byte, std::string_view text, int start, int end);
  static int FindByte(int byte, int start, int end, int blockLength, const void* blockAddress);
  int CountByte(int byte, int start = 1, int end = 0) const;

  int Count(std::string_view text, int step = 1, int start = 1, int end = 0, bool noCase = false,
            bool endIsLastStart = false, bool overlap = false) const;

  // mode 0: plain text; mode 2: regular expression; other modes find nothing.
  std::string FindMatch(std::string_view text, int& start, int& end, int mode = 0,
                        bool noCase = false) const;
  int FindMatchPosition(std::string_view text, int start = 1, int end = 0, int mode = 0,
                        bool noCase = false) const;
  void FindMatch_(std::string_view text, int& start, int& end, int mode, bool noCase) const;

  static const char* FindBlock_(int patternLength, const void* pattern, const void* fromAddress,
                                const void* lastStartAddress);
  static const char* FindBlockNoCase_(int patternLength, const void* pattern,
                                      const void* fromAddress, const void* lastStartAddress);
  static const char* FindByteNoCase_(const void* address, int byte, int count);
  static int FindTerminator_(int encoding, const void* address, int maxLength);

  // ---- Replacing (text_buffer_replace.cpp) --------------------------------
  int Replace(std::string_view oldText, std::string_view newText, int count = 0, int start = 1,
              int end = 0, bool noCase = false, bool recursive = false);
  int Replace_(std::string_view oldText, std::string_view newText, int count = 0, int start = 1,
               int end = 0, bool noCase = false);
  int ReplaceBetween(std::string_view startDelimiter, std::string_view endDelimiter,
                     std::string_view oldText, std::string_view newText, int count = 0,
                     int start = 1, int end = 0, bool noCase = false, bool wholeBlock = false);
  int ReplaceOutside(std::string_view startDelimiter, std::string_view endDelimiter,
                     std::string_view oldText, std::string_view newText, int count = 0,
                     int start = 1, int end = 0, bool noCase = false);
  void ReplaceSlice(int start, int end, int length, const void* address);
  void ReplaceSlice(int start, int end, std::string_view text);
  void ReplaceSlice(int start, int end, const TextBuffer& other);
  bool ReplaceLast(std::string_view oldText, std::string_view newText, int start = 1, int end = 0,
                   bool noCase = false);
  bool ReplaceNth(std::string_view oldText, std::string_view newText, int n, int start = 1,
                  int end = 0, bool noCase = false);
  int ReplaceSingleChars(std::string_view fromChars, std::string_view toChars);
  int ReplaceSingleChars(std::string_view fromChars, std::string_view toChars, bool onePass);
  int ReplaceChar(int byte, int newByte);
  int RemoveByte(int byte);
  int RemoveByteRange(int fromByte, int toByte);
  int _removeMatchingChars(std::string_view map);
  // The map entry of fillByte is cleared first (the caller's map changes).
  int _replaceMatchingChars(std::string& map, int fillByte);

  // ---- Slicing and case (text_buffer_slice.cpp) ---------------------------
  std::string Sub(int start, int length) const;
  std::string Slice(int start, int end = 0) const;
  void Crop(int start, int end = 0);
  void Upper(std::string_view quoteStart = {}, std::string_view quoteEnd = {});
  void Lower(std::string_view quoteStart = {}, std::string_view quoteEnd = {});
  int CapitalizeWords(int count = 0, int start = 1, int end = 0, std::string_view delimiters = {});
  std::string ExtensionOnly(std::string_view fileName = {}) const;

  // ---- Trimming, justifying, quoting, inserting (text_buffer_edit.cpp) ----
  void Quote(std::string_view quoteStart = {}, std::string_view quoteEnd = {},
             bool quoteEmpty = false);
  void Unquote(std::string_view quoteStart = {}, std::string_view quoteEnd = {});
  void Insert(int position, int length, const void* address);
  void Insert(int position, std::string_view text);
  void Insert(int position, const TextBuffer& other);
  void InsertEvery(std::string_view text, int every);
  void InsertEvery(int every, int length, const void* address);
  void SetSlice(int start, int end, int length, const void* address);
  void SetSlice(int start, int end, std::string_view text);
  void SetSlice(int start, int end, const TextBuffer& other);
  std::string AsString() const { return GetValue(); }
  std::string AsString(std::string_view text);
  std::string AsString(int length, const void* address);
  std::string Left(int length = 0, int skipFlags = 0, std::string_view fill = {}) const;
  std::string Right(int length = 0, int skipFlags = 0, std::string_view fill = {}) const;
  void SetLeft(int length = 0, int skipFlags = 0, std::string_view fill = {});
  void SetRight(int length = 0, int skipFlags = 0, std::string_view fill = {});
  void Repeat(int length);
  std::string Repeated(int length) const;
  void Reverse();
  static std::string ReverseText(std::string_view text);
  void Trim();
  void Trim(std::string_view chars);
  void TrimRight();
  void TrimRight(std::string_view chars);
  int CropFirst(int count);
  int CropLast(int count);
  bool RemovePrefix(std::string_view text, bool noCase = false);
  int DeleteRange(int start, int length);

  // ---- Characters and character sets (text_buffer_chars.cpp) ------------
  int KeepChars(std::string_view alphabet);
  int KeepChars(std::string_view alphabet, std::string_view replacement);
  int KeepCharRanges(std::string_view alphabet);
  int KeepCharRanges(std::string_view alphabet, std::string_view replacement);
  int RemoveChars(std::string_view alphabet);
  int RemoveChars(std::string_view alphabet, std::string_view replacement);
  int RemoveCharRanges(std::string_view alphabet);
  int RemoveCharRanges(std::string_view alphabet, std::string_view replacement);
  int KeepAllowedChars(std::string_view alphabet, std::string_view replacement,
                       bool withAlphanumeric);
  // Works on a caller's fixed-length text instead of the value.
  int KeepAllowedCharsOf(std::string_view alphabet, std::string_view replacement,
                         bool withAlphanumeric, std::span<char> variable);
  int ProcessCharRanges_(std::string_view alphabet, std::string_view replacement, bool removeListed,
                         bool noReplacement);
  bool ContainsOnly(std::string_view alphabet, std::string_view text = {},
                    bool clipAlphabet = false) const;
  bool ContainsAny(std::string_view alphabet, std::string_view text = {},
                   bool clipAlphabet = false) const;
  bool ContainsChar(std::string_view charText) const;
  bool ContainsChar(int byte) const;
  static bool ContainsChar(std::string_view charText, std::string_view text);
  static bool ContainsChar(int byte, std::string_view text);
  static bool ContainsChar(std::string_view charText, int length, const void* address);
  static bool ContainsChar(int byte, int length, const void* address);
  bool IsAscii(int start = 1, int end = 0) const;
  bool IsLower(int start = 1, int end = 0) const;
  bool HasNoUpper(int start = 1, int end = 0) const;
  bool IsUpper(int start = 1, int end = 0) const;
  bool HasNoLower(int start = 1, int end = 0) const;
  bool IsDigits(int start = 1, int end = 0) const;
  bool IsBlank(int start = 1, int end = 0) const;
  bool IsDigitAt(int position) const;
  bool ContainsDigit() const;

  // ---- Text before, after and between delimiters (text_buffer_delimiters.cpp)
  std::string Before(std::string_view delimiter, int start = 1, int end = 0,
                     bool noCase = false) const;
  std::string BeforeLast(std::string_view delimiter, int start = 1, int end = 0,
                         bool noCase = false) const;
  std::string BeforeNth(std::string_view delimiter, int occurrence, int start = 1, int end = 0,
                        bool noCase = false) const;
  std::string After(std::string_view delimiter, int start = 1, int end = 0,
                    bool noCase = false) const;
  std::string AfterLast(std::string_view delimiter, int start = 1, int end = 0,
                        bool noCase = false) const;
  std::string AfterNth(std::string_view delimiter, int occurrence, int start = 1, int end = 0,
                       bool noCase = false) const;
  std::string Between(std::string_view leftDelimiter, std::string_view rightDelimiter,
                      int start = 1, int end = 0, bool noCase = false,
                      bool exclusive = false) const;
  // As above; start and end are left holding the positions found.
  std::string Between(std::string_view leftDelimiter, std::string_view rightDelimiter, int* start,
                      int* end, bool noCase = false, bool exclusive = false) const;
  int SetBefore(std::string_view delimiter, int start = 1, int end = 0, bool noCase = false,
                bool clearIfMissing = false);
  int SetBeforeLast(std::string_view delimiter, int start = 1, int end = 0, bool noCase = false,
                    bool clearIfMissing = false);
  int SetBeforeNth(std::string_view delimiter, int occurrence, int start = 1, int end = 0,
                   bool noCase = false, bool clearIfMissing = false);
  int SetAfter(std::string_view delimiter, int start = 1, int end = 0, bool noCase = false,
               bool clearIfMissing = false);
  int SetAfterLast(std::string_view delimiter, int start = 1, int end = 0, bool noCase = false,
                   bool clearIfMissing = false);
  int SetAfterNth(std::string_view delimiter, int occurrence, int start = 1, int end = 0,
                  bool noCase = false, bool clearIfMissing = false);
  int SetBetween(std::string_view leftDelimiter, std::string_view rightDelimiter, int start = 1,
                 int end = 0, bool noCase = false, bool exclusive = false,
                 bool clearIfMissing = false);
  void FindBetween(std::string_view leftDelimiter, std::string_view rightDelimiter, int& start,
                   int& end, bool noCase = false, bool exclusive = false) const;
  int FindMatchingClose(std::string_view openText, std::string_view closeText, int start = 1) const;

  // ---- Code pages and Unicode (text_buffer_codepages.cpp) ----------------
  // The low-level conversions return a new std::malloc'ed block (address and
  // size in bytes) that the caller frees or hands to AdoptBuffer_; a null
  // address when the conversion failed. `count` receives the units produced
  // (UTF-16 code units, otherwise bytes). Code page 0 or -1 is the system's
  // ANSI code page.
  static constexpr int kUsAsciiCodePage = 20127;
  static constexpr int kUtf8CodePage = 65001;
  BufferRef AnsiToUtf16(int length, const void* address, int codePage, int& count);
  BufferRef Utf8ToUtf16(int length, const void* address, int& count);
  // `units` -1: length / 2.
  BufferRef Utf16ToAnsi(int length, const void* address, int codePage, int units, int& count);
  // `units` below 0: up to and including the first zero unit, else all;
  // 0 or beyond the length: all.
  BufferRef Utf16To8(int length, const void* address, int units, int& count);
  BufferRef AnsiToUtf8(int length, const void* address, int codePage, int& count);
  BufferRef Utf8ToAnsi(int length, const void* address, int codePage, int& count);
  BufferRef AsciiToUtf8(int length, const void* address, int& count);
  BufferRef Utf8ToAscii(int length, const void* address, int& count);
  int ToUnicode(int encoding = 1, int codePage = 0);
  int ToAnsi(int encoding = 0, int codePage = 0);
  int ToAnsiInBlocks(int encoding, int codePage, int blockMegabytes);
  int IsValidUtf8() const;
  static std::string CodeUnitToUtf8(std::string_view unit, int& length);
  static int CharsetNameToCodePage(std::string_view name);
  // "\x" escapes (two hexadecimal digits), then "\u" escapes (four).
  void DecodeEscapes(int codePage = 0, int encoding = -1);
  void DecodeEscapePrefix(std::string_view prefix, int digits, int codePage, int encoding);
  void AnsiToOem();
  void OemToAnsi();

  // ---- Gzip and Unicode normalisation (text_buffer_gzip.cpp) -------------
  int LoadLibs();
  int LoadNormalize();
  int GZip(int level = -1);
  int Gunzip(int keepCount = 0);
  // Forms: 1 composed, 2 decomposed, 5 compatibility composed, 6 compatibility
  // decomposed.
  int Normalize(int form, bool keepEncoding = false);

  // ---- Removing text, blocks and markup (text_buffer_remove.cpp) ---------
  int Remove(std::string_view text);
  // An empty end delimiter removes the start delimiter's occurrences alone.
  int RemoveBlocks(std::string_view startDelimiter, std::string_view endDelimiter = {},
                   bool noCase = false, bool keepDelimiters = false, int count = 0);
  void RemoveAttributes(std::string_view tagName, int count = 0);
  void RemoveXmlPrefixes();

  // ---- Percent encoding and file-name cleaning (text_buffer_percent.cpp) --
  // Option bits of UrlEncode: a character is kept unencoded when its bit is
  // set (16 instead writes a space as the escape and "20").
  static constexpr int kUrlKeepSpace = 1;
  static constexpr int kUrlKeepSpaceAlso = 2;
  static constexpr int kUrlKeepColon = 8;
  static constexpr int kUrlEscapeSpace = 16;
  static constexpr int kUrlKeepPathChars = 32;
  static constexpr int kUrlKeepUnreserved = 64;
  static constexpr int kUrlKeepQuery = 128;
  // Empty escape and space replacement texts select "%" and "+".
  void UrlEncode(int options = 0, std::string_view escape = {},
                 std::string_view spaceReplacement = {}, std::string_view safeChars = {});
  static std::string UrlEncode(std::string_view text, int options, std::string_view escape = {},
                               std::string_view spaceReplacement = {},
                               std::string_view safeChars = {});
  // A blank space replacement leaves every byte but the escapes alone.
  void UrlDecode(std::string_view escape = {}, std::string_view spaceReplacement = {});
  std::string CleanFileName(std::string_view text = {}, std::string_view replacement = {},
                            bool allowPath = false);

  // ---- Quoted-printable and MIME encoded words (text_buffer_mime.cpp) -----
  void QuotedPrintableEncode();
  void QuotedPrintableDecode();
  // kind 1: Base64 ("B"); any other: "Q".
  void EncodeMimeWord(std::string_view charset = {}, int kind = 2);
  void DecodeMimeWords();

  // ---- URL and path parts (text_buffer_url.cpp) ---------------------------
  // An empty argument examines the value.
  std::string UrlProtocol(std::string_view url = {}) const;
  std::string UrlHost(std::string_view url = {}, bool withPort = false) const;
  int UrlPort(std::string_view url = {}) const;
  std::string UrlPath(std::string_view url = {}, bool withFileName = false) const;
  std::string UrlFileName(std::string_view url = {}) const;
  std::string UrlParameters(std::string_view url = {}) const;
  std::string UrlParameter(std::string_view name, std::string_view url = {}) const;
  std::string PathOnly(std::string_view path = {}) const;
  std::string FileNameOnly(std::string_view path = {}, bool withExtension = false) const;

  // ==== Encodings, digests, lines, files and typed fields ===================

  // ---- Base64 (text_buffer_base64.cpp) -------------------------------------
  static constexpr int kBase64NoWrap = 1;
  static constexpr int kBase64NoPadding = 2;
  static constexpr int kBase64UrlSafe = 4;
  // Encodes the value in place; refused (result 0, value unchanged) while
  // BASE64 says the value already holds Base64 text. 1 when truncated.
  int Base64Encode(int options = 0);
  // Encodes the first `length` bytes of the value (below 1 or beyond the
  // value: all of it) into a caller's block; `length` returns the bytes
  // written. 1 when the block is missing or too small (output truncated).
  int Base64Encode(char* destination, int destinationSize, int& length);
  // Decodes the value in place; both alphabets at once, other bytes skipped.
  int Base64Decode();
  // Decodes the first `length` characters of the value into a caller's block;
  // `length` returns the decoded length. 1 when truncated.
  int Base64Decode(char* destination, int destinationSize, int& length);

  // ---- Hexadecimal text, number bases, GUID text, polyline (text_buffer_hex.cpp)
  static constexpr int kHexUpper = 1;
  static constexpr int kGuidNoDashes = 8;
  static constexpr int kGuidBraces = 256;
  static std::string ByteToHex(int byte);
  // 0 for an empty text or one longer than two characters.
  static int HexToByte(std::string_view text);
  static std::string LongToHex(std::int32_t value);
  // New std::malloc'ed blocks the caller frees ({nullptr, 0} when empty).
  // A count of 0 takes the bytes up to the last non-blank one.
  static BufferRef BytesToHex(int letterCase, const void* address, int length, int count = 0);
  static BufferRef StringToHex(std::string_view text, int letterCase, int count = 0);
  static BufferRef HexToBytes(std::string_view text);
  void ToHex(int letterCase = 0, bool spaced = false);
  void FromHex();
  // flags 0: 8-4-4-4-12 groups; kGuidBraces adds braces, kGuidNoDashes drops
  // the dashes. Only a value of exactly 16 bytes changes.
  void FormatGuid(int flags = 0);
  void ParseGuid() { FromHex(); }
  static std::string LongToString(std::int32_t value, int base, bool lowerCase = false);
  static std::int32_t StringToLong(std::string_view text, int base);
  int DivideInRadix(int divisor, int& remainder, int base);
  int ConvertRadix(int fromBase, int toBase);
  void ToHexArray();
  void FromHexArray();
  void PolylineDecode();

  // ---- Random text, GUIDs, digests (text_buffer_digests.cpp) ---------------
  static constexpr int kRandomUpper = 1;
  static constexpr int kRandomLower = 2;
  static constexpr int kRandomDigits = 4;
  static constexpr int kRandomFirstUpper = 8;
  static constexpr int kRandomSymbols = 16;
  static constexpr int kRandomHex = 32;
  static constexpr int kRandomGcat = 64;
  static constexpr int kRandomAnyByte = 128;
  static constexpr int kRandomNonZeroByte = 256;
  static constexpr int kRandomBlank = 512;
  // The value becomes `length` random characters; 1 when length < 1 or no
  // buffer could be had.
  int Random(int length, int flags = 0, std::string_view alphabet = {});
  std::string GetRandom(int length, int flags, std::string_view alphabet = {});
  // Seeds the process-wide generator (the first Random does it by itself).
  static void SeedRandom_();
  // The value becomes a version-4 GUID (16 bytes, or its text with bit 1).
  std::string MakeGuid(int flags = 0);
  // The digest of the text (of its first byteCount bytes when above 0, else
  // of it without trailing blanks), or of the value when the text is blank
  // and byteCount is not above 0. mode 1 hexadecimal, 2 Base64, else raw.
  std::string MD5(int mode = 0, std::string_view text = {}, int byteCount = 0) const;
  static int CharsetToCodePage(int charset, bool useSystem = false);

  // ---- Base32 and Ascii85 (text_buffer_base32.cpp) -------------------------
  static constexpr int kBase32NoWrap = 1;
  static constexpr int kBase32NoPadding = 2;
  static constexpr int kBase32DetectAlphabet = 1;
  static constexpr int kBase32Lenient = 16;
  static constexpr int kAscii85NoWrap = 1;
  static constexpr int kAscii85Delimiters = 8;
  // An alphabet is 32 digit symbols in value order and the pad symbol ("="
  // when only 32 are given). 1 on error, with the value emptied.
  int Base32Encode(std::string_view alphabet = {}, int options = 0);
  int Base32Decode(std::string_view alphabet = {}, int options = 0);
  void Ascii85Encode(int options = 0);
  // 0, or the position of the first invalid character (value not decoded).
  int Ascii85Decode();

  // ---- Lines: splitting, joining, sorting (text_buffer_lines.cpp) ----------
  static constexpr int kSortNoCase = 1;
  static constexpr int kSortCollated = 2;
  static constexpr int kSortByLength = 4;
  void Split(std::string_view separator, std::string_view quoteStart = {},
             std::string_view quoteEnd = {}, bool removeQuotes = false, bool clip = false,
             bool left = false, std::string_view quoteListSeparator = {},
             bool singleQuotePair = true, bool nested = false);
  void SplitEvery(int length);
  void SplitBetween(std::string_view startDelimiter, std::string_view endDelimiter,
                    bool noCase = false, bool exclusive = false);
  void SplitByMatch(std::string_view expression, bool noCase = false);
  // quoteMode 0: quote lines holding the separator; 1: every line; 2: lines
  // that were quoted and lines holding the separator.
  void Join(std::string_view separator, std::string_view quoteStart = {},
            std::string_view quoteEnd = {}, int quoteMode = 0);
  std::string GetLines(std::string_view separator, int start = 1, int end = 0) const;
  int Records() const { return LINES ? static_cast<int>(LINES->size()) : 0; }
  std::string GetLine(int lineNumber) const;
  void AddLine(int position, int length, const void* address);
  void AddLine(int position, std::string_view text);
  void AddLine(std::string_view text);
  void AddLineBytes(int length, const void* address);
  void SetLine(int lineNumber, int length, const void* address);
  void SetLine(int lineNumber, std::string_view text);
  void SetLine(int lineNumber, const TextBuffer& other);
  void SetLine(int lineNumber);
  int DeleteLine(int lineNumber);
  int RemoveEmptyLines();
  int RemoveLines(std::string_view alphabet);
  void FilterLines(std::string_view include, std::string_view exclude, bool noCase = false,
                   bool clip = false);
  // where: 1 the line begins with the text, 2 ends with it, else contains it.
  int InLine(std::string_view text, int step = 1, int start = 1, int end = 0, bool noCase = false,
             bool exact = false, int where = 0, bool clip = false) const;
  void SortLines(int order);
  void SortItems(std::string_view separator, std::string_view quoteStart = {},
                 std::string_view quoteEnd = {}, int order = kSortCollated, bool clip = false,
                 bool left = false);

  // ---- Files and byte-order marks (text_buffer_files.cpp) ------------------
  // Reads the file (from `offset`, negative counting from the end; `length`
  // bytes, 0 to the end) into the value; 1 done, 0 failed (LASTERROR).
  int LoadFile(std::string_view fileName, double offset = 0, int length = 0,
               bool removeBom = false);
  // Write the value, a text or a block to a file, replacing it or appending;
  // 1 done, 0 failed. count < 0 writes nothing, 0 the whole block, else the
  // first count bytes.
  int SaveFile(std::string_view fileName, bool append = false);
  int SaveFileText(std::string_view text, std::string_view fileName, bool append = false);
  int SaveFileBytes(std::string_view fileName, int length, const void* data, bool append = false,
                    int count = 0);
  // The size of the first file matching the name (wildcards allowed), or -1.
  static double FileSize(std::string_view fileName);
  int DetectBom(bool removeBom = false);
  void AddBom(int encoding = -1);

  // ---- Typed fields and byte order (text_buffer_typed.cpp) -----------------
  // Raw bytes of a packed decimal of the caller's size and places.
  struct DecimalRef {
    void* address = nullptr;
    int size = 0;
  };
  // A zero-terminated text of a declared size (at most size - 1 characters).
  struct CStringRef {
    char* address = nullptr;
    int size = 0;
  };
  // A length byte, then at most size - 1 characters.
  struct PStringRef {
    unsigned char* address = nullptr;
    int size = 0;
  };
  // A fixed-length text, padded with blanks, is a std::span<char>.
  // A variable named by a type-name text ("LONG", "STRING"...).
  using AnyVariable = std::variant<std::uint8_t*, std::int16_t*, std::uint16_t*, std::int32_t*,
                                   std::uint32_t*, float*, double*, std::string*>;

  template <typename Number>
  static constexpr bool kIsFieldNumber =
      std::is_same_v<Number, std::uint8_t> || std::is_same_v<Number, std::int16_t> ||
      std::is_same_v<Number, std::uint16_t> || std::is_same_v<Number, std::int32_t> ||
      std::is_same_v<Number, std::uint32_t> || std::is_same_v<Number, float> ||
      std::is_same_v<Number, double>;

  // Copies the variable's bytes to the 1-based position when they fit.
  template <typename Number>
  requires kIsFieldNumber<Number>
  static void WriteBuffer(Number variable, std::span<char> buffer, int position) {
    writeBytes(&variable, sizeof variable, buffer, position);
  }
  static void WriteBuffer(DecimalRef variable, std::span<char> buffer, int position);
  // Bytes beyond the buffer read as blanks.
  template <typename Number>
  requires kIsFieldNumber<Number>
  static void ReadBuffer(std::span<const char> buffer, Number& variable, int position) {
    readBytes(buffer, position, &variable, sizeof variable);
  }
  static void ReadBuffer(std::span<const char> buffer, DecimalRef variable, int position);
  static void ReadBuffer(std::span<const char> buffer, CStringRef variable, int position);
  static void ReadBuffer(std::span<const char> buffer, std::span<char> variable, int position);
  static void ReadBuffer(std::span<const char> buffer, PStringRef variable, int position);
  // From a source text of the zero-terminated or length-prefixed layout into
  // a fixed-length text (a fixed-length source is the buffer form above).
  static void ReadBuffer(CStringRef source, std::span<char> variable, int position);
  static void ReadBuffer(PStringRef source, std::span<char> variable, int position);

  template <typename Number>
  requires kIsFieldNumber<Number>
  void FromVariable(Number variable) { SetValue(static_cast<int>(sizeof variable), &variable); }
  void FromVariable(DecimalRef variable);
  void FromVariable(CStringRef variable);
  void FromVariable(std::span<const char> variable);
  void FromVariable(PStringRef variable);
  // ReadBuffer with the value as the buffer; an empty value changes nothing.
  template <typename Variable>
  void ToVariable(Variable&& variable, int position = 1) {
    if (DATAEND_ > 0) ReadBuffer(std::span<const char>(view()), variable, position);
  }
  int GetBytes(std::string_view typeName, AnyVariable variable) const;
  int SetBytes(std::string_view typeName, AnyVariable variable);
  static int CopyToVariable(std::string_view source, std::span<char> variable, bool clip = false);
  static std::int32_t ByteSwap32(std::int32_t number);
  static std::uint32_t ByteSwap32(std::uint32_t number);
  void SwapByteOrder();
  void ToBigEndian();
  void ToLittleEndian();

  // ---- Small utilities (text_buffer_utilities.cpp) -------------------------
  // 1 when the value begins (ends) with the text; an empty text is found.
  int StartsWith(std::string_view text, bool caseSensitive = true, bool clip = true) const;
  int EndsWith(std::string_view text, bool caseSensitive = true, bool clip = true) const;
  // ASN.1 BER elements: tag bytes, length (0x84 and four bytes from 128 on),
  // content. Without a content the value is the content.
  void AsnWrap(std::string_view tag);
  void AsnWrap(std::string_view tag, std::string_view content);
  void AsnEncodeNumber(std::string_view tag, std::int32_t number);
  // Reads the element at `position` (0 means 1) and moves past it; the first
  // tag byte goes to `tag` when given. 1 when the value ends too soon.
  int AsnReadElement(int& position, TextBuffer& content, char* tag = nullptr,
                     int tagSize = 0) const;
  // Hexadecimal (format 32) or decimal dumps, 16 bytes a line, to the debug
  // output or into a target (address null: this value).
  static constexpr int kPeekHex = 32;
  void PeekRam(int format = kPeekHex);
  void PeekRam(const void* address, int length, int format);
  void PeekRam(TextBuffer& target, const void* address, int length, int format);
  // "2,1,3" as 2 + 1 * 256 + 3 * 65536; -1 when the text holds no digits.
  static std::int32_t VersionToLong(std::string_view text);
  int ToBlob(std::string* blob);
  int FromBlob(const std::string* blob);

  // ---- Serialising records (text_buffer_serialize.cpp) ---------------------
  // A record as the serialiser sees it: its fields in declaration order, each
  // a text, the elements of an array, or a nested record.
  struct RecordField {
    std::vector<std::string> values;  // one text, or one per array element
    std::vector<RecordField> fields;  // a nested record's fields
    bool isRecord = false;
  };
  using RecordImage = std::vector<RecordField>;
  // Appends one line per record. separators: one per nesting level divided by
  // "I" ("," when empty); the level-th byte of the quote texts quotes that
  // level. clearFirst 1 empties the value first; alwaysQuote bit 1 quotes
  // every field.
  void SerializeQueue(const std::vector<RecordImage>& queue, std::string_view lineEnding = {},
                      std::string_view separators = {}, std::string_view quoteStart = {},
                      std::string_view quoteEnd = {}, int level = 1, int clearFirst = 0,
                      int alwaysQuote = 0);
  // Appends the fields of one record; one more than the fields gone through.
  int SerializeGroup(const RecordImage& group, std::string_view separators = {},
                     std::string_view quoteStart = {}, std::string_view quoteEnd = {},
                     int level = 1, int clearFirst = 0, int alwaysQuote = 0);
  // Two trace lines: the number of records, then the serialised queue.
  static void TraceQueue(const std::vector<RecordImage>& queue);

  // ==== Markup, escaping, words and colours ==================================

  // ---- HTML character references (text_buffer_entities.cpp) ---------------
  // Bytes fromCode..toCode become "&#" decimal ";" (fromCode below 0 counts
  // as 128, toCode above 255 as 255).
  void CharsToEntities(int fromCode, int toCode);
  void NamedToNumericEntities();
  // Numeric references become characters of the value's ENCODING; the number
  // replaced. Code points above U+FFFF become four UTF-8 bytes or a surrogate
  // pair; surrogates and codes beyond U+10FFFF are left as they are.
  int DecEntityToChar();

  // ---- XML, JSON and CSV escaping (text_buffer_escape.cpp) -----------------
  static constexpr int kXmlKeepReferences = 1;
  static constexpr int kXmlKeepNumericReferences = 2;
  static constexpr int kXmlEscapePercent = 4;
  static constexpr int kXmlEscapeHighBytes = 8;
  static constexpr int kJsonEscapeLessThan = 4;
  void XmlEncode(int options = 0);
  void XmlDecode();
  void JsonEncode(int options = 0);
  // 0, or the position of the backslash of an invalid or cut escape (the
  // value is then left as it was).
  int JsonDecode();
  std::string CsvQuote();
  static std::string CsvQuoteText(std::string_view text);
  std::string CsvQuoteWith(std::string_view separator, std::string_view lineEnd,
                           bool alwaysQuote = false);
  static std::string CsvQuoteTextWith(std::string_view text, std::string_view separator,
                                      std::string_view lineEnd, bool alwaysQuote = false);
  std::string CsvUnquote();
  static std::string CsvUnquoteText(std::string_view text);

  // ---- Markup layout and line endings (text_buffer_markup.cpp) -------------
  static constexpr int kLineEndNone = 0;
  static constexpr int kLineEndCrLf = 1;
  static constexpr int kLineEndCr = 2;
  static constexpr int kLineEndLf = 3;
  static constexpr int kLineEndHtml = 4;
  void PrettyHtml();
  void ConvertLineEndings(int target, int source = 0);
  // where 1: after the first ">"; -1: before the last "<".
  void InsertInMarkup(std::string_view text, int where);
  void HtmlToText();

  // ---- Words and word wrap (text_buffer_words.cpp) -------------------------
  static constexpr int kWordsPlain = 0;
  static constexpr int kWordsMarkup = 1;
  static constexpr int kWordsBlank = 2;
  static constexpr int kWordsControls = 8;
  // direction 1 (or 0) forward, -1 backward.
  int WordStart(int position, int wordType = 0, int direction = 1,
                std::string_view delimiters = {}) const;
  int WordEnd(int position, int wordType = 0, std::string_view delimiters = {},
              bool numbers = false) const;
  int CountWords(int start = 1, int wordType = 0, std::string_view delimiters = {},
                 bool numbers = false) const;
  std::string GetWord(int n, int start, int wordType, int& wordStart, int& wordEnd,
                      std::string_view delimiters = {}, bool numbers = false) const;
  std::string Word(int n, int start = 1, int wordType = 0, std::string_view delimiters = {},
                   bool numbers = false) const;
  void WordsOnly(int wordType = 0, std::string_view delimiters = {}, bool numbers = false);
  void WordWrap(int width, bool keepLineBreaks = false, bool trimLines = false);

  // ---- Formatting and reading by pictures (text_buffer_pictures.cpp) ------
  // One call to the value formatter or parser (raw flag and options 0). The
  // Set and value forms store the result, the others return it.
  void SetDeformatted(std::string_view text, std::string_view picture);
  void DeformatValue(std::string_view picture);
  static std::string DeformatString(std::string_view text, std::string_view picture);
  std::string GetDeformatted(std::string_view picture) const;
  // A time of day read without a picture, as the text of its number
  // (hundredths plus one); an empty value or text stays empty.
  void DeformatTimeValue();
  static std::string DeformatTimeString(std::string_view text);
  void SetFormatted(std::string_view text, std::string_view picture);
  void FormatValue(std::string_view picture);
  // As FormatValue, but an empty value stays empty.
  void FormatIfSet(std::string_view picture);
  static std::string FormatString(std::string_view text, std::string_view picture);
  std::string GetFormatted(std::string_view picture) const;
  // A time (hundredths plus one, given as the text of a number) by a picture.
  static std::string FormatTimeString(std::string_view time, std::string_view picture);
  // 1 when the value looks like a time of day (10:30, 9pm), else 0.
  int IsTime() const;
  static int IsTimeString(std::string_view text);

  // ---- Colours (text_buffer_colours.cpp) -----------------------------------
  // Colour numbers are red + 256 * green + 65536 * blue; a negative number
  // other than -1 names a system colour (its index with the top bit set).
  static std::int32_t HexToColor(std::string_view text);
  void ColorToHex(bool withHash = true);
  static std::int32_t ColorFromText(std::string_view text);
  static std::string ColorNameToHex(std::string_view name, bool withHash = true);

 private:
  std::string_view view() const { return {VALUE.address, static_cast<std::size_t>(DATAEND_)}; }
  void setBuffer(char* address, int size);
  bool ownsAddress(const void* address) const;
  bool reallocate(int length, bool exact);
  void shrinkTo(int length);
  bool splice(int offset, int removeCount, const char* data, int length);
  int removeBytesWhere(const unsigned char* marked);
  void appendWithSeparator(int length, const void* address, int flags, std::string_view separator);
  void prependWithSeparator(std::string_view text, std::string_view separator);
  bool appendToStreamFile(const char* data, int length);
  int searchDelimiter(std::string_view delimiter, int occurrence, int start, int end,
                      bool noCase) const;
  int setFromDelimiter(int found, int keepStart, int keepEnd, bool clearIfMissing);
  int caseConvert(bool toUpper, std::string_view quoteStart, std::string_view quoteEnd);
  static void writeBytes(const void* bytes, std::size_t count, std::span<char> buffer,
                         int position);
  static void readBytes(std::span<const char> buffer, int position, void* bytes, std::size_t count);
};

}  // namespace textlib

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ServerHost.h"

namespace fd::tds {

// TDS packet types the server reads and writes.
inline constexpr std::uint8_t kPacketSqlBatch = 0x01;
inline constexpr std::uint8_t kPacketRpc = 0x03;
inline constexpr std::uint8_t kPacketReply = 0x04;
inline constexpr std::uint8_t kPacketAttention = 0x06;
inline constexpr std::uint8_t kPacketTransaction = 0x0E;
inline constexpr std::uint8_t kPacketLogin7 = 0x10;
inline constexpr std::uint8_t kPacketPrelogin = 0x12;

inline constexpr std::uint16_t kDoneMore = 0x01;
inline constexpr std::uint16_t kDoneError = 0x02;
inline constexpr std::uint16_t kDoneCount = 0x10;
inline constexpr std::uint16_t kDoneAttention = 0x20;

// TDS versions as the client sends them in LOGIN7 (little-endian there).
inline constexpr std::uint32_t kTds70 = 0x70000000;
inline constexpr std::uint32_t kTds71 = 0x71000001;
inline constexpr std::uint32_t kTds72 = 0x72090002;
inline constexpr std::uint32_t kTds74 = 0x74000004;

// The text cut to at most `units` UTF-16 code units, never inside a character.
std::string truncatedUtf8(std::string_view text, std::size_t units);

// The longest message text sent: what SQL Server's PRINT gives of nvarchar text.
inline constexpr std::size_t kMaxMessageCharacters = 4000;

// A malformed message from the client: the connection is dropped.
struct ProtocolError {
  std::string what;
};

// One client message: the payloads of its packets joined, and the type of its first packet.
struct Message {
  std::uint8_t type = 0;
  std::vector<std::uint8_t> payload;
};

// Reads packets from a socket until one with the end-of-message bit; false when the peer closed
// the connection (cleanly or mid-packet). Throws ProtocolError for an impossible header.
bool readMessage(Socket socket, Message& message);

// Sends a reply split into packets of packetSize bytes; false when the peer is gone.
bool sendMessage(Socket socket, std::uint8_t type, const std::vector<std::uint8_t>& payload,
                 std::uint16_t spid, std::size_t packetSize);

// The 5 collation bytes of Latin1_General_CI_AS.
inline constexpr std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

struct Column {
  enum class Type { NVarChar, Int };
  std::string name;
  Type type = Type::NVarChar;
  std::uint16_t maxCharacters = 128;
};

// Builds the token stream of one reply, shaped for the client's TDS version.
class ReplyBuilder {
 public:
  explicit ReplyBuilder(std::uint32_t tdsVersion) : version_(tdsVersion) {}

  void envChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
  void envChangeCollation();
  // token 0xAB (INFO) or 0xAA (ERROR).
  void message(bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
               std::string_view text, std::string_view server, std::int32_t line);
  void loginAck(std::string_view programName);
  void columns(const std::vector<Column>& columns);
  // One row; a value per column, as text (INT columns hold decimal text).
  void row(const std::vector<Column>& columns, const std::vector<std::string>& values);
  void done(std::uint16_t status, std::uint16_t command, std::uint64_t rowCount);

  // Sets the MORE bit on every DONE but the last, which the client needs to know where the
  // reply ends.
  std::vector<std::uint8_t> finish();
  bool empty() const { return bytes_.empty(); }

 private:
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v);
  void u32(std::uint32_t v);
  void bVarchar(std::string_view text);
  void usVarchar(std::string_view text);
  bool atLeast71() const { return version_ >= kTds71; }
  bool atLeast72() const { return version_ >= kTds72; }

  std::uint32_t version_;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> doneOffsets_;
};

std::vector<std::uint8_t> preloginReply();

}  // namespace fd::tds

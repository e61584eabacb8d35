#include "TdsWire.h"

#include <cstring>

#include "platform/Text.h"

namespace fd::tds {

namespace {

// A client message may span many packets; this caps what one connection can make us hold.
constexpr std::size_t kMaxMessageBytes = 4 * 1024 * 1024;
constexpr std::size_t kHeaderBytes = 8;
// The largest packet size a TDS client may negotiate.
constexpr std::size_t kMaxPacketBytes = 32767;

bool knownType(std::uint8_t type) {
  return type == kPacketSqlBatch || type == kPacketRpc || type == kPacketAttention ||
         type == kPacketTransaction || type == kPacketLogin7 || type == kPacketPrelogin;
}

// Moves exactly n bytes, step(done) moving some of what is left; false when the peer closed or
// the socket failed.
template <typename Step>
bool moveAll(std::size_t n, Step step) {
  std::size_t done = 0;
  while (done < n) {
    const long r = step(done);
    if (r <= 0)
      return false;
    done += static_cast<std::size_t>(r);
  }
  return true;
}

bool readAll(Socket socket, std::uint8_t* buffer, std::size_t n) {
  return moveAll(n, [&](std::size_t done) { return receiveSome(socket, buffer + done, n - done); });
}

bool writeAll(Socket socket, const std::uint8_t* data, std::size_t n) {
  return moveAll(n, [&](std::size_t done) { return sendSome(socket, data + done, n - done); });
}

}  // namespace

bool readMessage(Socket socket, Message& message) {
  message.payload.clear();
  bool first = true;
  for (;;) {
    std::uint8_t header[kHeaderBytes];
    if (!readAll(socket, header, kHeaderBytes))
      return false;
    std::size_t length = (header[2] << 8) | header[3];
    if (length < kHeaderBytes)
      throw ProtocolError{"packet shorter than its header"};
    if (length > kMaxPacketBytes)
      throw ProtocolError{"packet longer than any packet size"};
    if (!knownType(header[0]))
      throw ProtocolError{"unknown packet type"};
    if (first) {
      message.type = header[0];
      first = false;
    } else if (header[0] != message.type) {
      throw ProtocolError{"packet type changed inside a message"};
    }
    std::size_t body = length - kHeaderBytes;
    if (message.payload.size() + body > kMaxMessageBytes)
      throw ProtocolError{"message too long"};
    std::size_t at = message.payload.size();
    message.payload.resize(at + body);
    if (!readAll(socket, message.payload.data() + at, body))
      return false;
    if (header[1] & 0x01)
      return true;
  }
}

bool sendMessage(Socket socket, std::uint8_t type, const std::vector<std::uint8_t>& payload,
                 std::uint16_t spid, std::size_t packetSize) {
  const std::size_t chunk = packetSize - kHeaderBytes;
  std::size_t at = 0;
  std::uint8_t packetId = 1;
  std::vector<std::uint8_t> packet;
  do {
    std::size_t n = std::min(chunk, payload.size() - at);
    bool last = at + n == payload.size();
    std::size_t length = n + kHeaderBytes;
    packet.assign({type, static_cast<std::uint8_t>(last ? 0x01 : 0x00),
                   static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                   static_cast<std::uint8_t>(spid >> 8), static_cast<std::uint8_t>(spid),
                   packetId++, 0});
    packet.insert(packet.end(), payload.begin() + at, payload.begin() + at + n);
    if (!writeAll(socket, packet.data(), packet.size()))
      return false;
    at += n;
  } while (at < payload.size());
  return true;
}

void ReplyBuilder::u16(std::uint16_t v) {
  u8(v & 0xFF);
  u8(v >> 8);
}

void ReplyBuilder::u32(std::uint32_t v) {
  u16(v & 0xFFFF);
  u16(v >> 16);
}

void ReplyBuilder::bVarchar(std::string_view text) {
  std::string wide = utf8ToUtf16le(text);
  u8(static_cast<std::uint8_t>(wide.size() / 2));
  bytes_.insert(bytes_.end(), wide.begin(), wide.end());
}

std::string truncatedUtf8(std::string_view text, std::size_t units) {
  std::string wide = utf8ToUtf16le(text);
  if (wide.size() <= 2 * units)
    return std::string(text);
  wide.resize(2 * units);
  // Never half a surrogate pair.
  const auto last = static_cast<std::uint8_t>(wide[wide.size() - 1]);
  if (last >= 0xD8 && last <= 0xDB)
    wide.resize(wide.size() - 2);
  return utf16ToUtf8(wide);
}

void ReplyBuilder::usVarchar(std::string_view text) {
  std::string wide = utf8ToUtf16le(truncatedUtf8(text, 0xFFFF));
  u16(static_cast<std::uint16_t>(wide.size() / 2));
  bytes_.insert(bytes_.end(), wide.begin(), wide.end());
}

void ReplyBuilder::envChange(std::uint8_t type, std::string_view newValue,
                             std::string_view oldValue) {
  u8(0xE3);
  std::size_t lengthAt = bytes_.size();
  u16(0);
  u8(type);
  bVarchar(newValue);
  bVarchar(oldValue);
  std::size_t length = bytes_.size() - lengthAt - 2;
  bytes_[lengthAt] = length & 0xFF;
  bytes_[lengthAt + 1] = length >> 8;
}

void ReplyBuilder::envChangeCollation() {
  if (!atLeast71())
    return;
  u8(0xE3);
  u16(1 + 1 + 5 + 1);
  u8(7);
  u8(5);
  for (std::uint8_t b : kCollation)
    u8(b);
  u8(0);
}

void ReplyBuilder::message(bool error, std::int32_t number, std::uint8_t state,
                           std::uint8_t severity, std::string_view text, std::string_view server,
                           std::int32_t line) {
  u8(error ? 0xAA : 0xAB);
  std::size_t lengthAt = bytes_.size();
  u16(0);
  u32(static_cast<std::uint32_t>(number));
  u8(state);
  u8(severity);
  // As SQL Server's PRINT of nvarchar text, and within the token's 16-bit length.
  usVarchar(truncatedUtf8(text, kMaxMessageCharacters));
  bVarchar(server);
  bVarchar("");
  if (atLeast72()) {
    u32(static_cast<std::uint32_t>(line));
  } else {
    u16(static_cast<std::uint16_t>(line));
  }
  std::size_t length = bytes_.size() - lengthAt - 2;
  bytes_[lengthAt] = length & 0xFF;
  bytes_[lengthAt + 1] = length >> 8;
}

void ReplyBuilder::loginAck(std::string_view programName) {
  u8(0xAD);
  std::string wide = utf8ToUtf16le(programName);
  u16(static_cast<std::uint16_t>(10 + wide.size()));
  u8(1);
  // The version travels big-endian here, unlike in LOGIN7.
  u8(version_ >> 24);
  u8((version_ >> 16) & 0xFF);
  u8((version_ >> 8) & 0xFF);
  u8(version_ & 0xFF);
  bVarchar(programName);
  for (std::uint8_t b : {0x0F, 0x00, 0x07, 0xD0})
    u8(b);
}

void ReplyBuilder::columns(const std::vector<Column>& columns) {
  u8(0x81);
  u16(static_cast<std::uint16_t>(columns.size()));
  for (const Column& c : columns) {
    if (atLeast72()) {
      u32(0);
    } else {
      u16(0);
    }
    u16(0x0001);  // nullable
    if (c.type == Column::Type::Int) {
      u8(0x26);
      u8(4);
    } else {
      u8(0xE7);
      u16(static_cast<std::uint16_t>(c.maxCharacters * 2));
      if (atLeast71()) {
        for (std::uint8_t b : kCollation)
          u8(b);
      }
    }
    bVarchar(c.name);
  }
}

void ReplyBuilder::row(const std::vector<Column>& columns, const std::vector<std::string>& values) {
  u8(0xD1);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].type == Column::Type::Int) {
      u8(4);
      u32(static_cast<std::uint32_t>(std::stol(values[i])));
    } else {
      std::string wide = utf8ToUtf16le(values[i]);
      u16(static_cast<std::uint16_t>(wide.size()));
      bytes_.insert(bytes_.end(), wide.begin(), wide.end());
    }
  }
}

void ReplyBuilder::done(std::uint16_t status, std::uint16_t command, std::uint64_t rowCount) {
  doneOffsets_.push_back(bytes_.size());
  u8(0xFD);
  u16(status);
  u16(command);
  if (atLeast72()) {
    u32(rowCount & 0xFFFFFFFF);
    u32(rowCount >> 32);
  } else {
    u32(static_cast<std::uint32_t>(rowCount));
  }
}

std::vector<std::uint8_t> ReplyBuilder::finish() {
  for (std::size_t i = 0; i + 1 < doneOffsets_.size(); ++i)
    bytes_[doneOffsets_[i] + 1] |= kDoneMore;
  if (!doneOffsets_.empty())
    bytes_[doneOffsets_.back() + 1] &= ~kDoneMore;
  doneOffsets_.clear();
  return std::move(bytes_);
}

std::vector<std::uint8_t> preloginReply() {
  // Options: VERSION, ENCRYPTION (02: not supported, so no TLS), INSTOPT, THREADID (empty), MARS.
  const std::uint8_t options[][2] = {{0, 6}, {1, 1}, {2, 1}, {3, 0}, {4, 1}};
  std::vector<std::uint8_t> out;
  std::uint16_t offset = 5 * 5 + 1;
  for (auto& o : options) {
    out.insert(out.end(), {o[0], static_cast<std::uint8_t>(offset >> 8),
                           static_cast<std::uint8_t>(offset), 0, o[1]});
    offset += o[1];
  }
  out.push_back(0xFF);
  out.insert(out.end(), {0x0F, 0x00, 0x07, 0xD0, 0x00, 0x00});  // 15.0.2000
  out.push_back(0x02);
  out.push_back(0x00);
  out.push_back(0x00);
  return out;
}

}  // namespace fd::tds

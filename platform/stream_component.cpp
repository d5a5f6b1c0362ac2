#include "platform/stream_component.h"

#include <algorithm>
#include <string>

#include "platform/stream_charset.h"

namespace platform {
namespace {

constexpr std::int32_t binary_type = 1;
constexpr std::int32_t text_type = 2;
constexpr std::int32_t all = -1;  // Read/ReadText count: everything from the position
constexpr std::int32_t write_line = 1;  // WriteText option: add a line separator

// An argument the caller may have left out; a member invoked directly may get fewer than declared.
const Value& argument(std::span<const Value> args, size_t index) {
  static const Value missing = Value::make_missing();
  return index < args.size() ? args[index] : missing;
}

bool is_left_out(const Value& value) {
  return value.type == ValueType::missing || value.type == ValueType::empty;
}

std::optional<std::int32_t> integer(const Value& value) {
  const std::optional<Value> converted = change_type(value, ValueType::int32);
  if (!converted) return std::nullopt;
  return converted->int32;
}

std::optional<std::int32_t> integer_or(const Value& value, std::int32_t absent) {
  if (is_left_out(value)) return absent;
  return integer(value);
}

class Stream : public Component {
 public:
  std::span<const Member> members() const override { return table(); }

 private:
  using Handler = bool (Stream::*)(std::span<const Value>, Value&);

  template <Handler handler>
  static bool dispatch(Component& self, std::span<const Value> args, Value& result) {
    return (static_cast<Stream&>(self).*handler)(args, result);
  }

  static std::span<const Member> table() {
    static const Member members[] = {
        {"Type", InvokeKind::property_get, 0, 0, false, dispatch<&Stream::get_type>},
        {"Type", InvokeKind::property_put, 1, 0, false, dispatch<&Stream::put_type>},
        {"Charset", InvokeKind::property_get, 0, 0, false, dispatch<&Stream::get_charset>},
        {"Charset", InvokeKind::property_put, 1, 0, false, dispatch<&Stream::put_charset>},
        {"Position", InvokeKind::property_get, 0, 0, false, dispatch<&Stream::get_position>},
        {"Position", InvokeKind::property_put, 1, 0, false, dispatch<&Stream::put_position>},
        {"Size", InvokeKind::property_get, 0, 0, false, dispatch<&Stream::get_size>},
        {"EOS", InvokeKind::property_get, 0, 0, false, dispatch<&Stream::get_eos>},
        // Source, mode, options, user name, password: only the empty stream is supported.
        {"Open", InvokeKind::method, 5, 5, false, dispatch<&Stream::open>},
        {"Close", InvokeKind::method, 0, 0, false, dispatch<&Stream::close>},
        {"Write", InvokeKind::method, 1, 0, false, dispatch<&Stream::write>},
        {"WriteText", InvokeKind::method, 2, 1, false, dispatch<&Stream::write_text>},
        {"Read", InvokeKind::method, 1, 1, false, dispatch<&Stream::read>},
        {"ReadText", InvokeKind::method, 1, 1, false, dispatch<&Stream::read_text>},
        {"SetEOS", InvokeKind::method, 0, 0, false, dispatch<&Stream::set_eos>},
    };
    return members;
  }

  // Type and charset may only change where no data has been read or written in the old one.
  bool at_start_or_closed() const { return !open_ || position_ == 0; }

  bool get_type(std::span<const Value>, Value& result) {
    result = Value::make_int(type_);
    return true;
  }

  bool put_type(std::span<const Value> args, Value&) {
    const std::optional<std::int32_t> type = integer(argument(args, 0));
    if (!type || (*type != binary_type && *type != text_type) || !at_start_or_closed()) {
      return false;
    }
    type_ = *type;
    return true;
  }

  bool get_charset(std::span<const Value>, Value& result) {
    result = Value::make_string(charset_name_);
    return true;
  }

  bool put_charset(std::span<const Value> args, Value&) {
    const std::optional<Value> name = change_type(argument(args, 0), ValueType::string);
    if (!name || !at_start_or_closed()) return false;
    std::string ascii;
    for (char16_t c : name->string) {
      if (c > 0x7F) return false;
      ascii.push_back(static_cast<char>(c));
    }
    std::optional<StreamCharset> charset = StreamCharset::find(ascii);
    if (!charset) return false;
    charset_ = *charset;
    charset_name_ = name->string;
    return true;
  }

  bool get_position(std::span<const Value>, Value& result) {
    if (!open_) return false;
    result = Value::make_int(static_cast<std::int32_t>(position_));
    return true;
  }

  // A position past the end grows the stream with zero bytes up to it.
  bool put_position(std::span<const Value> args, Value&) {
    const std::optional<std::int32_t> position = integer(argument(args, 0));
    if (!open_ || !position || *position < 0) return false;
    position_ = static_cast<size_t>(*position);
    if (position_ > data_.size()) data_.resize(position_);
    return true;
  }

  bool get_size(std::span<const Value>, Value& result) {
    if (!open_) return false;
    result = Value::make_int(static_cast<std::int32_t>(data_.size()));
    return true;
  }

  bool get_eos(std::span<const Value>, Value& result) {
    if (!open_) return false;
    result = Value::make_bool(position_ >= data_.size());
    return true;
  }

  bool open(std::span<const Value> args, Value&) {
    if (open_ || !is_left_out(argument(args, 0))) return false;
    open_ = true;
    data_.clear();
    position_ = 0;
    return true;
  }

  bool close(std::span<const Value>, Value&) {
    if (!open_) return false;
    open_ = false;
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
    return true;
  }

  void put_bytes(std::vector<std::uint8_t>&& bytes) {
    if (data_.empty()) {  // the usual case: a fresh stream takes the bytes over
      data_ = std::move(bytes);
      position_ = data_.size();
      return;
    }
    put_bytes(std::span<const std::uint8_t>(bytes));
  }

  void put_bytes(std::span<const std::uint8_t> bytes) {
    const size_t overwritten = std::min(bytes.size(), data_.size() - position_);
    std::copy_n(bytes.begin(), overwritten, data_.begin() + static_cast<std::ptrdiff_t>(position_));
    data_.insert(data_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(overwritten),
                 bytes.end());
    position_ += bytes.size();
  }

  bool write(std::span<const Value> args, Value&) {
    if (!open_ || type_ != binary_type) return false;
    const Value& buffer = argument(args, 0);
    if (buffer.type != ValueType::byte_array) return false;
    put_bytes(buffer.bytes);
    return true;
  }

  bool write_text(std::span<const Value> args, Value&) {
    if (!open_ || type_ != text_type) return false;
    const Value& data = argument(args, 0);
    std::optional<Value> converted;
    if (data.type != ValueType::string) {  // a string is encoded in place: texts can be large
      converted = change_type(data, ValueType::string);
      if (!converted) return false;
    }
    const std::optional<std::int32_t> option = integer_or(argument(args, 1), 0);
    if (!option || (*option != 0 && *option != write_line)) return false;
    put_bytes(charset_.encode(converted ? converted->string : data.string));
    if (*option == write_line) put_bytes(charset_.encode(u"\r\n"));
    return true;
  }

  // How many of the bytes after the position a count asks for; nothing for a refused count.
  std::optional<size_t> requested(const Value& count_argument) const {
    const std::optional<std::int32_t> count = integer_or(count_argument, all);
    if (!count || *count < all) return std::nullopt;
    const size_t remaining = data_.size() - position_;
    return *count == all ? remaining : std::min(remaining, static_cast<size_t>(*count));
  }

  bool read(std::span<const Value> args, Value& result) {
    if (!open_ || type_ != binary_type) return false;
    const std::optional<size_t> count = requested(argument(args, 0));
    if (!count) return false;
    const auto from = data_.begin() + static_cast<std::ptrdiff_t>(position_);
    result = Value::make_bytes({from, from + static_cast<std::ptrdiff_t>(*count)});
    position_ += *count;
    return true;
  }

  bool read_text(std::span<const Value> args, Value& result) {
    if (!open_ || type_ != text_type) return false;
    const std::optional<std::int32_t> count = integer_or(argument(args, 0), all);
    if (!count || *count < all) return false;
    const std::optional<size_t> max_units =
        *count == all ? std::nullopt : std::optional<size_t>(static_cast<size_t>(*count));
    StreamCharset::Decoded decoded = charset_.decode(
        std::span(data_).subspan(position_), max_units, position_ == 0);
    position_ += decoded.consumed;
    result = Value::make_string(std::move(decoded.text));
    return true;
  }

  bool set_eos(std::span<const Value>, Value&) {
    if (!open_) return false;
    data_.resize(position_);
    return true;
  }

  bool open_ = false;
  std::int32_t type_ = text_type;
  StreamCharset charset_ = *StreamCharset::find("Unicode");
  std::u16string charset_name_ = u"Unicode";
  std::vector<std::uint8_t> data_;
  size_t position_ = 0;
};

}  // namespace

ObjectRef make_stream_component() { return std::make_shared<Stream>(); }

}  // namespace platform

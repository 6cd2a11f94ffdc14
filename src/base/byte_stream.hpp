#pragma once
// Records written and read field by field, little-endian: a writer that appends, and a reader
// that never reads past its bytes (a read beyond them gives zeros and marks the reader failed).

#include "base/byte_order.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

class ByteWriter {
public:
    void u8(std::uint32_t v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
    void i32(std::int32_t v) { appendLe32(bytes_, static_cast<std::uint32_t>(v)); }
    void u32(std::uint32_t v) { appendLe32(bytes_, v); }
    void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void raw(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    // A zero-terminated text in a field of `size` bytes: cut to size - 1 bytes, the rest zero.
    void field(std::string_view s, std::size_t size) {
        std::size_t n = s.size() < size ? s.size() : size - 1;
        raw(s.substr(0, n));
        zeros(size - n);
    }
    std::size_t size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8() { return has(1) ? bytes_[pos_++] : fail8(); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint32_t u32() {
        if (!has(4))
            return fail32();
        std::uint32_t v = readLe32(bytes_.data() + pos_);
        pos_ += 4;
        return v;
    }
    void skip(std::size_t n) {
        if (has(n))
            pos_ += n;
        else
            failed_ = true, pos_ = bytes_.size();
    }
    // `n` bytes as they are.
    std::string raw(std::size_t n) {
        if (!has(n)) {
            failed_ = true;
            pos_ = bytes_.size();
            return {};
        }
        std::string s(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n;
        return s;
    }
    // A zero-terminated text in a field of `size` bytes: the bytes before the first zero.
    std::string field(std::size_t size) {
        std::string s = raw(size);
        if (auto zero = s.find('\0'); zero != std::string::npos)
            s.resize(zero);
        return s;
    }
    bool failed() const { return failed_; }
    std::size_t position() const { return pos_; }
    std::size_t left() const { return bytes_.size() - pos_; }

private:
    bool has(std::size_t n) const { return !failed_ && bytes_.size() - pos_ >= n; }
    std::uint8_t fail8() {
        failed_ = true;
        return 0;
    }
    std::uint32_t fail32() {
        failed_ = true;
        return 0;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace vura

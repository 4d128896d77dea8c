// Little-endian byte appender shared by the file-format writers of the tools.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) {}

    void u8(uint8_t v) { out_->push_back(v); }
    void i16(int16_t v) { unsignedLE(static_cast<uint16_t>(v), 2); }
    void u32(uint32_t v) { unsignedLE(v, 4); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void bytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        out_->insert(out_->end(), p, p + size);
    }
    // i16 length including the terminating zero, then the bytes and the zero; "" is length 0.
    void string16(const std::string& s) {
        if (s.empty()) {
            i16(0);
            return;
        }
        i16(static_cast<int16_t>(s.size() + 1));
        bytes(s.data(), s.size());
        u8(0);
    }

private:
    void unsignedLE(uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out_->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t>* out_;
};

#include "link/Connection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/Crc16.h"

namespace varnex {

Connection::~Connection() = default;

void Connection::OnReceive(const std::uint8_t* data, std::size_t length) {
    receiveListeners.ForEach([&](Connection* c) { c->OnReceive(data, length); });
}

Slot* Connection::CreateSlot(std::uint16_t number) { return new Slot(number, this); }

Slot::Slot(std::uint16_t number, Connection* parent) : number(number), parent(parent) {
    if (parent) parent->receiveListeners.Add(this);
}

Slot::~Slot() {
    if (parent) parent->receiveListeners.Remove(this);
}

bool Slot::IsOpen() { return parent != nullptr && parent->IsOpen(); }

void Slot::Write(const std::uint8_t* data, std::size_t length) {
    if (!parent) return;
    for (std::size_t offset = 0; offset < length; offset += kMaxPayload) {
        const std::size_t n = std::min(kMaxPayload, length - offset);
        const std::uint8_t header[6] = {0x55, 0xAA, sequence, static_cast<std::uint8_t>(n),
                                        static_cast<std::uint8_t>(number & 0xFF),
                                        static_cast<std::uint8_t>(number >> 8)};
        parent->Write(header, sizeof header);
        ++sequence;
        const std::uint16_t h = Crc16(header, sizeof header, 0);
        std::uint8_t block[kMaxPayload] = {};
        std::memcpy(block, data + offset, n);
        parent->Write(block, sizeof block);
        const std::uint16_t c = Crc16(block, sizeof block, h);
        const std::uint8_t crc[2] = {static_cast<std::uint8_t>(c & 0xFF),
                                     static_cast<std::uint8_t>(c >> 8)};
        parent->Write(crc, sizeof crc);
    }
}

void Slot::WriteString(const std::string& text) {
    Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string Slot::Name() {
    char buf[24];
    std::snprintf(buf, sizeof buf, "Slot[%d]", static_cast<int>(number));
    return buf;
}

void Slot::OnReceive(const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        std::memmove(window, window + 1, kFrameSize - 1);
        window[kFrameSize - 1] = data[i];
        if (window[0] != 0x55 || window[1] != 0xAA || window[4] != (number & 0xFF) ||
            window[3] > kMaxPayload || window[5] != (number >> 8))
            continue;
        // A failed check leaves the window as it is: clearing a byte there
        // could lose a real frame that begins inside this one, or complete a
        // damaged frame into one that was never sent.
        const std::uint16_t crc = Crc16(window, 22, 0);
        if (crc != window[22] + 256u * window[23]) continue;
        std::uint8_t payload[kMaxPayload];
        const std::size_t n = window[3];
        std::memcpy(payload, window + 6, n);
        Connection::OnReceive(payload, n);
    }
}

void ResponseConnection::OnReceive(const std::uint8_t* data, std::size_t length) {
    if (callback) callback(owner, data, length);
}

}  // namespace varnex

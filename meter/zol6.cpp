#include "zol6.h"

#include "log.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace zol::meter {

namespace {

// STX, code and the three digits.
constexpr std::size_t kHeaderLength = 5;

std::string padded(const std::string &field, std::size_t width)
{
    std::string text = field.substr(0, width);
    text.resize(width, '\0');
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string printable(std::string_view bytes)
{
    std::string text(bytes);
    std::replace_if(
        text.begin(), text.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '.');
    return text;
}

} // namespace

unsigned char zol6Check(std::string_view stxThroughEtx)
{
    unsigned char check = 0;
    for (const char c : stxThroughEtx)
        check ^= static_cast<unsigned char>(c);
    if (check < 32)
        check += 32;
    return check;
}

std::string zol6Frame(char code, std::string_view data)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03zu", std::min<std::size_t>(data.size(), 999));
    std::string frame;
    frame += kStx;
    frame += code;
    frame += digits;
    frame += data;
    frame += kEtx;
    frame += static_cast<char>(zol6Check(frame));
    return frame;
}

Zol6::Zol6(Zol6Identity identity, bool badCheck)
    : m_identity(std::move(identity)), m_badCheck(badCheck)
{}

std::string Zol6::reply(char code, std::string_view data) const
{
    std::string frame = zol6Frame(code, data);
    // Flipping the lowest bit keeps the check in 32..255, so the tool still
    // sees a complete reply, only with the wrong check.
    if (m_badCheck)
        frame.back() = static_cast<char>(frame.back() ^ 0x01);
    return frame;
}

std::string Zol6::versionReply() const
{
    std::string data;
    data += padded(m_identity.meter, Zol6Identity::kMeterWidth);
    data += padded(m_identity.hardware, Zol6Identity::kHardwareWidth);
    data += padded(m_identity.software, Zol6Identity::kSoftwareWidth);
    data += padded(m_identity.serial, Zol6Identity::kSerialWidth);
    // Calibration data the tool does not look at.
    data += std::string(12, '\0');
    data += m_identity.battery;
    return reply('v', data);
}

std::vector<std::string> Zol6::receive(std::string_view bytes)
{
    m_buffer.append(bytes);
    std::vector<std::string> replies;
    for (;;) {
        const std::size_t stx = m_buffer.find(kStx);
        if (stx != 0 && !m_buffer.empty()) {
            const std::size_t skipped = std::min(stx, m_buffer.size());
            logEvent("skipped %zu byte(s) before STX: %s", skipped,
                     hexBytes(std::string_view(m_buffer).substr(0, skipped)).c_str());
            m_buffer.erase(0, skipped);
        }
        if (m_buffer.size() < kHeaderLength)
            break;
        if (!std::all_of(m_buffer.begin() + 2, m_buffer.begin() + kHeaderLength, isDigit)) {
            logEvent("frame %s: no length digits, answering f",
                     hexBytes(std::string_view(m_buffer).substr(0, kHeaderLength)).c_str());
            replies.push_back(reply('f'));
            // The STX was noise; a real frame may start further on.
            m_buffer.erase(0, 1);
            continue;
        }
        const std::size_t dataLength = static_cast<std::size_t>(std::stoi(m_buffer.substr(2, 3)));
        const std::size_t frameLength = kHeaderLength + dataLength + 2;
        if (m_buffer.size() < frameLength)
            break;
        if (m_buffer[frameLength - 2] != kEtx) {
            logEvent("frame %s: no ETX after %zu data bytes, answering f",
                     hexBytes(std::string_view(m_buffer).substr(0, frameLength)).c_str(),
                     dataLength);
            replies.push_back(reply('f'));
            m_buffer.erase(0, 1);
            continue;
        }
        const std::string frame = m_buffer.substr(0, frameLength);
        m_buffer.erase(0, frameLength);
        replies.push_back(answer(frame));
    }
    return replies;
}

std::string Zol6::answer(const std::string &frame)
{
    const std::string hex = hexBytes(frame);
    const auto expected = zol6Check(std::string_view(frame).substr(0, frame.size() - 1));
    const auto received = static_cast<unsigned char>(frame.back());
    if (received != expected) {
        logEvent("frame %s: wrong check %02X (should be %02X), answering f", hex.c_str(), received,
                 expected);
        return reply('f');
    }
    const std::string header = frame.substr(1, 4);
    if (header == "V000") {
        logEvent("frame %s: version request, answering v", hex.c_str());
        return versionReply();
    }
    if (header == "X012") {
        const std::string name = frame.substr(kHeaderLength, 12);
        if (m_userName) {
            logEvent("frame %s: user name \"%s\" refused, \"%s\" is stored, answering f",
                     hex.c_str(), printable(name).c_str(), printable(*m_userName).c_str());
            return reply('f');
        }
        m_userName = name;
        logEvent("frame %s: user name \"%s\" stored, answering o", hex.c_str(),
                 printable(name).c_str());
        return reply('o');
    }
    if (header == "Y000") {
        m_userName.reset();
        logEvent("frame %s: user name cleared, answering o", hex.c_str());
        return reply('o');
    }
    logEvent("frame %s: unknown command \"%s\", answering f", hex.c_str(),
             printable(header).c_str());
    return reply('f');
}

void Zol6::dropPartialFrame()
{
    if (m_buffer.empty())
        return;
    logEvent("incomplete frame dropped: %s", hexBytes(m_buffer).c_str());
    m_buffer.clear();
}

} // namespace zol::meter

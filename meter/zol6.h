#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zol::meter {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

// Exclusive-or of every byte from STX through ETX, lifted by 32 when below 32
// so that it never reads as a control character.
unsigned char zol6Check(std::string_view stxThroughEtx);
// STX, code, three digits giving the data length, data, ETX, check.
std::string zol6Frame(char code, std::string_view data);

struct Zol6Identity
{
    // Field widths of the version record.
    static constexpr std::size_t kMeterWidth = 8;
    static constexpr std::size_t kHardwareWidth = 4;
    static constexpr std::size_t kSoftwareWidth = 4;
    static constexpr std::size_t kSerialWidth = 8;

    std::string meter = "ZOL6";
    std::string hardware = "1.20";
    std::string software = "6.05";
    std::string serial = "00012345";
    char battery = 'G';
};

// A ZOL6 in its connection mode: it takes command frames from whatever
// arrives on the line and answers each one. The user name lives in the
// meter's memory, so it outlasts the port being closed and opened again.
class Zol6
{
public:
    Zol6(Zol6Identity identity, bool badCheck);

    // Returns the replies due, in order, for the frames that are now complete.
    std::vector<std::string> receive(std::string_view bytes);
    bool hasPartialFrame() const { return !m_buffer.empty(); }
    // The rest of a frame that never came (the sender gave up, or closed the
    // port) must not swallow the next command as its data.
    void dropPartialFrame();

    std::string versionReply() const;

private:
    std::string reply(char code, std::string_view data = {}) const;
    std::string answer(const std::string &frame);

    Zol6Identity m_identity;
    bool m_badCheck = false;
    std::string m_buffer;
    std::optional<std::string> m_userName;
};

} // namespace zol::meter

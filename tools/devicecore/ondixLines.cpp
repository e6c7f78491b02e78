// Typed command lines: kept as received; the RTS lines also change the remote table, the
// way the device does when it transmits a PROG, UP, STOP or DOWN frame.
#include "ondixDevice.h"

#include <algorithm>
#include <charconv>

namespace ondixsim {

namespace {

enum class RtsAction { Prog, Move };

struct RtsLine {
    RtsAction action;
    uint8_t type;  // 0 Somfy, 1 Tube
    std::array<uint8_t, 3> id;
};

std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

std::optional<int> number(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

std::optional<RtsLine> parseRtsLine(const std::string& line)
{
    const std::vector<std::string> f = splitFields(line);
    if (f.size() != 7 || f[0] != "sendrf_rc")
        return std::nullopt;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const auto n = number(f[i + 1]);
        if (!n)
            return std::nullopt;
        v[i] = *n;
    }
    for (int i = 3; i < 6; ++i)
        if (v[i] < 0 || v[i] > 255)
            return std::nullopt;
    const std::array<uint8_t, 3> id {uint8_t(v[3]), uint8_t(v[4]), uint8_t(v[5])};
    if (v[0] == 3767 && v[1] == 160) {  // Somfy: the third field is the key
        if (v[2] == 128)
            return RtsLine {RtsAction::Prog, 0, id};
        if (v[2] == 32 || v[2] == 16 || v[2] == 64)
            return RtsLine {RtsAction::Move, 0, id};
    } else if (v[0] == 3695 && v[2] == 240) {  // Tube: the second field is the key
        if (v[1] == 156)
            return RtsLine {RtsAction::Prog, 1, id};
        if (v[1] == 150 || v[1] == 149 || v[1] == 152)
            return RtsLine {RtsAction::Move, 1, id};
    }
    return std::nullopt;
}

}  // namespace

Device::TextReply Device::handleCommandText(const std::string& burst)
{
    TextReply reply = takeLines(burst);
    reply.answer = config_.tcpAnswer;
    if (reply.answer && !reply.answer->empty() && dropNow())
        reply.answer.reset();
    return reply;
}

Device::TextReply Device::takeLines(const std::string& burst)
{
    TextReply reply;
    size_t start = 0;
    while (start <= burst.size()) {
        size_t end = burst.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = burst.size();
        const std::string line = burst.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string::npos) {
            handleCommandLine(line);
            reply.lines.push_back(lines_.back());
        }
        start = end + 1;
    }
    return reply;
}

void Device::handleCommandLine(const std::string& text)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    remember(lines_, line);

    const std::optional<RtsLine> rts = parseRtsLine(line);
    if (!rts)
        return;
    auto known =
        std::find_if(config_.rts.begin(), config_.rts.end(), [&](const RtsRecord& r) { return r.remoteId == rts->id; });
    if (known != config_.rts.end()) {
        // Every frame the device transmits for a remote uses up one rolling code.
        ++known->rollingCode;
        return;
    }
    if (rts->action != RtsAction::Prog || config_.rts.size() >= size_t(maxRtsRecords))
        return;
    RtsRecord rec;
    rec.type = rts->type;
    rec.rollingCode = config_.rtsRollingStart;
    rec.remoteId = rts->id;
    // A fresh key code: the lowest one from 1 up that no stored remote uses.
    for (int key = 1; key < 256; ++key) {
        const bool used =
            std::any_of(config_.rts.begin(), config_.rts.end(), [&](const RtsRecord& r) { return r.keyCode == key; });
        if (!used) {
            rec.keyCode = uint8_t(key);
            break;
        }
    }
    config_.rts.push_back(rec);
    config_.rtsCountField.reset();
}

}  // namespace ondixsim

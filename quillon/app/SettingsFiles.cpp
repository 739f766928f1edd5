#include "quillon/app/SettingsFiles.h"

#include "dialog/DataExchange.h"
#include "dialog/Gbk.h"

#include <cstdint>

namespace quillon {

std::vector<std::string> splitLines(std::string_view content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = content.size();
        std::string_view line = content.substr(start, end - start);
        if (!last && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

int leadingInteger(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    std::int64_t value = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        value = value * 10 + (line[i++] - '0');
        if (value > INT32_MAX)
            return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

StoredPortSettings parsePortSettings(std::string_view content)
{
    const auto lines = splitLines(content);
    auto line = [&](std::size_t n) { return n < lines.size() ? std::string_view(lines[n]) : std::string_view(); };
    StoredPortSettings s;
    s.portName = std::string(line(0));
    s.stopBitsIndex = leadingInteger(line(1));
    s.parityIndex = leadingInteger(line(2));
    s.dataBitsIndex = leadingInteger(line(3));
    s.baudIndex = leadingInteger(line(4));
    return s;
}

std::string formatPortSettings(const StoredPortSettings& s)
{
    std::string out;
    for (const std::string& v :
         {s.portName, dialog::formatInteger(s.stopBitsIndex), dialog::formatInteger(s.parityIndex),
          dialog::formatInteger(s.dataBitsIndex), dialog::formatInteger(s.baudIndex)}) {
        out += v;
        out += "\r\n";
    }
    return out;
}

using dialog::isGbkLeadByte;

std::string escapeLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isGbkLeadByte(c) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
            continue;
        }
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::string unescapeLine(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (isGbkLeadByte(c) && i + 1 < line.size()) {
            out += c;
            out += line[++i];
            continue;
        }
        if (c == '\\' && i + 1 < line.size()) {
            const char n = line[i + 1];
            if (n == 'r' || n == 'n' || n == '\\') {
                out += n == 'r' ? '\r' : n == 'n' ? '\n' : '\\';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::array<std::string, 3> parseSendAreaTexts(std::string_view content)
{
    const auto lines = splitLines(content);
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size() && i < lines.size(); ++i)
        texts[i] = unescapeLine(lines[i]);
    return texts;
}

std::string formatSendAreaTexts(const std::array<std::string, 3>& texts)
{
    std::string out;
    for (const auto& t : texts) {
        out += escapeLine(t);
        out += "\r\n";
    }
    return out;
}

} // namespace quillon

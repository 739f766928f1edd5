#include "sim/ReplyTable.h"

#include "serial/HexDigit.h"

#include <cctype>

namespace sim {
namespace {

// A request longer than this with no quiet gap is noise, not a request.
constexpr std::size_t kMaxRequest = 4096;

std::vector<std::string_view> tokens(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Appends a token's bytes ("01", "0103"); an error message if it is not hex.
std::string hexBytes(std::string_view token, std::vector<int>& out)
{
    if (token.size() % 2 != 0)
        return "odd number of hex digits in \"" + std::string(token) + "\"";
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const int hi = serial::hexDigitValue(token[i]);
        const int lo = serial::hexDigitValue(token[i + 1]);
        if (hi < 0 || lo < 0)
            return "not a hex byte: \"" + std::string(token.substr(i, 2)) + "\"";
        out.push_back(hi * 16 + lo);
    }
    return {};
}

std::string parseRequest(std::string_view text, RequestPattern& p)
{
    const auto toks = tokens(text);
    if (toks.empty())
        return "no request before \"=>\" (\"*\" stands for any request)";
    for (std::size_t i = 0; i < toks.size(); ++i) {
        if (toks[i] == "*") {
            if (i + 1 != toks.size())
                return "\"*\" may only end a request";
            p.anyTail = true;
        } else if (toks[i] == "??") {
            p.bytes.push_back(RequestPattern::kAnyByte);
        } else if (std::string e = hexBytes(toks[i], p.bytes); !e.empty()) {
            return e;
        }
    }
    return {};
}

std::string parseAnswer(std::string_view text, Bytes& answer)
{
    std::vector<int> bytes;
    for (std::string_view t : tokens(text)) {
        if (t == "*" || t == "??")
            return "wildcards stand only in requests";
        if (std::string e = hexBytes(t, bytes); !e.empty())
            return e;
    }
    answer.assign(bytes.begin(), bytes.end());
    return {};
}

} // namespace

bool RequestPattern::matches(const Bytes& request) const
{
    if (request.size() < bytes.size() || (!anyTail && request.size() != bytes.size()))
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != kAnyByte && bytes[i] != request[i])
            return false;
    return !request.empty();
}

ParsedTable parseReplyTable(std::string_view text)
{
    ParsedTable table;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = line.substr(0, line.find('#'));
        if (tokens(line).empty())
            continue;
        const std::size_t arrow = line.find("=>");
        if (arrow == std::string_view::npos) {
            table.errors.push_back({number, "no \"=>\" between request and answer"});
            continue;
        }
        if (line.find("=>", arrow + 2) != std::string_view::npos) {
            table.errors.push_back({number, "more than one \"=>\""});
            continue;
        }
        ReplyRule rule;
        rule.line = number;
        std::string error = parseRequest(line.substr(0, arrow), rule.request);
        if (error.empty())
            error = parseAnswer(line.substr(arrow + 2), rule.answer);
        if (error.empty())
            table.rules.push_back(std::move(rule));
        else
            table.errors.push_back({number, std::move(error)});
    }
    return table;
}

ReplyMatcher::ReplyMatcher(std::vector<ReplyRule> rules, Micros gap) : rules_(std::move(rules)), gap_(gap) {}

Bytes ReplyMatcher::received(const std::uint8_t* data, std::size_t size, Micros now)
{
    if (size == 0)
        return {};
    // Bytes after a quiet gap begin a new request, even if the loop was
    // late to notice the gap.
    Bytes out;
    if (!pending_.empty() && now - last_ >= gap_)
        out = quiet();
    pending_.insert(pending_.end(), data, data + size);
    last_ = now;
    if (pending_.size() > kMaxRequest) {
        pending_.clear();
        return out;
    }
    const Bytes a = answer(true);
    out.insert(out.end(), a.begin(), a.end());
    return out;
}

std::optional<Micros> ReplyMatcher::deadline() const
{
    if (pending_.empty())
        return std::nullopt;
    return last_ + gap_;
}

Bytes ReplyMatcher::quiet()
{
    Bytes a = answer(false);
    pending_.clear();
    return a;
}

Bytes ReplyMatcher::answer(bool exactOnly)
{
    for (const ReplyRule& r : rules_) {
        if (exactOnly && r.request.anyTail)
            continue;
        if (r.request.matches(pending_)) {
            pending_.clear();
            return r.answer;
        }
    }
    return {};
}

} // namespace sim
